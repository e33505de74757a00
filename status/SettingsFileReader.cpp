#include "status/SettingsFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/Text.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"
#include "status/PrinterSettingsFile.h"

namespace {

// Header fields (PrinterSettingsFile.h).
constexpr std::size_t kHeaderSizeOffset = 0;
constexpr std::size_t kFormatOffset = 2;
constexpr std::uint8_t kFormat = 1;
constexpr std::size_t kModelOffset = 4;
constexpr std::size_t kModelField = 30;
constexpr std::size_t kTimeOffset = 68;
constexpr std::size_t kTimeField = 20;
constexpr std::size_t kLogoKindOffset = 120;
constexpr std::size_t kCommandsPresentOffset = 121;
constexpr std::size_t kLogoLengthOffset = 124;
constexpr std::size_t kCommandLengthOffset = 128;
constexpr std::size_t kChecksumOffset = 136;

// GS ( E: 1D 28 45 pL pH fn, then pL + 256 pH - 1 parameter bytes.
constexpr std::uint8_t kUserSettingCommand[] = {0x1D, 0x28, 0x45};
constexpr std::size_t kCommandHead = 5;  // GS ( E pL pH
constexpr std::uint8_t kFnEnter = 1;
constexpr std::uint8_t kFnLeave = 2;
constexpr std::uint8_t kFnSetSwitch = 3;
constexpr std::uint8_t kFnSetValue = 5;
constexpr std::size_t kValueGroup = 3;   // a nL nH
constexpr std::size_t kSwitchGroup = 9;  // a c8 .. c1
constexpr std::uint8_t kDeleteAllGraphics[kLogoPrefixSize] = {0x1D, 0x28, 0x4C, 0x05, 0x00,
                                                              0x30, 0x41, 0x43, 0x4C, 0x52};
// The smallest logo file the writer takes.
constexpr std::size_t kMinLogoFile = 3;

std::uint16_t ReadLE16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

// A text field up to its line end or first zero byte.
std::string HeaderText(const std::uint8_t* field, std::size_t capacity) {
  std::string text;
  for (std::size_t i = 0; i < capacity && field[i] != 0 && field[i] != '\r' && field[i] != '\n'; ++i) {
    text.push_back(static_cast<char>(field[i]));
  }
  return text;
}

bool Equals(const std::uint8_t* data, std::string_view expected) {
  return std::memcmp(data, expected.data(), expected.size()) == 0;
}

void SetValue(SettingsFileContents& out, std::uint8_t number, std::uint16_t value) {
  for (FileCustomValue& earlier : out.values) {
    if (earlier.number == number) {
      earlier.value = value;
      return;
    }
  }
  out.values.push_back({number, value});
}

void SetSwitch(SettingsFileContents& out, std::uint8_t number, const std::array<char, 8>& bits) {
  for (FileMemorySwitch& earlier : out.switches) {
    if (earlier.number != number) continue;
    for (std::size_t i = 0; i < bits.size(); ++i) {
      if (bits[i] != kSwitchUnchanged) earlier.bits[i] = bits[i];
    }
    return;
  }
  out.switches.push_back({number, bits});
}

// The command block must be: enter user setting mode, any number of customized value
// and memory switch commands, leave user setting mode, nothing else. Leaving restarts
// the printer, so a block that does not end with it would leave the printer in user
// setting mode; anything else could do what the list shown to the user does not say.
bool ParseCommands(const std::vector<std::uint8_t>& block, SettingsFileContents& out) {
  std::size_t pos = 0;
  bool entered = false;
  bool left = false;
  while (pos < block.size()) {
    if (left) return false;
    if (block.size() - pos < kCommandHead + 1) return false;
    const std::uint8_t* command = block.data() + pos;
    if (std::memcmp(command, kUserSettingCommand, sizeof kUserSettingCommand) != 0) return false;
    const std::size_t length = ReadLE16(command + 3);
    if (length < 1 || block.size() - pos - kCommandHead < length) return false;
    const std::uint8_t fn = command[kCommandHead];
    const std::uint8_t* params = command + kCommandHead + 1;
    const std::size_t paramLength = length - 1;
    switch (fn) {
      case kFnEnter:
        if (pos != 0 || paramLength != 2 || !Equals(params, "IN")) return false;
        entered = true;
        break;
      case kFnLeave:
        if (!entered || paramLength != 3 || !Equals(params, "OUT")) return false;
        left = true;
        break;
      case kFnSetValue:
        if (!entered || paramLength == 0 || paramLength % kValueGroup != 0) return false;
        for (std::size_t g = 0; g < paramLength; g += kValueGroup) SetValue(out, params[g], ReadLE16(params + g + 1));
        break;
      case kFnSetSwitch:
        if (!entered || paramLength == 0 || paramLength % kSwitchGroup != 0) return false;
        for (std::size_t g = 0; g < paramLength; g += kSwitchGroup) {
          std::array<char, 8> bits{};
          for (std::size_t i = 0; i < bits.size(); ++i) {
            const char c = static_cast<char>(params[g + 1 + i]);
            if (c != kSwitchOff && c != kSwitchOn && c != kSwitchUnchanged) return false;
            bits[i] = c;
          }
          SetSwitch(out, params[g], bits);
        }
        break;
      default: return false;
    }
    pos += kCommandHead + length;
  }
  return entered && left;
}

SettingsFileCheck Parse(const std::uint8_t* data, std::size_t size, SettingsFileContents& out) {
  if (size > kMaxSettingsFileSize) return SettingsFileCheck::kTooLarge;
  if (data == nullptr || size < kSettingsFileHeaderSize) return SettingsFileCheck::kTooShort;
  if (ReadLE16(data + kHeaderSizeOffset) != kSettingsFileHeaderSize || data[kFormatOffset] != kFormat) {
    return SettingsFileCheck::kBadHeader;
  }
  const std::uint8_t logoKind = data[kLogoKindOffset];
  const std::uint8_t commandsPresent = data[kCommandsPresentOffset];
  const std::uint64_t logoLength = ReadLE32(data + kLogoLengthOffset);
  const std::uint64_t commandLength = ReadLE32(data + kCommandLengthOffset);
  if (logoKind > kLogoKindNvBitImage || commandsPresent > 1 || commandLength > kCommandBlockMax ||
      (logoKind == kLogoKindNone) != (logoLength == 0) || (commandsPresent == 1) != (commandLength > 0)) {
    return SettingsFileCheck::kBadHeader;
  }
  if (kSettingsFileHeaderSize + logoLength + commandLength != size) return SettingsFileCheck::kLengthMismatch;
  const std::uint8_t* dataPart = data + kSettingsFileHeaderSize;
  if (SettingsFileCrc32(dataPart, size - kSettingsFileHeaderSize) != ReadLE32(data + kChecksumOffset)) {
    return SettingsFileCheck::kBadChecksum;
  }
  if (logoLength > 0) {
    if (logoLength < kLogoPrefixSize + kMinLogoFile ||
        std::memcmp(dataPart, kDeleteAllGraphics, kLogoPrefixSize) != 0 ||
        LogoKindOf(dataPart + kLogoPrefixSize, logoLength - kLogoPrefixSize) != logoKind) {
      return SettingsFileCheck::kBadLogo;
    }
  }
  if (logoLength == 0 && commandLength == 0) return SettingsFileCheck::kBadCommands;  // nothing to send

  out.modelName = HeaderText(data + kModelOffset, kModelField);
  out.savedAt = HeaderText(data + kTimeOffset, kTimeField);
  out.logoKind = logoKind;
  out.logoBlock.assign(dataPart, dataPart + logoLength);
  out.commandBlock.assign(dataPart + logoLength, data + size);
  if (!out.commandBlock.empty() && !ParseCommands(out.commandBlock, out)) return SettingsFileCheck::kBadCommands;
  return SettingsFileCheck::kOk;
}

}  // namespace

SettingsFileCheck ParseSettingsFile(const std::uint8_t* data, std::size_t size, SettingsFileContents& out) {
  SettingsFileContents contents;
  SettingsFileCheck result = SettingsFileCheck::kTooLarge;
  try {
    result = Parse(data, size, contents);
  } catch (const std::bad_alloc&) {
    result = SettingsFileCheck::kTooLarge;
  }
  out = result == SettingsFileCheck::kOk ? std::move(contents) : SettingsFileContents{};
  return result;
}

SettingsFileCheck ReadSettingsFile(std::u16string_view path, SettingsFileContents& out) {
  out = SettingsFileContents{};
  const int fd = open(plat::ToUtf8(path).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return SettingsFileCheck::kCannotRead;
  struct stat info {};
  SettingsFileCheck result = SettingsFileCheck::kOk;
  std::vector<std::uint8_t> bytes;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    result = SettingsFileCheck::kCannotRead;
  } else if (static_cast<std::uint64_t>(info.st_size) > kMaxSettingsFileSize) {
    result = SettingsFileCheck::kTooLarge;
  } else {
    bytes.resize(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    // A file that shrank while it was read is taken as it was read; the check finds it
    // cut off.
    bytes.resize(done);
    if (done == 0 && info.st_size > 0) result = SettingsFileCheck::kCannotRead;
  }
  close(fd);
  if (result != SettingsFileCheck::kOk) return result;
  return ParseSettingsFile(bytes.data(), bytes.size(), out);
}

std::u16string_view SettingsFileCheckText(SettingsFileCheck check) {
  switch (check) {
    case SettingsFileCheck::kOk: return u"";
    case SettingsFileCheck::kCannotRead: return u"The file cannot be read.";
    case SettingsFileCheck::kTooLarge: return u"The file is too large to be a settings file.";
    case SettingsFileCheck::kTooShort: return u"The file is too short to be a settings file.";
    case SettingsFileCheck::kBadHeader: return u"The file is not a settings file.";
    case SettingsFileCheck::kLengthMismatch:
      return u"The file is incomplete or has extra data: its size does not match its header.";
    case SettingsFileCheck::kBadChecksum: return u"The file is damaged: its checksum does not match.";
    case SettingsFileCheck::kBadLogo: return u"The logo data in the file is damaged.";
    case SettingsFileCheck::kBadCommands:
      return u"The file holds other commands than printer settings, or they are cut off.";
  }
  return u"";
}
