#include "status/PrinterSettingsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"
#include "platform/AtomicFile.h"
#include "platform/Text.h"

namespace {

constexpr std::uint8_t kGS = 0x1D;
constexpr std::uint8_t kFS = 0x1C;

// Delete every NV graphic (key "CLR") before a logo is stored again.
constexpr std::uint8_t kDeleteAllGraphics[kLogoPrefixSize] = {0x1D, 0x28, 0x4C, 0x05, 0x00,
                                                              0x30, 0x41, 0x43, 0x4C, 0x52};
// Copies a block of the manager; false when it is missing, was never filled or is
// smaller than needed (the size in its header says how much was stored).
bool ReadBlock(const IPluginDataMgr& manager, std::uint32_t id, std::int32_t size, std::vector<std::uint8_t>& block) {
  if (manager.FindBlock(id) == kSettingNotFound) return false;
  block.assign(static_cast<std::size_t>(size), 0);
  if (manager.GetData(id, block.data(), size) != kSettingOk) return false;
  return static_cast<std::int64_t>(ReadLE32(block.data() + kBlockSizeOffset)) >= size;
}

char FlagChar(const std::vector<std::uint8_t>& block, std::size_t offset) {
  return ReadLE32(block.data() + offset) != 0 ? kSwitchOn : kSwitchOff;
}

// A failure of the file system: the code of the step, or kSettingsFileNoPath when the
// cause is a file or folder that does not exist.
SettingsFileResult SystemFailure(SettingsFileResult code, int error) {
  return error == ENOENT ? kSettingsFileNoPath : code;
}

bool ReadWholeFile(int fd, std::vector<std::uint8_t>& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = read(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Reads the logo file; kSettingsFileOk and its bytes, or the failure.
SettingsFileResult ReadLogoFile(const std::string& path, std::vector<std::uint8_t>& logo) {
  errno = 0;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return SystemFailure(kSettingsFileCannotOpenLogo, errno);
  struct stat info {};
  SettingsFileResult result = kSettingsFileOk;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    result = SystemFailure(kSettingsFileReadError, errno);
  } else if (static_cast<std::uint64_t>(info.st_size) > 0xFFFFFFFFull - kLogoPrefixSize) {
    result = kSettingsFileNoMemory;  // its length would not fit the header
  } else {
    try {
      logo.assign(static_cast<std::size_t>(info.st_size), 0);
      if (!ReadWholeFile(fd, logo)) result = SystemFailure(kSettingsFileReadError, errno);
    } catch (const std::bad_alloc&) {
      result = kSettingsFileNoMemory;
    }
  }
  close(fd);
  return result;
}

void PutText(std::uint8_t* field, std::size_t capacity, std::string_view text) {
  std::memcpy(field, text.data(), std::min(text.size(), capacity));
}

}  // namespace

int LogoKindOf(const std::uint8_t* data, std::size_t size) {
  if (data == nullptr || size < 3) return kLogoKindInvalid;
  if (data[0] == kGS && (data[1] == 0x28 || data[1] == 0x38) && data[2] == 0x4C) return kLogoKindGraphics;
  if (data[0] == kFS && data[1] == 0x71) return kLogoKindNvBitImage;
  return kLogoKindInvalid;
}

SettingsFileResult BuildSettingsCommandBlock(const IPluginDataMgr& manager, std::vector<std::uint8_t>& out) {
  out.clear();
  // A printer whose paper width is fixed gets no paper width setting.
  bool omitPaperWidth = false;
  std::vector<std::uint8_t> info;
  if (ReadBlock(manager, kPrinterInfoBlockId, kPrinterInfoBlockSize, info)) {
    omitPaperWidth = ReadLE32(info.data() + kInfoOmitPaperWidthOffset) == 1;
  }

  out.insert(out.end(), std::begin(kEnterUserSettingCommand), std::end(kEnterUserSettingCommand));
  std::vector<std::uint8_t> block;
  for (const CustomValueField& field : kCustomValueFields) {
    if (!ReadBlock(manager, field.blockId, field.blockSize, block)) {
      out.clear();
      return kSettingsFileReadError;
    }
    if (field.number == kPaperWidthSetting && omitPaperWidth) continue;
    const std::uint8_t* p = block.data() + field.offset;
    AppendCustomValueCommand(out, field.number, static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
  }

  if (!ReadBlock(manager, kModelOptionsBlockId, kModelOptionsBlockSize, block)) {
    out.clear();
    return kSettingsFileReadError;
  }
  for (const MemorySwitchField& field : kMemorySwitchFields) {
    std::array<char, 8> bits{};
    for (std::size_t i = 0; i < bits.size(); ++i) {
      bits[i] = field.offsets[i] == 0 ? kSwitchUnchanged : FlagChar(block, field.offsets[i]);
    }
    AppendMemorySwitchCommand(out, field.number, bits);
  }

  out.insert(out.end(), std::begin(kLeaveUserSettingCommand), std::end(kLeaveUserSettingCommand));
  return kSettingsFileOk;
}

std::uint32_t SettingsFileCrc32(const std::uint8_t* data, std::size_t size) {
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) {
    crc ^= static_cast<std::uint32_t>(data[i]) << 24;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
  }
  return crc ^ 0xFFFFFFFFu;
}

SettingsFileResult BuildSettingsFile(const IPluginDataMgr& manager, const std::vector<std::uint8_t>* logo,
                                     std::u16string_view modelName, const std::tm& localTime,
                                     std::vector<std::uint8_t>& out) {
  out.clear();
  int logoKind = kLogoKindNone;
  if (logo != nullptr) {
    logoKind = LogoKindOf(logo->data(), logo->size());
    if (logoKind == kLogoKindInvalid) return kSettingsFileBadLogo;
  }
  std::vector<std::uint8_t> commands;
  if (const SettingsFileResult rc = BuildSettingsCommandBlock(manager, commands); rc != kSettingsFileOk) return rc;
  if (commands.size() > kCommandBlockMax) return kSettingsFileReadError;

  const std::size_t logoLength = logo != nullptr ? logo->size() + kLogoPrefixSize : 0;
  try {
    out.assign(kSettingsFileHeaderSize, 0);
    out.reserve(kSettingsFileHeaderSize + logoLength + commands.size());
  } catch (const std::bad_alloc&) {
    return kSettingsFileNoMemory;
  }
  if (logo != nullptr) {
    out.insert(out.end(), std::begin(kDeleteAllGraphics), std::end(kDeleteAllGraphics));
    out.insert(out.end(), logo->begin(), logo->end());
  }
  out.insert(out.end(), commands.begin(), commands.end());

  std::uint8_t* h = out.data();
  h[0] = static_cast<std::uint8_t>(kSettingsFileHeaderSize & 0xFF);
  h[1] = static_cast<std::uint8_t>(kSettingsFileHeaderSize >> 8);
  h[2] = 1;
  // The model name as 8-bit text; what has no 8-bit form becomes '?'. It keeps room for
  // its line end inside the 30-byte field.
  std::string model;
  for (const char16_t c : modelName) {
    if (model.size() >= 28) break;
    model += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
  }
  PutText(h + 4, 30, model + "\r\n");
  PutText(h + 36, 30, "\r\n");
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%02d/%02d/%04d %02d:%02d\r\n", localTime.tm_mon + 1, localTime.tm_mday,
                localTime.tm_year + 1900, localTime.tm_hour, localTime.tm_min);
  PutText(h + 68, 20, stamp);
  h[120] = static_cast<std::uint8_t>(logoKind);
  h[121] = 1;
  WriteLE32(h + 124, static_cast<std::uint32_t>(logoLength));
  WriteLE32(h + 128, static_cast<std::uint32_t>(commands.size()));
  WriteLE32(h + 136, SettingsFileCrc32(h + kSettingsFileHeaderSize, out.size() - kSettingsFileHeaderSize));
  return kSettingsFileOk;
}

SettingsFileResult WriteSettingsFile(const IPluginDataMgr& manager, const char16_t* logoPath,
                                     std::u16string_view modelName, std::u16string_view outputPath) {
  if (outputPath.empty()) return kSettingsFileNoPath;

  std::vector<std::uint8_t> logo;
  const bool hasLogo = logoPath != nullptr && logoPath[0] != 0;
  if (hasLogo) {
    if (const SettingsFileResult rc = ReadLogoFile(plat::ToUtf8(logoPath), logo); rc != kSettingsFileOk) return rc;
  }

  const std::time_t now = std::time(nullptr);
  std::tm local {};
  localtime_r(&now, &local);
  std::vector<std::uint8_t> file;
  if (const SettingsFileResult rc = BuildSettingsFile(manager, hasLogo ? &logo : nullptr, modelName, local, file);
      rc != kSettingsFileOk) {
    return rc;
  }

  // The file appears complete or not at all: written beside its final place, then
  // renamed over it.
  plat::ReplaceFailure failure = plat::ReplaceFailure::kNone;
  errno = 0;
  if (!plat::ReplaceFileAtomically(plat::ToUtf8(outputPath),
                                   std::string_view(reinterpret_cast<const char*>(file.data()), file.size()),
                                   &failure)) {
    return SystemFailure(failure == plat::ReplaceFailure::kWrite ? kSettingsFileWriteError : kSettingsFileCannotCreate,
                         errno);
  }
  return kSettingsFileOk;
}
