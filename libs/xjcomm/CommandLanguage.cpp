#include "libs/xjcomm/CommandLanguage.h"

namespace xjcomm {
namespace {

constexpr std::uint8_t kMaskClass = 0x93;
constexpr std::uint8_t kClassRealTime = 0x12;  // 0xx1xx10
constexpr std::uint8_t kClassAsb = 0x10;       // 0xx1xx00
constexpr std::uint8_t kMaskAsbContinuation = 0x90;

constexpr bool Bit(std::uint8_t value, int bit) { return (value >> bit) & 1u; }

constexpr ModelTraits kModels[] = {
    {"XJ-K52II", {0x90, 0x91}, true, true},
};

}  // namespace

Bytes RealTimeStatusRequest(std::uint8_t n) { return {kDLE, kEOT, n}; }
Bytes AutoStatusBack(std::uint8_t items) { return {kGS, 0x61, items}; }
Bytes PrinterIdRequest(std::uint8_t n) { return {kGS, 0x49, n}; }
Bytes BatteryStatusRequest() { return {kDLE, kDC4, 0x07, 0x05}; }

ByteClass ClassifyFirstByte(std::uint8_t b) {
  // The exact values come first: XON, XOFF and the block headers would otherwise fall
  // into the bit-pattern classes below.
  switch (b) {
    case kXon: return ByteClass::Xon;
    case kXoff: return ByteClass::Xoff;
    case kHeaderSetting:
    case kHeader3B:
    case kHeader3D:
    case kHeaderPrinterInfo: return ByteClass::BlockStart;
    default: break;
  }
  if ((b & kMaskClass) == kClassRealTime) return ByteClass::RealTimeStatus;
  if ((b & kMaskClass) == kClassAsb) return ByteClass::AsbStart;
  return ByteClass::PrinterId;
}

bool IsAsbContinuation(std::uint8_t b) { return (b & kMaskAsbContinuation) == 0; }

bool IsRealTimeStatusByte(std::uint8_t b) { return (b & kMaskClass) == kClassRealTime; }

bool ApplyRealTimeStatus(std::uint8_t n, std::uint8_t reply, PrinterState& state) {
  if (!IsRealTimeStatusByte(reply)) return false;
  switch (n) {
    case kRtPrinter:
      state.drawerHigh = Bit(reply, 2);
      state.offline = Bit(reply, 3);
      state.waitingForRecovery = Bit(reply, 5);
      return true;
    case kRtOffline:
      state.coverOpen = Bit(reply, 2);
      state.feeding = Bit(reply, 3);
      state.stoppedByPaperEnd = Bit(reply, 5);
      return true;
    case kRtError:
      state.recoverableError = Bit(reply, 2);
      state.autocutterError = Bit(reply, 3);
      state.unrecoverableError = Bit(reply, 5);
      state.autoRecoverableError = Bit(reply, 6);
      return true;
    case kRtPaper:
      state.nearEnd = Bit(reply, 2) || Bit(reply, 3);
      state.paperEnd = Bit(reply, 5) || Bit(reply, 6);
      return true;
    default:
      return false;
  }
}

bool StateFromAsb(const std::array<std::uint8_t, 4>& block, PrinterState& state) {
  if (ClassifyFirstByte(block[0]) != ByteClass::AsbStart) return false;
  for (int i = 1; i < 4; ++i) {
    if (!IsAsbContinuation(block[i])) return false;
  }
  PrinterState s;
  s.drawerHigh = Bit(block[0], 2);
  s.offline = Bit(block[0], 3);
  s.coverOpen = Bit(block[0], 5);
  s.feeding = Bit(block[0], 6);
  s.waitingForRecovery = Bit(block[1], 0);
  s.recoverableError = Bit(block[1], 2);
  s.autocutterError = Bit(block[1], 3);
  s.unrecoverableError = Bit(block[1], 5);
  s.autoRecoverableError = Bit(block[1], 6);
  s.nearEnd = Bit(block[2], 0) || Bit(block[2], 1);
  s.paperEnd = Bit(block[2], 2) || Bit(block[2], 3);
  state = s;
  return true;
}

std::int32_t DeriveStatusCode(const PrinterState& s, bool batteryLow) {
  if (s.unrecoverableError) return XJC_STATUS_FATAL_ERROR;
  if (s.autocutterError) return XJC_STATUS_AUTOCUTTER_ERROR;
  if (s.recoverableError) return XJC_STATUS_RECOVERABLE_ERROR;
  if (s.autoRecoverableError) return XJC_STATUS_AUTO_RECOVERABLE_ERROR;
  if (s.coverOpen) return XJC_STATUS_COVER_OPEN;
  if (s.paperEnd || s.stoppedByPaperEnd) return XJC_STATUS_PAPER_END;
  if (s.feeding) return XJC_STATUS_FEEDING;
  if (s.offline && batteryLow) return XJC_STATUS_BATTERY_OFFLINE;
  if (s.offline) return XJC_STATUS_OFFLINE;
  if (s.nearEnd) return XJC_STATUS_PAPER_NEAR_END;
  return XJC_STATUS_ONLINE;
}

std::optional<std::uint16_t> ParseBatteryReply(const Bytes& block) {
  if (block.size() < 4 || block[0] != kHeaderSetting || block[1] != kBatteryIdentifier) {
    return std::nullopt;
  }
  if (block.size() > 5 || (block.size() == 5 && block[4] != kBlockEnd)) return std::nullopt;
  const std::uint8_t source = block[2];
  const std::uint8_t level = block[3];
  if (source != kPowerAc && source != kPowerBattery) return std::nullopt;
  if (level < kBatteryEmpty || level > kBatteryFull) return std::nullopt;
  return static_cast<std::uint16_t>((level << 8) | source);
}

bool IsBatteryTooLow(std::uint16_t code) {
  return (code & 0xFF) == kPowerBattery && (code >> 8) == kBatteryEmpty;
}

std::optional<std::string> ParseInfoBlock(const Bytes& block) {
  if (block.empty() || block[0] != kHeaderPrinterInfo) return std::nullopt;
  std::string text;
  for (std::size_t i = 1; i < block.size() && block[i] != kBlockEnd; ++i) {
    const std::uint8_t c = block[i];
    text.push_back(c >= 0x20 && c < 0x7F ? static_cast<char>(c) : '?');
  }
  return text;
}

const ModelTraits* FindModel(std::string_view name, std::optional<std::uint8_t> deviceId) {
  for (const ModelTraits& m : kModels) {
    if (!name.empty() && name == m.name) return &m;
  }
  if (name.empty() && deviceId) {
    for (const ModelTraits& m : kModels) {
      if (*deviceId == m.deviceIds[0] || *deviceId == m.deviceIds[1]) return &m;
    }
  }
  return nullptr;
}

std::string ModelNameForDeviceId(std::uint8_t deviceId) {
  const ModelTraits* m = FindModel({}, deviceId);
  return m ? std::string(m->name) : std::string();
}

bool ModelSupportsFeature(const ModelTraits* model, std::int32_t feature) {
  if (!model) return false;
  return feature == kFeatureBatteryStatus && model->batteryStatus;
}

bool ModelEnablesCommand(const ModelTraits* model, std::int32_t group, std::int32_t code1,
                         std::int32_t code2) {
  if (!model || !model->extendedSettingCommands) return false;
  return group == kCommandGroupUserSetting && code1 == kCommandExtended &&
         (code2 == kCommandPaperSavingValues || code2 == kCommandModelOptionValues);
}

}  // namespace xjcomm
