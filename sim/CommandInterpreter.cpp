#include "sim/CommandInterpreter.h"

#include <algorithm>
#include <string>

namespace sim {
namespace {

constexpr std::uint8_t kDle = 0x10;
constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kGs = 0x1D;
constexpr std::uint8_t kFs = 0x1C;
constexpr std::uint8_t kAck = 0x06;

constexpr std::uint8_t kEot = 0x04;
constexpr std::uint8_t kEnq = 0x05;
constexpr std::uint8_t kDc4 = 0x14;

constexpr std::uint8_t kGsId = 'I';
constexpr std::uint8_t kGsAsb = 'a';
constexpr std::uint8_t kGsParen = '(';
constexpr std::uint8_t kGsEight = '8';
constexpr std::uint8_t kFsLogo = 'q';
constexpr std::uint8_t kFsPrintLogo = 'p';
constexpr std::uint8_t kUserSetting = 'E';
constexpr std::uint8_t kGraphics = 'L';

// DLE DC4 functions and their lengths.
constexpr std::uint8_t kDc4Pulse = 1;
constexpr std::uint8_t kDc4PowerOff = 2;
constexpr std::uint8_t kDc4Battery = 7;
constexpr std::uint8_t kDc4BatteryStatus = 5;
constexpr std::uint8_t kDc4ClearBuffer = 8;
constexpr std::size_t kDc4ShortLength = 5;
constexpr std::size_t kDc4ClearLength = 10;

// DLE ENQ: recover from a recoverable error (1: and go on, 2: after clearing buffers).
constexpr std::uint8_t kEnqRecover = 1;
constexpr std::uint8_t kEnqRecoverClear = 2;

// User setting functions.
constexpr std::uint8_t kUsEnter = 1;
constexpr std::uint8_t kUsEnd = 2;
constexpr std::uint8_t kUsSetSwitch = 3;
constexpr std::uint8_t kUsReadSwitch = 4;
constexpr std::uint8_t kUsSetValue = 5;
constexpr std::uint8_t kUsReadValue = 6;
constexpr std::size_t kSwitchGroup = 9;  // a + 8 characters
constexpr std::size_t kValueGroup = 3;   // a nL nH

// Reply headers.
constexpr std::uint8_t kBlockHeader = 0x37;
constexpr std::uint8_t kReplyUserMode = 0x20;
constexpr std::uint8_t kReplySwitch = 0x21;
constexpr std::uint8_t kReplyValue = 0x27;
constexpr std::uint8_t kReplyCapacity = 0x31;
constexpr std::uint8_t kReplyKeyList = 0x72;
constexpr std::uint8_t kReplyBattery = 0x45;
constexpr std::uint8_t kIdTextHeader = 0x5F;
constexpr std::uint8_t kSeparator = 0x1F;
constexpr std::uint8_t kKeyListLast = 0x40;
constexpr std::uint8_t kKeyListMore = 0x41;

// Graphics functions.
constexpr std::uint8_t kGraphicsM = 0x30;
constexpr std::uint8_t kGrCapacity = 51;
constexpr std::uint8_t kGrKeyList = 64;
constexpr std::uint8_t kGrDeleteAll = 65;
constexpr std::uint8_t kGrDelete = 66;
constexpr std::uint8_t kGrDefine = 67;
constexpr std::uint8_t kGrPrint = 69;
constexpr std::uint8_t kRasterTone = 0x30;
constexpr std::uint8_t kColour1 = 0x31;
constexpr int kMaxGraphicsWidth = 8192;
constexpr int kMaxGraphicsHeight = 2304;
constexpr std::size_t kDefineHeader = 11;  // m fn a kc1 kc2 b xL xH yL yH c

// Older logo images.
constexpr int kMaxLogoX = 1023;
constexpr int kMaxLogoY = 288;

// Printing commands.
constexpr std::uint8_t kEscInitialise = '@';
constexpr std::uint8_t kEscFeedLines = 'd';
constexpr std::uint8_t kEscFeedDots = 'J';
constexpr std::uint8_t kEscCutFull = 'i';
constexpr std::uint8_t kEscCutPartial = 'm';
constexpr std::uint8_t kGsCut = 'V';
constexpr std::uint8_t kGsRaster = 'v';
constexpr std::uint8_t kGsBarcode = 'k';
constexpr std::uint8_t kRasterM = 0x30;
constexpr std::size_t kRasterHeader = 8;  // GS v 0 m xL xH yL yH
constexpr int kMaxRasterWidthBytes = 1024;
constexpr int kMaxRasterHeight = 4095;
// GS V m: cut at once (0/48 full, 1/49 partial) or feed n dots and cut (65 full, 66 partial).
constexpr std::uint8_t kCutFull = 0;
constexpr std::uint8_t kCutPartial = 1;
constexpr std::uint8_t kCutFullAscii = 48;
constexpr std::uint8_t kCutPartialAscii = 49;
constexpr std::uint8_t kFeedCutFull = 65;
constexpr std::uint8_t kFeedCutPartial = 66;
// GS k m: systems 0-6 end their data with NUL, systems 65-73 give its length.
constexpr std::uint8_t kLastNulBarcode = 6;
constexpr std::uint8_t kFirstLengthBarcode = 65;
constexpr std::uint8_t kLastLengthBarcode = 73;

// Formatting commands taken without effect on the print record, by their length in
// bytes: fonts, emphasis, alignment, code table, line spacing, sizes, margins.
std::size_t FormattingCommandLength(std::uint8_t prefix, std::uint8_t command) {
  if (prefix == kEsc) {
    switch (command) {
      case '2': return 2;
      case '!': case '-': case 'E': case 'G': case 'a': case 't': case '3': case ' ': case 'M': return 3;
      default: return 0;
    }
  }
  if (prefix == kGs) {
    switch (command) {
      case '!': case 'B': case 'H': case 'h': case 'w': case 'f': return 3;
      case 'L': case 'W': return 4;
      default: return 0;
    }
  }
  if (prefix == kFs && (command == '.' || command == '&')) return 2;
  return 0;
}

// The dot scale of raster and logo printing: m 0-3 (or '0'-'3'), bit 0 doubles the
// width, bit 1 the height. False for other m.
bool ImageScale(std::uint8_t m, int& xScale, int& yScale) {
  if (m >= '0' && m <= '3') m = static_cast<std::uint8_t>(m - '0');
  if (m > 3) return false;
  xScale = (m & 1) ? 2 : 1;
  yScale = (m & 2) ? 2 : 1;
  return true;
}

// ASB items (GS a n bits) and the block bits each one covers, per byte.
constexpr std::uint8_t kAsbItems = 0x0F;
struct AsbItem {
  std::uint8_t enableBit;
  std::array<std::uint8_t, 4> bits;
};
constexpr AsbItem kAsbItemBits[] = {
    {0x01, {0x04, 0x00, 0x00, 0x00}},  // drawer
    {0x02, {0x68, 0x03, 0x00, 0x00}},  // online/offline: offline, cover, feeding, waiting, FEED
    {0x04, {0x00, 0x6C, 0x00, 0x00}},  // errors
    {0x08, {0x00, 0x00, 0x0F, 0x00}},  // roll paper
};

bool IsCommandStart(std::uint8_t b) { return b == kDle || b == kEsc || b == kGs || b == kFs; }

void AppendDecimal(std::vector<std::uint8_t>& out, std::uint64_t value) {
  for (char c : std::to_string(value)) out.push_back(static_cast<std::uint8_t>(c));
}

}  // namespace

CommandInterpreter::CommandInterpreter(PrinterModel& model, PrintEngine& printer, Host& host)
    : model_(model), printer_(printer), host_(host) {}

void CommandInterpreter::Reset() {
  ResetParser();
  asbMask_ = 0;
  lastAsb_ = {};
}

void CommandInterpreter::ResetParser() {
  pending_.clear();
  mode_ = Mode::kNormal;
  stopped_ = false;
  skipLeft_ = 0;
  keysToList_.clear();
  logo_ = LogoState{};
}

void CommandInterpreter::Feed(const std::uint8_t* data, std::size_t size) {
  if (stopped_ || size == 0) return;
  pending_.insert(pending_.end(), data, data + size);
  std::size_t pos = 0;
  while (pos < pending_.size() && !stopped_) {
    const std::uint8_t* p = pending_.data() + pos;
    const std::size_t n = pending_.size() - pos;
    const Mode before = mode_;
    std::size_t used = 0;
    switch (mode_) {
      case Mode::kSkip:
        used = static_cast<std::size_t>(std::min<std::uint64_t>(n, skipLeft_));
        skipLeft_ -= used;
        if (skipLeft_ == 0) mode_ = Mode::kNormal;
        break;
      case Mode::kLogo: used = FeedLogo(p, n); break;
      case Mode::kAwaitAck:
        if (p[0] == kAck) {
          used = 1;
          SendKeyListBlock();
        } else {
          // Anything but ACK ends the listing; the byte is read as usual.
          keysToList_.clear();
          mode_ = Mode::kNormal;
        }
        break;
      case Mode::kNormal: used = ParseOne(p, n); break;
    }
    if (used == 0 && mode_ == before) break;  // an incomplete command: wait for more bytes
    pos += used;
  }
  if (stopped_) {
    pending_.clear();
  } else {
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(pos));
  }
}

std::size_t CommandInterpreter::ParseOne(const std::uint8_t* p, std::size_t n) {
  switch (p[0]) {
    case kDle: return ParseDle(p, n);
    case kEsc: return ParseEsc(p, n);
    case kGs: return ParseGs(p, n);
    case kFs: return ParseFs(p, n);
    default: {
      std::size_t run = 1;
      while (run < n && !IsCommandStart(p[run])) ++run;
      PrintData(p, run);
      return run;
    }
  }
}

std::size_t CommandInterpreter::ParseEsc(const std::uint8_t* p, std::size_t n) {
  if (n < 2) return 0;
  if (const std::size_t length = FormattingCommandLength(kEsc, p[1])) {
    if (n < length) return 0;
    Done();
    return length;
  }
  switch (p[1]) {
    case kEscInitialise:
      // Initialising clears the print buffer: a partial line is not printed.
      printer_.DiscardLine();
      Done();
      return 2;
    case kEscCutFull:
    case kEscCutPartial: CutPaper(p[1] == kEscCutFull); return 2;
    case kEscFeedLines:
    case kEscFeedDots:
      if (n < 3) return 0;
      p[1] == kEscFeedLines ? printer_.FeedLines(p[2]) : printer_.FeedDots(p[2]);
      Done();
      return 3;
    default: break;
  }
  PrintData(p, 1);
  return 1;
}

std::size_t CommandInterpreter::ParseFs(const std::uint8_t* p, std::size_t n) {
  if (n < 2) return 0;
  if (const std::size_t length = FormattingCommandLength(kFs, p[1])) {
    Done();
    return length;
  }
  if (p[1] == kFsLogo) {
    if (n < 3) return 0;
    if (p[2] == 0) {
      Refused();
      return 3;
    }
    logo_ = LogoState{};
    logo_.imagesLeft = p[2];
    mode_ = Mode::kLogo;
    return 3;
  }
  if (p[1] == kFsPrintLogo) {
    if (n < 4) return 0;
    const auto& logos = model_.settings.Logos();
    int xScale = 1;
    int yScale = 1;
    if (p[2] >= 1 && static_cast<std::size_t>(p[2]) <= logos.size() && ImageScale(p[3], xScale, yScale)) {
      printer_.Image(ScaleBitmap(BitmapFromLogo(logos[p[2] - 1U]), xScale, yScale));
      Done();
    } else {
      Refused();  // no such logo image, or a scale the printer does not have
    }
    return 4;
  }
  PrintData(p, 1);
  return 1;
}

std::size_t CommandInterpreter::ParseDle(const std::uint8_t* p, std::size_t n) {
  if (n < 2) return 0;
  switch (p[1]) {
    case kEot: {
      if (n < 3) return 0;
      if (auto status = model_.RealTimeStatus(p[2])) {
        host_.SendToHost({*status});
        Done();
        return 3;
      }
      break;
    }
    case kEnq:
      if (n < 3) return 0;
      if (p[2] == kEnqRecover || p[2] == kEnqRecoverClear) {
        if (model_.condition.recoverableError) {
          model_.condition.recoverableError = false;
          host_.ConditionChanged();
        }
        Done();
        return 3;
      }
      break;
    case kDc4: {
      if (n < 3) return 0;
      const std::uint8_t fn = p[2];
      if (fn == kDc4Battery) {
        if (n < 4) return 0;
        if (p[3] == kDc4BatteryStatus) {
          const auto battery = model_.BatteryBytes();
          host_.SendToHost({kBlockHeader, kReplyBattery, battery[0], battery[1], 0x00});
          Done();
        } else {
          Refused();
        }
        return 4;
      }
      if (fn == kDc4Pulse || fn == kDc4PowerOff) {
        if (n < kDc4ShortLength) return 0;
        Done();  // no drawer and no power switch to act on; taken and ignored
        return kDc4ShortLength;
      }
      if (fn == kDc4ClearBuffer) {
        if (n < kDc4ClearLength) return 0;
        Done();
        return kDc4ClearLength;
      }
      break;
    }
    default: break;
  }
  PrintData(p, 1);
  return 1;
}

std::size_t CommandInterpreter::ParseGs(const std::uint8_t* p, std::size_t n) {
  if (n < 2) return 0;
  if (const std::size_t length = FormattingCommandLength(kGs, p[1])) {
    if (n < length) return 0;
    Done();
    return length;
  }
  switch (p[1]) {
    case kGsCut: {
      if (n < 3) return 0;
      const std::uint8_t m = p[2];
      if (m == kCutFull || m == kCutFullAscii || m == kCutPartial || m == kCutPartialAscii) {
        CutPaper(m == kCutFull || m == kCutFullAscii);
        return 3;
      }
      if (m == kFeedCutFull || m == kFeedCutPartial) {
        if (n < 4) return 0;
        printer_.FeedDots(p[3]);
        CutPaper(m == kFeedCutFull);
        return 4;
      }
      Refused();
      return 3;
    }
    case kGsRaster:
      if (n < 3) return 0;
      if (p[2] != kRasterM) break;
      return ParseRasterImage(p, n);
    case kGsBarcode: return ParseBarcode(p, n);
    case kGsId: {
      if (n < 3) return 0;
      const int which = p[2];
      if (auto id = model_.IdByte(which)) {
        host_.SendToHost({*id});
        Done();
      } else if (auto text = model_.IdText(which)) {
        std::vector<std::uint8_t> reply{kIdTextHeader};
        reply.insert(reply.end(), text->begin(), text->end());
        reply.push_back(0x00);
        host_.SendToHost(std::move(reply));
        Done();
      } else {
        Refused();
      }
      return 3;
    }
    case kGsAsb:
      if (n < 3) return 0;
      asbMask_ = p[2] & kAsbItems;
      if (asbMask_ != 0) SendAsbBlock();
      Done();
      return 3;
    case kGsParen: {
      if (n < 5) return 0;
      const std::uint64_t length = p[3] | (static_cast<std::uint64_t>(p[4]) << 8);
      return ParseWithLength(p, n, 5, length, static_cast<char>(p[2]));
    }
    case kGsEight: {
      if (n < 3) return 0;
      if (p[2] != kGraphics) break;
      if (n < 7) return 0;
      const std::uint64_t length = p[3] | (static_cast<std::uint64_t>(p[4]) << 8) |
                                   (static_cast<std::uint64_t>(p[5]) << 16) |
                                   (static_cast<std::uint64_t>(p[6]) << 24);
      return ParseWithLength(p, n, 7, length, static_cast<char>(kGraphics));
    }
    default: break;
  }
  PrintData(p, 1);
  return 1;
}

std::size_t CommandInterpreter::ParseRasterImage(const std::uint8_t* p, std::size_t n) {
  if (n < kRasterHeader) return 0;
  const int widthBytes = p[4] | (p[5] << 8);
  const int height = p[6] | (p[7] << 8);
  const std::size_t total =
      kRasterHeader + static_cast<std::size_t>(widthBytes) * static_cast<std::size_t>(height);
  int xScale = 1;
  int yScale = 1;
  if (!ImageScale(p[3], xScale, yScale) || widthBytes < 1 || widthBytes > kMaxRasterWidthBytes || height < 1 ||
      height > kMaxRasterHeight) {
    // The size still tells where the data ends: read past it, print nothing.
    skipLeft_ = total;
    mode_ = Mode::kSkip;
    Refused();
    return 0;
  }
  if (n < total) return 0;
  Bitmap image;
  image.width = widthBytes * 8;
  image.height = height;
  image.rows.assign(p + kRasterHeader, p + total);
  printer_.Image(ScaleBitmap(image, xScale, yScale));
  Done();
  return total;
}

std::size_t CommandInterpreter::ParseBarcode(const std::uint8_t* p, std::size_t n) {
  if (n < 3) return 0;
  const std::uint8_t system = p[2];
  if (system <= kLastNulBarcode) {
    const std::size_t limit = std::min(n, 3 + kMaxBarcodeData + 1);
    const auto* end = std::find(p + 3, p + limit, 0x00);
    if (end == p + limit) {
      if (limit < 3 + kMaxBarcodeData + 1) return 0;  // the NUL may still come
      Refused();
      return 3;
    }
    printer_.Barcode(system, p + 3, static_cast<std::size_t>(end - (p + 3)));
    Done();
    return static_cast<std::size_t>(end - p) + 1;
  }
  if (system >= kFirstLengthBarcode && system <= kLastLengthBarcode) {
    if (n < 4) return 0;
    const std::size_t length = p[3];
    if (length == 0) {
      Refused();
      return 4;
    }
    if (n < 4 + length) return 0;
    printer_.Barcode(system, p + 4, length);
    Done();
    return 4 + length;
  }
  Refused();
  return 3;
}

void CommandInterpreter::CutPaper(bool full) {
  if (!model_.HasAutocutter()) {
    Refused();  // the variant without autocutter has nothing to cut with
    return;
  }
  printer_.Cut(full);
  Done();
}

std::size_t CommandInterpreter::ParseWithLength(const std::uint8_t* p, std::size_t n, std::size_t header,
                                                std::uint64_t length, char kind) {
  if (length > kMaxBufferedPayload) {
    // Too large for any memory of the printer: read past it without keeping it.
    skipLeft_ = header + length;
    mode_ = Mode::kSkip;
    Refused();
    return 0;
  }
  const std::size_t total = header + static_cast<std::size_t>(length);
  if (n < total) return 0;
  const std::uint8_t* payload = p + header;
  if (kind == static_cast<char>(kUserSetting)) {
    UserSetting(payload, static_cast<std::size_t>(length));
  } else if (kind == static_cast<char>(kGraphics)) {
    Graphics(payload, static_cast<std::size_t>(length));
  } else {
    Refused();  // a function group this printer does not have; its length tells where it ends
  }
  return total;
}

void CommandInterpreter::UserSetting(const std::uint8_t* payload, std::size_t length) {
  if (length < 1) {
    Refused();
    return;
  }
  NvSettings& settings = model_.settings;
  switch (payload[0]) {
    case kUsEnter:
      if (length == 3 && payload[1] == 'I' && payload[2] == 'N') {
        model_.userSettingMode = true;
        host_.SendToHost({kBlockHeader, kReplyUserMode, 0x00});
        Done();
        return;
      }
      break;
    case kUsEnd:
      if (length == 4 && payload[1] == 'O' && payload[2] == 'U' && payload[3] == 'T' && model_.userSettingMode) {
        model_.userSettingMode = false;
        Done();
        stopped_ = true;
        host_.RestartRequested();
        return;
      }
      break;
    case kUsSetSwitch: {
      if (!model_.userSettingMode || length < 1 + kSwitchGroup || (length - 1) % kSwitchGroup != 0) break;
      bool changed = false;
      bool allValid = true;
      for (std::size_t g = 1; g < length; g += kSwitchGroup) {
        const std::uint8_t* group = payload + g;
        const auto current = settings.MemorySwitch(group[0]);
        if (!current) {
          allValid = false;
          continue;
        }
        std::uint8_t bits = *current;
        bool valid = true;
        for (int i = 0; i < 8; ++i) {
          const std::uint8_t mask = static_cast<std::uint8_t>(1u << (7 - i));  // c8 first
          switch (group[1 + i]) {
            case '0': bits = static_cast<std::uint8_t>(bits & ~mask); break;
            case '1': bits = static_cast<std::uint8_t>(bits | mask); break;
            case '2': break;
            default: valid = false; break;
          }
        }
        if (!valid) {
          allValid = false;
          continue;  // a switch with a bad character is left as it was
        }
        if (bits != *current) {
          settings.SetMemorySwitch(group[0], bits);
          changed = true;
        }
      }
      if (changed) host_.SettingsChanged();
      allValid ? Done() : Refused();
      return;
    }
    case kUsReadSwitch:
      if (length == 2) {
        if (auto bits = settings.MemorySwitch(payload[1])) {
          std::vector<std::uint8_t> reply{kBlockHeader, kReplySwitch};
          for (int bit = 7; bit >= 0; --bit) reply.push_back((*bits >> bit) & 1 ? '1' : '0');
          reply.push_back(0x00);
          host_.SendToHost(std::move(reply));
          Done();
          return;
        }
      }
      break;
    case kUsSetValue: {
      if (!model_.userSettingMode || length < 1 + kValueGroup || (length - 1) % kValueGroup != 0) break;
      bool changed = false;
      bool allValid = true;
      for (std::size_t g = 1; g < length; g += kValueGroup) {
        const int number = payload[g];
        const int value = payload[g + 1] | (payload[g + 2] << 8);
        const auto before = settings.CustomizedValue(number);
        if (!settings.SetCustomizedValue(number, value)) {
          allValid = false;  // unknown number or value out of range: the value stays
          continue;
        }
        if (before != value) changed = true;
      }
      if (changed) host_.SettingsChanged();
      allValid ? Done() : Refused();
      return;
    }
    case kUsReadValue:
      if (length == 2) {
        if (auto value = settings.CustomizedValue(payload[1])) {
          std::vector<std::uint8_t> reply{kBlockHeader, kReplyValue};
          AppendDecimal(reply, payload[1]);
          reply.push_back(kSeparator);
          AppendDecimal(reply, static_cast<std::uint64_t>(*value));
          reply.push_back(0x00);
          host_.SendToHost(std::move(reply));
          Done();
          return;
        }
      }
      break;
    default: break;
  }
  Refused();
}

void CommandInterpreter::Graphics(const std::uint8_t* payload, std::size_t length) {
  if (length < 2 || payload[0] != kGraphicsM) {
    Refused();
    return;
  }
  NvSettings& settings = model_.settings;
  switch (payload[1]) {
    case kGrCapacity:
      if (length == 2) {
        std::vector<std::uint8_t> reply{kBlockHeader, kReplyCapacity};
        AppendDecimal(reply, settings.NvFree());
        reply.push_back(0x00);
        host_.SendToHost(std::move(reply));
        Done();
        return;
      }
      break;
    case kGrKeyList:
      if (length == 4 && payload[2] == 'K' && payload[3] == 'C') {
        keysToList_.clear();
        for (const auto& [key, image] : settings.NvImages()) keysToList_.push_back(key);
        SendKeyListBlock();
        Done();
        return;
      }
      break;
    case kGrDeleteAll:
      if (length == 5 && payload[2] == 'C' && payload[3] == 'L' && payload[4] == 'R') {
        if (!settings.NvImages().empty()) {
          settings.DeleteAllNvImages();
          host_.SettingsChanged();
        }
        Done();
        return;
      }
      break;
    case kGrDelete:
      if (length == 4 && IsValidKeyCode(payload[2], payload[3])) {
        if (settings.DeleteNvImage(MakeKey(payload[2], payload[3]))) host_.SettingsChanged();
        Done();
        return;
      }
      break;
    case kGrDefine: DefineGraphics(payload, length); return;
    case kGrPrint:
      if (length == 6 && IsValidKeyCode(payload[2], payload[3]) && (payload[4] == 1 || payload[4] == 2) &&
          (payload[5] == 1 || payload[5] == 2) && settings.NvImages().count(MakeKey(payload[2], payload[3]))) {
        const NvImage& stored = settings.NvImages().at(MakeKey(payload[2], payload[3]));
        printer_.Image(ScaleBitmap(Bitmap{stored.width, stored.height, stored.data}, payload[4], payload[5]));
        ++model_.counters.prints;
        Done();
        return;
      }
      break;
    default: break;
  }
  Refused();
}

void CommandInterpreter::DefineGraphics(const std::uint8_t* payload, std::size_t length) {
  if (length < kDefineHeader || payload[2] != kRasterTone || !IsValidKeyCode(payload[3], payload[4]) ||
      payload[5] != 1 || payload[10] != kColour1) {
    Refused();
    return;
  }
  const int width = payload[6] | (payload[7] << 8);
  const int height = payload[8] | (payload[9] << 8);
  if (width < 1 || width > kMaxGraphicsWidth || height < 1 || height > kMaxGraphicsHeight) {
    Refused();
    return;
  }
  const std::size_t dataSize = static_cast<std::size_t>((width + 7) / 8) * static_cast<std::size_t>(height);
  if (length != kDefineHeader + dataSize) {
    Refused();
    return;
  }
  NvImage image;
  image.width = width;
  image.height = height;
  image.data.assign(payload + kDefineHeader, payload + length);
  if (!model_.settings.DefineNvImage(MakeKey(payload[3], payload[4]), std::move(image))) {
    Refused();  // not enough room left
    return;
  }
  host_.SettingsChanged();
  Done();
}

void CommandInterpreter::SendKeyListBlock() {
  const std::size_t count = std::min(kKeysPerListBlock, keysToList_.size());
  const bool more = keysToList_.size() > count;
  std::vector<std::uint8_t> reply{kBlockHeader, kReplyKeyList, more ? kKeyListMore : kKeyListLast};
  for (std::size_t i = 0; i < count; ++i) {
    reply.push_back(static_cast<std::uint8_t>(keysToList_[i] >> 8));
    reply.push_back(static_cast<std::uint8_t>(keysToList_[i] & 0xFF));
  }
  reply.push_back(0x00);
  keysToList_.erase(keysToList_.begin(), keysToList_.begin() + static_cast<std::ptrdiff_t>(count));
  mode_ = more ? Mode::kAwaitAck : Mode::kNormal;
  host_.SendToHost(std::move(reply));
}

std::size_t CommandInterpreter::FeedLogo(const std::uint8_t* p, std::size_t n) {
  std::size_t used = 0;
  while (used < n && mode_ == Mode::kLogo) {
    if (logo_.dataLeft > 0) {
      const std::size_t take = std::min(n - used, logo_.dataLeft);
      if (!logo_.tooLarge) logo_.images.back().data.insert(logo_.images.back().data.end(), p + used, p + used + take);
      logo_.dataLeft -= take;
      used += take;
      if (logo_.dataLeft == 0 && --logo_.imagesLeft == 0) {
        if (logo_.tooLarge) {
          Refused();  // the earlier images stay
        } else if (model_.settings.SetLogos(std::move(logo_.images))) {
          host_.SettingsChanged();
          Done();
        } else {
          Refused();
        }
        logo_ = LogoState{};
        mode_ = Mode::kNormal;
      }
      continue;
    }
    logo_.header[static_cast<std::size_t>(logo_.headerHave++)] = p[used++];
    if (logo_.headerHave < 4) continue;
    logo_.headerHave = 0;
    const int x = logo_.header[0] | (logo_.header[1] << 8);
    const int y = logo_.header[2] | (logo_.header[3] << 8);
    if (x < 1 || x > kMaxLogoX || y < 1 || y > kMaxLogoY) {
      // A size the printer cannot take ends the command; what follows is read as usual
      // and the images defined before stay.
      Refused();
      logo_ = LogoState{};
      mode_ = Mode::kNormal;
      break;
    }
    const std::size_t size = static_cast<std::size_t>(x) * static_cast<std::size_t>(y) * 8;
    logo_.total += size;
    if (logo_.total > kLogoCapacity) {
      logo_.tooLarge = true;
      logo_.images.clear();
    }
    if (!logo_.tooLarge) logo_.images.push_back(LogoImage{x, y, {}});
    logo_.dataLeft = size;
  }
  return used;
}

void CommandInterpreter::OnConditionChanged() {
  if (asbMask_ == 0) return;
  const auto block = model_.AsbBlock();
  bool changed = false;
  for (const AsbItem& item : kAsbItemBits) {
    if (!(asbMask_ & item.enableBit)) continue;
    for (std::size_t i = 0; i < block.size(); ++i)
      if ((block[i] ^ lastAsb_[i]) & item.bits[i]) changed = true;
  }
  if (changed) SendAsbBlock();
}

void CommandInterpreter::SendAsbBlock() {
  lastAsb_ = model_.AsbBlock();
  host_.SendToHost(std::vector<std::uint8_t>(lastAsb_.begin(), lastAsb_.end()));
}

void CommandInterpreter::PrintData(const std::uint8_t* p, std::size_t count) {
  model_.counters.printData += count;
  printer_.PrintData(p, count);
}
void CommandInterpreter::Done() { ++model_.counters.commands; }
void CommandInterpreter::Refused() { ++model_.counters.ignoredCommands; }

}  // namespace sim
