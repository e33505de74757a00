#pragma once
// The state of the virtual XJ-K52II: its physical condition (cover, paper, errors,
// battery), its identity, the settings it keeps in non-volatile memory (customized
// values, memory switches, NV graphics, logo images) and the counters the control
// channel reports. The status bytes of the printer's command language are computed
// from the condition here, so every transport answers the same.
//
// Plain data and pure functions; the simulator's single event-loop thread owns the one
// instance and is the only thread that touches it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim {

enum class PaperState { kOk, kNearEnd, kEnd };
enum class PowerSource { kAc, kBattery };

// Highest battery level (full); 0 is empty.
inline constexpr int kBatteryFull = 6;
// Bytes of NV graphics memory; a definition that does not fit is refused.
inline constexpr std::size_t kNvCapacity = 262144;
// Bytes of memory for the older logo images; a definition that does not fit is refused.
inline constexpr std::size_t kLogoCapacity = 65536;
// Memory switches 1..8 exist.
inline constexpr int kFirstMemorySwitch = 1;
inline constexpr int kLastMemorySwitch = 8;
// Model ID of the variant without autocutter.
inline constexpr int kDeviceIdNoCutter = 145;
inline constexpr int kDeviceIdDefault = 144;

// What the printer looks like from outside right now.
struct Condition {
  bool coverOpen = false;
  PaperState paper = PaperState::kOk;
  bool cutterError = false;
  bool fatalError = false;        // unrecoverable
  bool recoverableError = false;
  bool autoRecoverableError = false;
  bool feedButton = false;        // paper being fed with the FEED button
  bool drawerHigh = false;        // drawer kick-out connector pin 3
  int batteryLevel = kBatteryFull;
  PowerSource power = PowerSource::kAc;
  bool forcedOffline = false;     // taken offline from outside (panel, host)
};

// Identity texts and IDs answered to the printer ID command.
struct Identity {
  std::string model = "XJ-K52II";
  int deviceId = kDeviceIdDefault;
  int versionId = 0x01;
  std::string serial = "K52S0000001";
  std::string firmware = "1.02";
  std::string maker = "NORVE";
  std::string fonts;  // empty: no multibyte fonts; the fonts ID answers "not ready"
};

// One NV graphics image (raster, one colour): ceil(width/8)*height bytes, MSB leftmost.
struct NvImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> data;
};

// One image of the older logo command: (x*8) x (y*8) dots, column format, x*y*8 bytes.
struct LogoImage {
  int x = 0;
  int y = 0;
  std::vector<std::uint8_t> data;
};

struct Counters {
  std::uint64_t bytesIn = 0;
  std::uint64_t bytesOut = 0;
  std::uint64_t printData = 0;        // bytes that were no command
  std::uint64_t commands = 0;         // commands recognised and carried out
  std::uint64_t ignoredCommands = 0;  // recognised but refused (bad parameters, wrong mode, no room)
  std::uint64_t repliesDropped = 0;   // replies not sent (silent, buffer full, connection gone)
  std::uint64_t connections = 0;      // TCP connections accepted
  std::uint64_t restarts = 0;
  std::uint64_t prints = 0;           // NV graphics printed
  std::uint64_t images = 0;           // raster images printed (any command)
  std::uint64_t textLines = 0;
  std::uint64_t feeds = 0;
  std::uint64_t cuts = 0;
  std::uint64_t barcodes = 0;
  std::uint64_t journalFailures = 0;  // print journal or image file writes that failed
  std::uint64_t saveFailures = 0;     // state file writes that failed
};

// Settings kept in non-volatile memory.
class NvSettings {
 public:
  NvSettings();

  // The customized value numbers the printer knows, in ascending order.
  static const std::vector<int>& CustomizedValueNumbers();
  // True when `number` is a known customized value and `value` is allowed for it.
  static bool IsValidCustomizedValue(int number, int value);
  static std::optional<int> DefaultCustomizedValue(int number);

  std::optional<int> CustomizedValue(int number) const;
  // Sets a value; false (and nothing changes) for an unknown number or a value out of range.
  bool SetCustomizedValue(int number, int value);

  // Memory switch bits, bit 0 = switch bit 1. Switch numbers 1..8; others give nothing.
  std::optional<std::uint8_t> MemorySwitch(int number) const;
  bool SetMemorySwitch(int number, std::uint8_t bits);

  const std::map<std::uint16_t, NvImage>& NvImages() const { return nv_; }
  std::size_t NvUsed() const;
  std::size_t NvFree() const { return kNvCapacity - NvUsed(); }
  // Defines or replaces the image with this key; false when it does not fit.
  bool DefineNvImage(std::uint16_t key, NvImage image);
  bool DeleteNvImage(std::uint16_t key);
  void DeleteAllNvImages() { nv_.clear(); }

  const std::vector<LogoImage>& Logos() const { return logos_; }
  // Replaces all logo images; false (and the old ones stay) when they do not fit.
  bool SetLogos(std::vector<LogoImage> logos);

 private:
  std::map<int, int> values_;
  std::array<std::uint8_t, kLastMemorySwitch + 1> switches_{};
  std::map<std::uint16_t, NvImage> nv_;
  std::vector<LogoImage> logos_;
};

// Key codes of NV graphics are two bytes 32..126 each; the map key is (kc1 << 8) | kc2.
bool IsValidKeyCode(std::uint8_t kc1, std::uint8_t kc2);
inline std::uint16_t MakeKey(std::uint8_t kc1, std::uint8_t kc2) {
  return static_cast<std::uint16_t>((kc1 << 8) | kc2);
}

class PrinterModel {
 public:
  Condition condition;
  Identity identity;
  NvSettings settings;
  Counters counters;
  bool userSettingMode = false;

  // The printer takes itself offline for cover open, paper end, any error, the FEED
  // button, being taken offline, and an empty battery while it runs on the battery.
  bool Offline() const;
  // True when an empty battery is the only reason for being offline.
  bool OfflineForBatteryOnly() const;
  bool AnyError() const;
  bool WaitingForOnlineRecovery() const;
  bool HasAutocutter() const { return identity.deviceId != kDeviceIdNoCutter; }

  // The real-time status byte for n = 1..4; nothing for other n.
  std::optional<std::uint8_t> RealTimeStatus(int n) const;
  // The 4-byte automatic status block.
  std::array<std::uint8_t, 4> AsbBlock() const;
  // The one-byte IDs for n = 1, 2, 3; the texts for n = 65..69 (empty = not ready).
  std::optional<std::uint8_t> IdByte(int n) const;
  std::optional<std::string> IdText(int n) const;
  // The battery reply: source byte ('0' AC, '1' battery) and level byte ('0'..'6').
  std::array<std::uint8_t, 2> BatteryBytes() const;

 private:
  bool OfflineExceptBattery() const;
  bool BatteryEmpty() const;
};

}  // namespace sim
