#include "plugins/logo/NvGraphics.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "libs/printerinfo/PrinterQuery.h"
#include "platform/AtomicFile.h"
#include "platform/Folders.h"
#include "platform/Text.h"
#include "sdk/SettingBlocks.h"

namespace logo {
namespace {

constexpr std::uint8_t kGS = 0x1D;
constexpr std::uint8_t kGraphicsShort[] = {kGS, 0x28, 0x4C};  // GS ( L: 2-byte length
constexpr std::uint8_t kGraphicsLong[] = {kGS, 0x38, 0x4C};   // GS 8 L: 4-byte length
constexpr std::uint8_t kGraphicsM = 0x30;
constexpr std::uint8_t kFnDelete = 0x42;
constexpr std::uint8_t kFnDefine = 0x43;
constexpr std::uint8_t kFnPrint = 0x45;
constexpr std::uint8_t kRasterTone = 0x30;  // a = 48: monochrome
constexpr std::uint8_t kOneColour = 0x01;   // b
constexpr std::uint8_t kColour1 = 0x31;     // c
constexpr std::uint8_t kNormalScale = 0x01;
// m fn a kc1 kc2 b xL xH yL yH c: the parameters before the image data.
constexpr std::size_t kDefineParams = 11;
constexpr std::size_t kShortHead = 5;  // GS ( L pL pH
constexpr std::size_t kLongHead = 7;   // GS 8 L p1 p2 p3 p4
constexpr std::size_t kShortMax = 0xFFFF;

// Automatic numbering tries "01" .. "99" first.
constexpr int kFirstNumbered = 1;
constexpr int kLastNumbered = 99;

constexpr char16_t kCopiesFolder[] = u"LOGO";
constexpr char kCopySuffix[] = ".pbm";
constexpr std::size_t kMaxFolderName = 96;

void Append(std::vector<std::uint8_t>& out, std::initializer_list<std::uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

std::uint8_t Low(int value) { return static_cast<std::uint8_t>(value & 0xFF); }
std::uint8_t High(int value) { return static_cast<std::uint8_t>((value >> 8) & 0xFF); }

KeyCode MakeKey(std::uint8_t kc1, std::uint8_t kc2) { return static_cast<KeyCode>((kc1 << 8) | kc2); }
std::uint8_t Kc1(KeyCode key) { return static_cast<std::uint8_t>(key >> 8); }
std::uint8_t Kc2(KeyCode key) { return static_cast<std::uint8_t>(key & 0xFF); }

bool Unanswered(PrinterQuery::Status status) {
  return status == PrinterQuery::Status::kNoAnswer || status == PrinterQuery::Status::kIoError;
}

// A name safe as one folder level: letters, digits, '-' and '_' stay, everything else
// becomes "~" and its code in hex, so two printers never share a folder.
std::u16string FolderName(std::u16string_view text) {
  std::u16string name;
  for (const char16_t c : text) {
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-' ||
        c == u'_') {
      name.push_back(c);
    } else {
      static constexpr char16_t kHex[] = u"0123456789ABCDEF";
      name.push_back(u'~');
      for (int shift = 12; shift >= 0; shift -= 4) name.push_back(kHex[(c >> shift) & 0xF]);
    }
    if (name.size() >= kMaxFolderName) break;
  }
  return name;
}

// Clears the bits beyond the width in every row.
void ClearPadding(MonoBitmap& bitmap) {
  const int pad = static_cast<int>(bitmap.RowBytes() * 8) - bitmap.width;
  if (pad == 0) return;
  const auto mask = static_cast<std::uint8_t>(0xFF << pad);
  for (int y = 0; y < bitmap.height; ++y) bitmap.data[(static_cast<std::size_t>(y) + 1) * bitmap.RowBytes() - 1] &= mask;
}

}  // namespace

int PaperWidthDots(std::int32_t paperWidthSetting) {
  return paperWidthSetting == kPaperWidth58Value ? kPaper58Dots : kPaper80Dots;
}

MonoBitmap MonoBitmap::White(int width, int height) {
  MonoBitmap bitmap;
  if (width < 1 || height < 1) return bitmap;
  bitmap.width = width;
  bitmap.height = height;
  bitmap.data.assign(RasterBytes(width, height), 0);
  return bitmap;
}

bool MonoBitmap::Dot(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return false;
  return (data[static_cast<std::size_t>(y) * RowBytes() + static_cast<std::size_t>(x / 8)] & (0x80 >> (x % 8))) != 0;
}

void MonoBitmap::SetDot(int x, int y, bool black) {
  if (x < 0 || y < 0 || x >= width || y >= height) return;
  std::uint8_t& byte = data[static_cast<std::size_t>(y) * RowBytes() + static_cast<std::size_t>(x / 8)];
  const auto bit = static_cast<std::uint8_t>(0x80 >> (x % 8));
  byte = black ? static_cast<std::uint8_t>(byte | bit) : static_cast<std::uint8_t>(byte & ~bit);
}

std::size_t RasterBytes(int width, int height) {
  if (width < 1 || height < 1) return 0;
  return static_cast<std::size_t>((width + 7) / 8) * static_cast<std::size_t>(height);
}

bool IsValidKeyCode(KeyCode key) {
  return Kc1(key) >= kFirstKeyByte && Kc1(key) <= kLastKeyByte && Kc2(key) >= kFirstKeyByte &&
         Kc2(key) <= kLastKeyByte;
}

std::optional<KeyCode> ParseKeyCode(std::u16string_view text) {
  if (text.size() != 2) return std::nullopt;
  for (const char16_t c : text) {
    if (c < kFirstKeyByte || c > kLastKeyByte) return std::nullopt;
  }
  return MakeKey(static_cast<std::uint8_t>(text[0]), static_cast<std::uint8_t>(text[1]));
}

std::u16string KeyCodeText(KeyCode key) { return {static_cast<char16_t>(Kc1(key)), static_cast<char16_t>(Kc2(key))}; }

std::optional<KeyCode> NextFreeKeyCode(const std::vector<KeyCode>& used) {
  auto free = [&](KeyCode key) { return std::find(used.begin(), used.end(), key) == used.end(); };
  for (int n = kFirstNumbered; n <= kLastNumbered; ++n) {
    const KeyCode key = MakeKey(static_cast<std::uint8_t>('0' + n / 10), static_cast<std::uint8_t>('0' + n % 10));
    if (free(key)) return key;
  }
  for (int kc1 = kFirstKeyByte; kc1 <= kLastKeyByte; ++kc1) {
    for (int kc2 = kFirstKeyByte; kc2 <= kLastKeyByte; ++kc2) {
      const KeyCode key = MakeKey(static_cast<std::uint8_t>(kc1), static_cast<std::uint8_t>(kc2));
      if (free(key)) return key;
    }
  }
  return std::nullopt;
}

std::vector<std::uint8_t> DefineCommand(KeyCode key, const MonoBitmap& bitmap) {
  const std::size_t length = kDefineParams + bitmap.data.size();
  std::vector<std::uint8_t> out;
  out.reserve(kLongHead + length);
  if (length <= kShortMax) {
    out.assign(std::begin(kGraphicsShort), std::end(kGraphicsShort));
    Append(out, {static_cast<std::uint8_t>(length & 0xFF), static_cast<std::uint8_t>(length >> 8)});
  } else {
    out.assign(std::begin(kGraphicsLong), std::end(kGraphicsLong));
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>((length >> shift) & 0xFF));
  }
  Append(out, {kGraphicsM, kFnDefine, kRasterTone, Kc1(key), Kc2(key), kOneColour, Low(bitmap.width),
               High(bitmap.width), Low(bitmap.height), High(bitmap.height), kColour1});
  out.insert(out.end(), bitmap.data.begin(), bitmap.data.end());
  return out;
}

std::vector<std::uint8_t> DeleteCommand(KeyCode key) {
  return {kGS, 0x28, 0x4C, 0x04, 0x00, kGraphicsM, kFnDelete, Kc1(key), Kc2(key)};
}

std::vector<std::uint8_t> DeleteAllCommand() { return {kGS, 0x28, 0x4C, 0x05, 0x00, kGraphicsM, 0x41, 'C', 'L', 'R'}; }

std::vector<std::uint8_t> PrintCommand(KeyCode key) {
  return {kGS, 0x28, 0x4C, 0x06, 0x00, kGraphicsM, kFnPrint, Kc1(key), Kc2(key), kNormalScale, kNormalScale};
}

std::vector<std::uint8_t> FeedAndCutCommand() { return {kGS, 0x56, 0x42, 0x00}; }

LogoFit CheckLogoFits(const MonoBitmap& bitmap, int paperDots, std::optional<std::uint64_t> freeBytes) {
  if (bitmap.width > std::min(paperDots, kMaxWidthDots)) return LogoFit::kTooWide;
  if (bitmap.height > kMaxHeightDots) return LogoFit::kTooTall;
  if (freeBytes && RasterBytes(bitmap.width, bitmap.height) > *freeBytes) return LogoFit::kTooLargeForMemory;
  return LogoFit::kOk;
}

std::vector<std::uint8_t> BuildLogoFile(const std::vector<StoredLogo>& logos) {
  std::vector<std::uint8_t> out;
  for (const StoredLogo& logo : logos) {
    const std::vector<std::uint8_t> command = DefineCommand(logo.key, logo.bitmap);
    out.insert(out.end(), command.begin(), command.end());
  }
  return out;
}

bool ParseLogoFile(const std::uint8_t* data, std::size_t size, std::vector<StoredLogo>& logos) {
  std::vector<StoredLogo> parsed;
  std::size_t pos = 0;
  while (pos < size) {
    const std::size_t left = size - pos;
    const std::uint8_t* command = data + pos;
    std::size_t head = 0;
    std::uint64_t length = 0;
    if (left >= kShortHead && std::equal(std::begin(kGraphicsShort), std::end(kGraphicsShort), command)) {
      head = kShortHead;
      length = command[3] | (command[4] << 8);
    } else if (left >= kLongHead && std::equal(std::begin(kGraphicsLong), std::end(kGraphicsLong), command)) {
      head = kLongHead;
      for (int i = 3; i >= 0; --i) length = (length << 8) | command[3 + i];
    } else {
      return false;
    }
    if (length < kDefineParams || left - head < length) return false;
    const std::uint8_t* p = command + head;
    if (p[0] != kGraphicsM || p[1] != kFnDefine || p[2] != kRasterTone || p[5] != kOneColour || p[10] != kColour1) {
      return false;
    }
    const KeyCode key = MakeKey(p[3], p[4]);
    const int width = p[6] | (p[7] << 8);
    const int height = p[8] | (p[9] << 8);
    if (!IsValidKeyCode(key) || width < 1 || width > kMaxWidthDots || height < 1 || height > kMaxHeightDots ||
        length != kDefineParams + RasterBytes(width, height)) {
      return false;
    }
    StoredLogo logo{key, MonoBitmap::White(width, height)};
    std::copy_n(p + kDefineParams, logo.bitmap.data.size(), logo.bitmap.data.begin());
    ClearPadding(logo.bitmap);
    auto same = std::find_if(parsed.begin(), parsed.end(), [&](const StoredLogo& l) { return l.key == key; });
    if (same != parsed.end()) {
      same->bitmap = std::move(logo.bitmap);
    } else {
      parsed.push_back(std::move(logo));
    }
    pos += head + static_cast<std::size_t>(length);
  }
  logos = std::move(parsed);
  return true;
}

bool ReadLogoFile(std::u16string_view path, std::vector<StoredLogo>& logos) {
  if (!plat::PathExists(path)) {
    logos.clear();
    return true;
  }
  std::error_code error;
  const std::filesystem::path file(plat::ToUtf8(path));
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  if (error || !std::filesystem::is_regular_file(file, error)) return false;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  FILE* stream = std::fopen(file.c_str(), "rb");
  if (stream == nullptr) return false;
  const std::size_t read = std::fread(bytes.data(), 1, bytes.size(), stream);
  std::fclose(stream);
  if (read != bytes.size()) return false;
  return ParseLogoFile(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), logos);
}

bool WriteLogoFile(std::u16string_view path, const std::vector<StoredLogo>& logos) {
  if (logos.empty()) return !plat::PathExists(path) || plat::RemoveFile(path);
  const std::vector<std::uint8_t> bytes = BuildLogoFile(logos);
  return plat::ReplaceFileAtomically(plat::ToUtf8(path),
                                     std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

LogoCopies::LogoCopies(std::u16string_view dataFolder, std::u16string_view serial, std::u16string_view portName,
                       std::u16string_view deviceName) {
  std::u16string printer;
  if (!serial.empty()) {
    printer = u"S_" + FolderName(serial);
  } else {
    printer = u"P_" + FolderName(std::u16string(portName) + u"|" + std::u16string(deviceName));
  }
  folder_ = plat::JoinPath(plat::JoinPath(dataFolder, kCopiesFolder), printer);
}

std::u16string LogoCopies::PathOf(KeyCode key) const {
  static constexpr char16_t kHex[] = u"0123456789ABCDEF";
  std::u16string name{kHex[Kc1(key) >> 4], kHex[Kc1(key) & 0xF], kHex[Kc2(key) >> 4], kHex[Kc2(key) & 0xF]};
  return plat::JoinPath(folder_, name + plat::FromUtf8(kCopySuffix));
}

bool LogoCopies::Save(KeyCode key, const MonoBitmap& bitmap) const {
  std::error_code error;
  std::filesystem::create_directories(plat::ToUtf8(folder_), error);
  if (!plat::FolderExists(folder_)) return false;
  return plat::ReplaceFileAtomically(plat::ToUtf8(PathOf(key)), EncodePbm(bitmap));
}

std::optional<MonoBitmap> LogoCopies::Load(KeyCode key) const {
  const std::u16string path = PathOf(key);
  if (!plat::FileExists(path)) return std::nullopt;
  FILE* stream = std::fopen(plat::ToUtf8(path).c_str(), "rb");
  if (stream == nullptr) return std::nullopt;
  std::string bytes;
  char buffer[4096];
  std::size_t n = 0;
  // A copy is never larger than the printer's largest image and its header.
  constexpr std::size_t kMaxCopy = (kMaxWidthDots / 8) * kMaxHeightDots + 64;
  while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0 && bytes.size() <= kMaxCopy) bytes.append(buffer, n);
  std::fclose(stream);
  return DecodePbm(bytes);
}

void LogoCopies::Remove(KeyCode key) const { plat::RemoveFile(PathOf(key)); }

void LogoCopies::KeepOnly(const std::vector<KeyCode>& keys) const {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(plat::ToUtf8(folder_), error)) {
    const std::string name = entry.path().filename().string();
    if (name.size() != 4 + sizeof kCopySuffix - 1 || name.substr(4) != kCopySuffix) continue;
    const unsigned long value = std::strtoul(name.substr(0, 4).c_str(), nullptr, 16);
    if (std::find(keys.begin(), keys.end(), static_cast<KeyCode>(value)) == keys.end()) {
      plat::RemoveFile(plat::FromUtf8(entry.path().string()));
    }
  }
}

std::string EncodePbm(const MonoBitmap& bitmap) {
  std::string out = "P4\n" + std::to_string(bitmap.width) + " " + std::to_string(bitmap.height) + "\n";
  out.append(bitmap.data.begin(), bitmap.data.end());
  return out;
}

std::optional<MonoBitmap> DecodePbm(std::string_view bytes) {
  std::size_t pos = 0;
  auto skipSpace = [&] {
    while (pos < bytes.size()) {
      if (bytes[pos] == '#') {
        while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
      } else if (bytes[pos] == ' ' || bytes[pos] == '\n' || bytes[pos] == '\r' || bytes[pos] == '\t') {
        ++pos;
      } else {
        return;
      }
    }
  };
  auto number = [&]() -> int {
    skipSpace();
    long value = 0;
    const std::size_t start = pos;
    while (pos < bytes.size() && bytes[pos] >= '0' && bytes[pos] <= '9' && value <= kMaxWidthDots) {
      value = value * 10 + (bytes[pos++] - '0');
    }
    return pos == start ? -1 : static_cast<int>(value);
  };
  if (bytes.substr(0, 2) != "P4") return std::nullopt;
  pos = 2;
  const int width = number();
  const int height = number();
  if (width < 1 || width > kMaxWidthDots || height < 1 || height > kMaxHeightDots) return std::nullopt;
  if (pos >= bytes.size()) return std::nullopt;
  ++pos;  // the one white space character before the data
  MonoBitmap bitmap = MonoBitmap::White(width, height);
  if (bytes.size() - pos != bitmap.data.size()) return std::nullopt;
  std::copy_n(bytes.data() + pos, bitmap.data.size(), bitmap.data.begin());
  ClearPadding(bitmap);
  return bitmap;
}

PrinterOutcome ReadPrinterLogos(IXJComm* comm, PrinterLogos& out) {
  PrinterQuery query(comm);
  bool complete = true;
  std::vector<KeyCode> keys;
  PrinterQuery::Status status = query.ReadNvKeyCodes(&keys);
  if (Unanswered(status)) return PrinterOutcome::kNoAnswer;
  if (status == PrinterQuery::Status::kOk) {
    out.keys = std::move(keys);
  } else {
    complete = false;
  }
  std::uint32_t capacity = 0;
  status = query.ReadNvGraphicsCapacity(&capacity);
  if (Unanswered(status)) return PrinterOutcome::kNoAnswer;
  if (status == PrinterQuery::Status::kOk) {
    out.freeBytes = capacity;
  } else {
    complete = false;
  }
  std::optional<std::uint32_t> width;
  status = query.ReadCustomizedValue(kPaperWidthSetting, &width);
  if (Unanswered(status)) return PrinterOutcome::kNoAnswer;
  if (status == PrinterQuery::Status::kOk && width) {
    out.paperWidth = static_cast<std::int32_t>(*width);
  } else {
    complete = false;
  }
  return complete ? PrinterOutcome::kOk : PrinterOutcome::kIncomplete;
}

PrinterOutcome RegisterLogo(IXJComm* comm, KeyCode key, const MonoBitmap& bitmap, PrinterLogos& after) {
  PrinterQuery query(comm);
  if (Unanswered(query.SendCommand(DefineCommand(key, bitmap)))) return PrinterOutcome::kNoAnswer;
  const PrinterOutcome read = ReadPrinterLogos(comm, after);
  if (read == PrinterOutcome::kNoAnswer) return read;
  const bool listed = std::find(after.keys.begin(), after.keys.end(), key) != after.keys.end();
  return listed && read == PrinterOutcome::kOk ? PrinterOutcome::kOk : PrinterOutcome::kIncomplete;
}

PrinterOutcome DeleteLogos(IXJComm* comm, std::optional<KeyCode> key, PrinterLogos& after) {
  PrinterQuery query(comm);
  if (Unanswered(query.SendCommand(key ? DeleteCommand(*key) : DeleteAllCommand()))) return PrinterOutcome::kNoAnswer;
  const PrinterOutcome read = ReadPrinterLogos(comm, after);
  if (read == PrinterOutcome::kNoAnswer) return read;
  const bool gone = key ? std::find(after.keys.begin(), after.keys.end(), *key) == after.keys.end() : after.keys.empty();
  return gone && read == PrinterOutcome::kOk ? PrinterOutcome::kOk : PrinterOutcome::kIncomplete;
}

PrinterOutcome PrintLogo(IXJComm* comm, KeyCode key, int copies) {
  std::vector<std::uint8_t> commands;
  for (int i = 0; i < copies; ++i) {
    const std::vector<std::uint8_t> print = PrintCommand(key);
    const std::vector<std::uint8_t> cut = FeedAndCutCommand();
    commands.insert(commands.end(), print.begin(), print.end());
    commands.insert(commands.end(), cut.begin(), cut.end());
  }
  PrinterQuery query(comm);
  if (Unanswered(query.SendCommand(commands))) return PrinterOutcome::kNoAnswer;
  // The printer answers nothing to printing; a request behind it shows that it is
  // still there and has read the commands.
  std::uint32_t capacity = 0;
  const PrinterQuery::Status status = query.ReadNvGraphicsCapacity(&capacity);
  if (Unanswered(status)) return PrinterOutcome::kNoAnswer;
  return status == PrinterQuery::Status::kOk ? PrinterOutcome::kOk : PrinterOutcome::kIncomplete;
}

}  // namespace logo
