#pragma once
// IPluginDataMgr: the store of setting data blocks as the setting pages and the
// plug-ins see it. One manager exists for the life of the program; its address is in
// the application settings block.
//
// A data block is identified by a 32-bit id and begins with a 32-byte header: "PND" and
// a zero byte, the id, the version, the size of the whole block (header included) and 16
// zero bytes, all little-endian. The same layout is used in memory and in the
// per-printer setting data file.
//
// Threads: the user-interface thread owns the manager. The worker thread of a
// communication job calls SetData and GetData while the user-interface thread waits for
// that job under the application's communication lock; no other concurrent use is
// allowed, so the manager takes no lock of its own.
#include <cstddef>
#include <cstdint>
#include <string_view>

// Result codes of the manager and of the setting files.
inline constexpr std::int32_t kSettingOk = 0;
inline constexpr std::int32_t kSettingNotFound = -1;      // no entry with that id / name
inline constexpr std::int32_t kSettingCannotOpen = -2;    // data file missing or locked
inline constexpr std::int32_t kSettingBadData = -3;       // malformed file or bad argument
inline constexpr std::int32_t kSettingReadError = -4;     // file shorter than announced, I/O error
inline constexpr std::int32_t kSettingBadSize = -5;       // block size too small for a header
inline constexpr std::int32_t kSettingNoMemory = -7;

// Data block ids with a fixed meaning.
inline constexpr std::uint32_t kPrinterInfoBlockId = 0x00010001u;  // printer information
inline constexpr std::int32_t kPrinterInfoBlockSize = 992;
inline constexpr std::uint32_t kCommRunnerBlockId = 0x00010005u;   // read by the job runner
inline constexpr std::int32_t kCommRunnerBlockSize = 184;
inline constexpr std::size_t kCommRunnerPermissiveOffset = 68;

// Data block header.
inline constexpr std::size_t kBlockHeaderSize = 32;
inline constexpr std::size_t kBlockIdOffset = 4;
inline constexpr std::size_t kBlockVersionOffset = 8;
inline constexpr std::size_t kBlockSizeOffset = 12;
inline constexpr std::uint8_t kBlockMagic[4] = {'P', 'N', 'D', 0};
// The smallest block the manager accepts: a header and at least one byte of data.
inline constexpr std::int32_t kMinBlockSize = static_cast<std::int32_t>(kBlockHeaderSize) + 1;

// Settings-read flag values.
inline constexpr std::int32_t kSettingsNotRead = 0;
inline constexpr std::int32_t kSettingsRead = 1;

// Results of ExistsSettingData.
inline constexpr std::int32_t kSettingDataMissing = 0;
inline constexpr std::int32_t kSettingDataExists = 1;

class IPluginDataMgr {
 public:
  // Appends a block entry of size bytes whose current and initial buffers hold a zeroed
  // block with the magic, id and version filled in (its size field stays 0). Duplicate
  // ids are accepted; FindBlock, SetData and GetData use the first entry of an id.
  // Returns kSettingOk, kSettingBadSize (size below kMinBlockSize) or kSettingNoMemory.
  virtual std::int32_t AddBlock(std::uint32_t id, std::int32_t version, std::int32_t size) = 0;

  // Index of the first entry with that id, or kSettingNotFound.
  virtual std::int32_t FindBlock(std::uint32_t id) const = 0;

  // Stores size bytes of block as the current data of the first entry with that id,
  // after writing size into bytes 12-15 of the caller's block, and records size in the
  // entry. Bytes of an earlier, longer block beyond size stay in the buffer.
  // Returns kSettingOk, kSettingNotFound (no entry), kSettingBadSize (size below
  // kMinBlockSize: such a block could not be read back from the data file),
  // kSettingBadData (block null) or kSettingNoMemory.
  virtual std::int32_t SetData(std::uint32_t id, std::int32_t size, void* block) = 0;

  // Copies min(length, entry size) bytes from the start of the first entry with that id
  // into buffer. length 0 or below copies nothing. Returns kSettingOk, kSettingNotFound
  // or kSettingBadData (buffer null while length is positive).
  virtual std::int32_t GetData(std::uint32_t id, void* buffer, std::int32_t length) const = 0;

  // kSettingsRead once the printer's settings were read completely (or in file mode),
  // else kSettingsNotRead; the per-printer data file is written only then.
  virtual std::int32_t GetSettingsReadFlag() const = 0;
  virtual void SetSettingsReadFlag(std::int32_t flag) = 0;

  // kSettingDataExists when the printer of that port and device name has stored
  // settings, else kSettingDataMissing.
  virtual std::int32_t ExistsSettingData(std::u16string_view portName, std::u16string_view deviceName) const = 0;

 protected:
  ~IPluginDataMgr() = default;
};

// Little-endian helpers for block contents.
inline std::uint32_t ReadLE32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
inline void WriteLE32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
  p[2] = static_cast<std::uint8_t>(v >> 16);
  p[3] = static_cast<std::uint8_t>(v >> 24);
}
