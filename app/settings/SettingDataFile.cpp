#include "app/settings/SettingDataFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/settings/PluginDataMgr.h"
#include "platform/AtomicFile.h"
#include "platform/Folders.h"
#include "platform/Text.h"

namespace {

// Closes a descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() { Close(); }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  // Closes now; false when the close reported an error (data may not have been written).
  bool Close() {
    if (fd_ < 0) return true;
    const int rc = ::close(fd_);
    fd_ = -1;
    return rc == 0;
  }

 private:
  int fd_;
};

// Reads up to size bytes; returns the count read (short only at the end of the file),
// or -1 on an I/O error.
long long ReadFully(int fd, std::uint8_t* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::read(fd, buffer + done, size - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  return static_cast<long long>(done);
}

// Reads the blocks that follow the file header. Returns a result code; the caller
// removes the blocks on failure.
std::int32_t ReadBlocks(PluginDataMgr& manager, int fd, std::uint32_t count,
                        unsigned long long fileSize) {
  unsigned long long position = kDataFileHeaderSize;
  for (std::uint32_t i = 0; i < count; ++i) {
    std::uint8_t header[kBlockHeaderSize];
    const long long got = ReadFully(fd, header, sizeof header);
    if (got != static_cast<long long>(sizeof header)) return kSettingReadError;
    position += sizeof header;
    if (std::memcmp(header, kBlockMagic, sizeof kBlockMagic) != 0) return kSettingBadData;

    const std::uint32_t size = ReadLE32(header + kBlockSizeOffset);
    if (size <= kBlockHeaderSize || size > static_cast<std::uint32_t>(INT32_MAX))
      return kSettingBadData;
    // A size that reaches past the end of the file is a truncated or damaged file;
    // it is caught here so that nothing is allocated for it.
    const unsigned long long dataSize = size - kBlockHeaderSize;
    if (position > fileSize || dataSize > fileSize - position) return kSettingReadError;

    std::vector<std::uint8_t> block;
    try {
      block.resize(size);
    } catch (const std::bad_alloc&) {
      return kSettingNoMemory;
    }
    std::memcpy(block.data(), header, sizeof header);
    if (ReadFully(fd, block.data() + kBlockHeaderSize, dataSize) != static_cast<long long>(dataSize))
      return kSettingReadError;
    position += dataSize;

    const std::uint32_t id = ReadLE32(header + kBlockIdOffset);
    const auto version = static_cast<std::int32_t>(ReadLE32(header + kBlockVersionOffset));
    const auto blockSize = static_cast<std::int32_t>(size);
    const std::int32_t added = manager.AddBlock(id, version, blockSize);
    if (added != kSettingOk) return added;
    if (manager.SetData(id, blockSize, block.data()) != kSettingOk) {
      manager.RemoveBlock(static_cast<std::int32_t>(manager.BlockCount()) - 1);
      return kSettingBadData;
    }
  }
  return kSettingOk;
}

std::int32_t ReadSettingDataLocked(PluginDataMgr& manager, int fd, unsigned long long fileSize) {
  std::uint8_t header[kDataFileHeaderSize];
  const long long got = ReadFully(fd, header, sizeof header);
  if (got != static_cast<long long>(sizeof header)) return kSettingReadError;
  if (std::memcmp(header, kDataFileMagic, sizeof kDataFileMagic) != 0) return kSettingBadData;
  return ReadBlocks(manager, fd, ReadLE32(header + kDataFileCountOffset), fileSize);
}

std::vector<std::uint8_t> BuildFileHeader(std::u16string_view modelName, std::uint32_t value1,
                                          std::uint32_t value2, std::uint32_t count) {
  std::vector<std::uint8_t> header(kDataFileHeaderSize, 0);
  std::memcpy(header.data(), kDataFileMagic, sizeof kDataFileMagic);
  WriteLE32(header.data() + kDataFileValue1Offset, value1);
  WriteLE32(header.data() + kDataFileValue2Offset, value2);
  WriteLE32(header.data() + kDataFileCountOffset, count);
  std::memcpy(header.data() + kDataFileProductOffset, kDataFileProduct,
              sizeof kDataFileProduct - 1);
  std::memcpy(header.data() + kDataFileMakerOffset, kDataFileMaker, sizeof kDataFileMaker - 1);
  const std::size_t modelLength = std::min(modelName.size(), kDataFileModelCapacity);
  for (std::size_t i = 0; i < modelLength; ++i) {
    const char16_t c = modelName[i];
    header[kDataFileModelOffset + i] = static_cast<std::uint8_t>(c < 0x80 ? c : u'?');
  }
  return header;
}

// The blocks that go into the file, in manager order: the first entry of each id with
// data. A later entry of the same id is never reached (FindBlock, SetData and GetData
// all use the first), and written out it would come back as a second block of that id.
std::vector<const PluginDataBlockEntry*> BlocksToWrite(const PluginDataMgr& manager) {
  std::vector<const PluginDataBlockEntry*> blocks;
  for (std::size_t i = 0; i < manager.BlockCount(); ++i) {
    const PluginDataBlockEntry& entry = manager.GetBlockEntry(i);
    if (entry.size <= 0 || static_cast<std::size_t>(manager.FindBlock(entry.id)) != i) continue;
    blocks.push_back(&entry);
  }
  return blocks;
}

// The header and the blocks as they stand in the file; false when a block's buffer is
// shorter than its size. Each block keeps its bytes (its version too, which tells what
// its data holds) except the header fields by which a reader files it: magic, id and
// size come from its entry. A block created and never filled still holds a size of 0
// there, and a page may have stored a block with another header; either would make the
// whole file unreadable, or put the block under another id.
bool BuildContents(const std::vector<const PluginDataBlockEntry*>& blocks, const std::vector<std::uint8_t>& header,
                   std::string& bytes) {
  bytes.assign(header.begin(), header.end());
  for (const PluginDataBlockEntry* entry : blocks) {
    const auto size = static_cast<std::size_t>(entry->size);
    if (size < kBlockHeaderSize || entry->current.size() < size) return false;
    std::uint8_t blockHeader[kBlockHeaderSize];
    std::memcpy(blockHeader, entry->current.data(), kBlockHeaderSize);
    std::memcpy(blockHeader, kBlockMagic, sizeof kBlockMagic);
    WriteLE32(blockHeader + kBlockIdOffset, entry->id);
    WriteLE32(blockHeader + kBlockSizeOffset, static_cast<std::uint32_t>(entry->size));
    bytes.append(reinterpret_cast<const char*>(blockHeader), kBlockHeaderSize);
    bytes.append(reinterpret_cast<const char*>(entry->current.data()) + kBlockHeaderSize, size - kBlockHeaderSize);
  }
  return true;
}

}  // namespace

std::int32_t ReadSettingData(PluginDataMgr& manager, std::u16string_view path) {
  const std::string file = plat::ToUtf8(path);
  FileDescriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  std::int32_t result = kSettingOk;
  struct stat st {};
  if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
      ::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    result = kSettingCannotOpen;
  } else {
    try {
      result = ReadSettingDataLocked(manager, fd.get(), static_cast<unsigned long long>(st.st_size));
    } catch (const std::bad_alloc&) {
      result = kSettingNoMemory;
    } catch (...) {
      result = kSettingNoMemory;
    }
  }
  if (result != kSettingOk) manager.RemoveAllBlocks();
  return result;
}

std::int32_t WriteSettingData(const PluginDataMgr& manager, std::u16string_view modelName,
                              std::u16string_view path, std::uint32_t headerValue1,
                              std::uint32_t headerValue2) {
  if (manager.GetSettingsReadFlag() != kSettingsRead) return kSettingDataNotWritten;

  const std::string target = plat::ToUtf8(path);
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash);
  if (!folder.empty() && !plat::FolderExists(plat::FromUtf8(folder)) &&
      !plat::CreateFolder(plat::FromUtf8(folder)))
    return kSettingDataNotWritten;

  std::string bytes;
  try {
    const std::vector<const PluginDataBlockEntry*> blocks = BlocksToWrite(manager);
    const auto count = static_cast<std::uint32_t>(blocks.size());
    if (!BuildContents(blocks, BuildFileHeader(modelName, headerValue1, headerValue2, count), bytes))
      return kSettingDataNotWritten;
  } catch (const std::bad_alloc&) {
    return kSettingDataNotWritten;
  }
  // The old file stays as it was unless the new one was written completely.
  if (!plat::ReplaceFileAtomically(target, bytes)) return kSettingDataNotWritten;
  return kSettingDataWritten;
}
