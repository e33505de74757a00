#include "sim/PrinterModel.h"

#include <utility>

namespace sim {
namespace {

// Fixed bits of every status byte: bit 1 and bit 4 set, bits 0 and 7 clear.
constexpr std::uint8_t kStatusFixed = 0x12;
// Fixed bit of ASB byte 1.
constexpr std::uint8_t kAsbFixed = 0x10;

// Printer ID selectors.
constexpr int kIdModel = 1;
constexpr int kIdType = 2;
constexpr int kIdVersion = 3;
constexpr int kIdFirmware = 65;
constexpr int kIdMaker = 66;
constexpr int kIdModelName = 67;
constexpr int kIdSerial = 68;
constexpr int kIdFonts = 69;

// Type ID bits.
constexpr std::uint8_t kTypeMultibyte = 0x01;
constexpr std::uint8_t kTypeAutocutter = 0x02;

// Customized value numbers.
constexpr int kCvPaperWidth = 3;
constexpr int kCvDensity = 5;
constexpr int kCvSpeed = 6;
constexpr int kCvOfflineCommands = 12;
constexpr int kCvAutoCutOnClose = 100;
constexpr int kCvSaveTopMargin = 101;
constexpr int kCvSaveLineFeed = 105;
constexpr int kCvPaperKind = 116;
constexpr int kCvBuzzer = 120;
constexpr int kCvBatterySaving = 122;

constexpr int kPaperWidth58 = 1;
constexpr int kPaperWidth80 = 6;
constexpr int kDensityLowest = 65530;  // 70 %
constexpr int kDensityHighest = 8;     // 140 %
constexpr int kSpeedSlowest = 1;
constexpr int kSpeedFastest = 9;

std::uint8_t Bit(bool on, int bit) { return on ? static_cast<std::uint8_t>(1u << bit) : 0; }

}  // namespace

NvSettings::NvSettings() {
  for (int number : CustomizedValueNumbers()) values_[number] = *DefaultCustomizedValue(number);
}

const std::vector<int>& NvSettings::CustomizedValueNumbers() {
  static const std::vector<int> numbers = {kCvPaperWidth, kCvDensity, kCvSpeed, kCvOfflineCommands,
                                           kCvAutoCutOnClose, 101, 102, 103, 104, kCvSaveLineFeed,
                                           kCvPaperKind, kCvBuzzer, kCvBatterySaving};
  return numbers;
}

std::optional<int> NvSettings::DefaultCustomizedValue(int number) {
  switch (number) {
    case kCvPaperWidth: return kPaperWidth80;
    case kCvDensity: return 0;
    case kCvSpeed: return kSpeedFastest;
    default: break;
  }
  for (int known : CustomizedValueNumbers())
    if (known == number) return 0;
  return std::nullopt;
}

bool NvSettings::IsValidCustomizedValue(int number, int value) {
  switch (number) {
    case kCvPaperWidth: return value == kPaperWidth58 || value == kPaperWidth80;
    case kCvDensity: return (value >= kDensityLowest && value <= 0xFFFF) || (value >= 0 && value <= kDensityHighest);
    case kCvSpeed: return value >= kSpeedSlowest && value <= kSpeedFastest;
    case kCvOfflineCommands:
    case kCvAutoCutOnClose:
    case kCvPaperKind:
    case kCvBuzzer:
    case kCvBatterySaving: return value == 0 || value == 1;
    default: break;
  }
  if (number >= kCvSaveTopMargin && number <= kCvSaveLineFeed) return value == 0 || value == 1;
  return false;
}

std::optional<int> NvSettings::CustomizedValue(int number) const {
  auto it = values_.find(number);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

bool NvSettings::SetCustomizedValue(int number, int value) {
  if (!IsValidCustomizedValue(number, value)) return false;
  values_[number] = value;
  return true;
}

std::optional<std::uint8_t> NvSettings::MemorySwitch(int number) const {
  if (number < kFirstMemorySwitch || number > kLastMemorySwitch) return std::nullopt;
  return switches_[static_cast<std::size_t>(number)];
}

bool NvSettings::SetMemorySwitch(int number, std::uint8_t bits) {
  if (number < kFirstMemorySwitch || number > kLastMemorySwitch) return false;
  switches_[static_cast<std::size_t>(number)] = bits;
  return true;
}

std::size_t NvSettings::NvUsed() const {
  std::size_t used = 0;
  for (const auto& [key, image] : nv_) used += image.data.size();
  return used;
}

bool NvSettings::DefineNvImage(std::uint16_t key, NvImage image) {
  std::size_t usedByOthers = NvUsed();
  auto it = nv_.find(key);
  if (it != nv_.end()) usedByOthers -= it->second.data.size();  // a replaced image frees its room
  if (image.data.size() > kNvCapacity - usedByOthers) return false;
  nv_[key] = std::move(image);
  return true;
}

bool NvSettings::DeleteNvImage(std::uint16_t key) { return nv_.erase(key) > 0; }

bool NvSettings::SetLogos(std::vector<LogoImage> logos) {
  std::size_t total = 0;
  for (const auto& logo : logos) total += logo.data.size();
  if (total > kLogoCapacity) return false;
  logos_ = std::move(logos);
  return true;
}

bool IsValidKeyCode(std::uint8_t kc1, std::uint8_t kc2) {
  return kc1 >= 32 && kc1 <= 126 && kc2 >= 32 && kc2 <= 126;
}

bool PrinterModel::AnyError() const {
  return condition.cutterError || condition.fatalError || condition.recoverableError ||
         condition.autoRecoverableError;
}

bool PrinterModel::WaitingForOnlineRecovery() const { return condition.recoverableError; }

bool PrinterModel::OfflineExceptBattery() const {
  return condition.coverOpen || condition.paper == PaperState::kEnd || AnyError() || condition.feedButton ||
         condition.forcedOffline;
}

bool PrinterModel::BatteryEmpty() const {
  return condition.power == PowerSource::kBattery && condition.batteryLevel == 0;
}

bool PrinterModel::Offline() const { return OfflineExceptBattery() || BatteryEmpty(); }

bool PrinterModel::OfflineForBatteryOnly() const { return BatteryEmpty() && !OfflineExceptBattery(); }

std::optional<std::uint8_t> PrinterModel::RealTimeStatus(int n) const {
  const Condition& c = condition;
  const bool paperEnd = c.paper == PaperState::kEnd;
  // The near-end sensor also sees no paper once the roll has run out.
  const bool nearEnd = c.paper != PaperState::kOk;
  switch (n) {
    case 1:
      return static_cast<std::uint8_t>(kStatusFixed | Bit(c.drawerHigh, 2) | Bit(Offline(), 3) |
                                        Bit(WaitingForOnlineRecovery(), 5) | Bit(c.feedButton, 6));
    case 2:
      return static_cast<std::uint8_t>(kStatusFixed | Bit(c.coverOpen, 2) | Bit(c.feedButton, 3) |
                                        Bit(paperEnd, 5) | Bit(AnyError(), 6));
    case 3:
      return static_cast<std::uint8_t>(kStatusFixed | Bit(c.recoverableError, 2) | Bit(c.cutterError, 3) |
                                        Bit(c.fatalError, 5) | Bit(c.autoRecoverableError, 6));
    case 4:
      return static_cast<std::uint8_t>(kStatusFixed | Bit(nearEnd, 2) | Bit(nearEnd, 3) | Bit(paperEnd, 5) |
                                        Bit(paperEnd, 6));
    default: return std::nullopt;
  }
}

std::array<std::uint8_t, 4> PrinterModel::AsbBlock() const {
  const Condition& c = condition;
  const bool paperEnd = c.paper == PaperState::kEnd;
  const bool nearEnd = c.paper != PaperState::kOk;
  std::array<std::uint8_t, 4> block{};
  block[0] = static_cast<std::uint8_t>(kAsbFixed | Bit(c.drawerHigh, 2) | Bit(Offline(), 3) |
                                       Bit(c.coverOpen, 5) | Bit(c.feedButton, 6));
  block[1] = static_cast<std::uint8_t>(Bit(WaitingForOnlineRecovery(), 0) | Bit(c.feedButton, 1) |
                                       Bit(c.recoverableError, 2) | Bit(c.cutterError, 3) |
                                       Bit(c.fatalError, 5) | Bit(c.autoRecoverableError, 6));
  block[2] = static_cast<std::uint8_t>(Bit(nearEnd, 0) | Bit(nearEnd, 1) | Bit(paperEnd, 2) | Bit(paperEnd, 3));
  block[3] = 0;
  return block;
}

std::optional<std::uint8_t> PrinterModel::IdByte(int n) const {
  switch (n) {
    case kIdModel: return static_cast<std::uint8_t>(identity.deviceId);
    case kIdType:
      return static_cast<std::uint8_t>((HasAutocutter() ? kTypeAutocutter : 0) |
                                        (identity.fonts.empty() ? 0 : kTypeMultibyte));
    case kIdVersion: return static_cast<std::uint8_t>(identity.versionId);
    default: return std::nullopt;
  }
}

std::optional<std::string> PrinterModel::IdText(int n) const {
  switch (n) {
    case kIdFirmware: return identity.firmware;
    case kIdMaker: return identity.maker;
    case kIdModelName: return identity.model;
    case kIdSerial: return identity.serial;
    case kIdFonts: return identity.fonts;
    default: return std::nullopt;
  }
}

std::array<std::uint8_t, 2> PrinterModel::BatteryBytes() const {
  const std::uint8_t source = condition.power == PowerSource::kAc ? '0' : '1';
  return {source, static_cast<std::uint8_t>('0' + condition.batteryLevel)};
}

}  // namespace sim
