#pragma once
// The printer's command language as the library speaks it: command builders, the
// classification of reply bytes, the decoding of real-time status, automatic status
// blocks and block replies, the status code the library reports, and the table of the
// models it knows. Pure functions without I/O; any thread may call them.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/XJComm.h"

namespace xjcomm {

using Bytes = std::vector<std::uint8_t>;

// ---- command bytes ----------------------------------------------------------------------
inline constexpr std::uint8_t kDLE = 0x10;
inline constexpr std::uint8_t kEOT = 0x04;
inline constexpr std::uint8_t kDC4 = 0x14;
inline constexpr std::uint8_t kGS = 0x1D;
inline constexpr std::uint8_t kXon = 0x11;
inline constexpr std::uint8_t kXoff = 0x13;
inline constexpr std::uint8_t kBlockEnd = 0x00;

// Real-time status requests (DLE EOT n).
inline constexpr std::uint8_t kRtPrinter = 1;
inline constexpr std::uint8_t kRtOffline = 2;
inline constexpr std::uint8_t kRtError = 3;
inline constexpr std::uint8_t kRtPaper = 4;

// Printer ID requests (GS I n).
inline constexpr std::uint8_t kIdModel = 1;
inline constexpr std::uint8_t kIdType = 2;
inline constexpr std::uint8_t kIdVersion = 3;
inline constexpr std::uint8_t kIdFirmware = 65;
inline constexpr std::uint8_t kIdMaker = 66;
inline constexpr std::uint8_t kIdModelName = 67;
inline constexpr std::uint8_t kIdSerialNumber = 68;

// Automatic status back items (GS a n): online/offline, error, roll paper. The drawer
// is left out: its changes mean nothing to the status code.
inline constexpr std::uint8_t kAsbOnlineOffline = 0x02;
inline constexpr std::uint8_t kAsbError = 0x04;
inline constexpr std::uint8_t kAsbRollPaper = 0x08;
inline constexpr std::uint8_t kAsbItems = kAsbOnlineOffline | kAsbError | kAsbRollPaper;

// Block reply headers.
inline constexpr std::uint8_t kHeaderSetting = 0x37;
inline constexpr std::uint8_t kHeader3B = 0x3B;
inline constexpr std::uint8_t kHeader3D = 0x3D;
inline constexpr std::uint8_t kHeaderPrinterInfo = 0x5F;
inline constexpr std::uint8_t kBatteryIdentifier = 0x45;

Bytes RealTimeStatusRequest(std::uint8_t n);   // 10 04 n
Bytes AutoStatusBack(std::uint8_t items);      // 1D 61 n (0 switches it off)
Bytes PrinterIdRequest(std::uint8_t n);        // 1D 49 n
Bytes BatteryStatusRequest();                  // 10 14 07 05

// ---- telling replies apart -----------------------------------------------------------------
// What the first byte of something the printer sends says about it.
enum class ByteClass {
  RealTimeStatus,  // one byte of DLE EOT reply
  AsbStart,        // first of four automatic status bytes
  PrinterId,       // a one-byte printer ID reply (and any byte no other rule claims)
  BlockStart,      // header of a block reply ended by 00
  Xon,
  Xoff,
};
ByteClass ClassifyFirstByte(std::uint8_t b);
// Bytes 2-4 of an automatic status block have the form 0xx0xxxx.
bool IsAsbContinuation(std::uint8_t b);
// A real-time status byte has its fixed bits: bit 0 = 0, bit 1 = 1, bit 4 = 1, bit 7 = 0.
bool IsRealTimeStatusByte(std::uint8_t b);

// ---- printer state ---------------------------------------------------------------------------
struct PrinterState {
  bool offline = false;
  bool coverOpen = false;
  bool feeding = false;           // paper fed by the FEED button
  bool paperEnd = false;           // roll paper sensor
  bool stoppedByPaperEnd = false;  // printing stopped because the paper ran out
  bool nearEnd = false;
  bool recoverableError = false;
  bool autocutterError = false;
  bool unrecoverableError = false;
  bool autoRecoverableError = false;
  bool waitingForRecovery = false;
  bool drawerHigh = false;
  bool operator==(const PrinterState&) const = default;
};

// Applies the reply byte of DLE EOT n (1-4) to state. False when the byte lacks the fixed
// bits of a real-time status byte or n is out of range (state unchanged then).
bool ApplyRealTimeStatus(std::uint8_t n, std::uint8_t reply, PrinterState& state);
// Builds the state from an automatic status block; false when the block is malformed.
bool StateFromAsb(const std::array<std::uint8_t, 4>& block, PrinterState& state);

// ---- status codes -------------------------------------------------------------------------
// The codes are the XJC_STATUS_* table of sdk/XJComm.h.

// The status code of a printer that answered, first matching condition wins. batteryLow
// says that the printer runs on its battery and the battery is empty, which turns an
// otherwise unexplained offline state into code 16.
std::int32_t DeriveStatusCode(const PrinterState& state, bool batteryLow);

// ---- battery ---------------------------------------------------------------------------------
inline constexpr std::uint8_t kPowerAc = 0x30;
inline constexpr std::uint8_t kPowerBattery = 0x31;
inline constexpr std::uint8_t kBatteryEmpty = 0x30;
inline constexpr std::uint8_t kBatteryFull = 0x36;

// The battery code (level << 8) | source of a battery block reply (37 45 source level 00,
// without the terminator or with it); nothing when the block is malformed.
std::optional<std::uint16_t> ParseBatteryReply(const Bytes& block);
// True for a printer on its battery with the level at empty.
bool IsBatteryTooLow(std::uint16_t code);

// ---- block replies -------------------------------------------------------------------------
// The text of a printer information block (5F text 00; the terminator may be absent).
// Non-printable bytes become '?'. Nothing when the header is not 5F.
std::optional<std::string> ParseInfoBlock(const Bytes& block);

// ---- models -------------------------------------------------------------------------------------
inline constexpr std::int32_t kFeatureBatteryStatus = 6;
inline constexpr std::int32_t kCommandGroupUserSetting = 1;
inline constexpr std::int32_t kCommandExtended = 0x0E;
inline constexpr std::int32_t kCommandPaperSavingValues = 0x30;
inline constexpr std::int32_t kCommandModelOptionValues = 0x52;

struct ModelTraits {
  const char* name;
  std::uint8_t deviceIds[2];
  bool batteryStatus;
  bool extendedSettingCommands;
};

// The model with this name (exact), or else with this device ID; null when unknown.
const ModelTraits* FindModel(std::string_view name, std::optional<std::uint8_t> deviceId);
// The model name a device ID stands for; empty when the ID is unknown.
std::string ModelNameForDeviceId(std::uint8_t deviceId);
// Whether the model supports a feature of XJC_IsSupported / a command of XJC_IsEnableCommand.
bool ModelSupportsFeature(const ModelTraits* model, std::int32_t feature);
bool ModelEnablesCommand(const ModelTraits* model, std::int32_t group, std::int32_t code1,
                         std::int32_t code2);

}  // namespace xjcomm
