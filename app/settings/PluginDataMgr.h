#pragma once
// PluginDataMgr: the in-memory store of the setting pages' data blocks and of the
// printers the utility has been used with.
//
// A data block is identified by a 32-bit id and begins with a 32-byte header: "PND" and
// a zero byte, the id, the version, the size of the whole block (header included) and 16
// zero bytes, all little-endian. The same layout is used in memory and in the setting
// data file (SettingDataFile.h).
//
// A printer entry maps a device name and a port name to the sub-folder and the file that
// hold that printer's setting data (PrinterSettingIni.h).
//
// Threads: the user-interface thread owns the manager. The worker thread of a
// communication job calls SetData and GetData while the user-interface thread waits for
// that job under the application's communication lock; no other concurrent use is
// allowed, so the manager takes no lock of its own.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/IPluginDataMgr.h"

// Block buffers grow in steps of this many bytes.
inline constexpr std::size_t kBlockBufferGrowth = 4096;

// Printer entry texts are fixed fields of this many characters (terminator included).
inline constexpr std::size_t kEntryTextCapacity = 260;

// One stored data block.
struct PluginDataBlockEntry {
  std::uint32_t id = 0;
  std::int32_t version = 0;
  std::int32_t size = 0;               // bytes of the block, header included
  std::vector<std::uint8_t> current;   // the block as the pages last stored it
  std::vector<std::uint8_t> initial;   // the block as it was created (kept, never read)
};

// One printer the utility has been used with.
struct PrinterEntry {
  char16_t DeviceName[kEntryTextCapacity] = {};
  char16_t PortName[kEntryTextCapacity] = {};
  char16_t Dir[kEntryTextCapacity] = {};       // sub-folder of the data folder
  char16_t DataPath[kEntryTextCapacity] = {};  // full path of the data file; empty: none
};
static_assert(sizeof(PrinterEntry) == 2080);

class PluginDataMgr final : public IPluginDataMgr {
 public:
  // Creates an empty manager (no blocks, no printers, settings-read flag 0).
  // Any thread; the manager then belongs to the creating thread (see above).
  PluginDataMgr();
  virtual ~PluginDataMgr();
  PluginDataMgr(const PluginDataMgr&) = delete;
  PluginDataMgr& operator=(const PluginDataMgr&) = delete;

  // ---- printer entries (user-interface thread) -------------------------------------

  // Index of the first entry whose DeviceName and PortName equal the arguments exactly
  // (letter case matters); kSettingNotFound when there is none or deviceName is empty.
  std::int32_t FindPrinterEntry(std::u16string_view deviceName, std::u16string_view portName) const;

  // Adds an entry for the pair unless FindPrinterEntry already knows it. The new entry's
  // sub-folder is "PORT_k", k being the number of entries before it, and its data file
  // is dataFolder/PORT_k/<deviceName>_Setting.DAT. A name that would lead the data file
  // out of its sub-folder (path separators, "." or "..") or a path too long for the
  // entry's field leaves DataPath empty, so no data is read or written for it.
  // Returns the index of the existing or new entry, or kSettingNoMemory.
  std::int32_t AddPrinterEntry(std::u16string_view dataFolder, std::u16string_view deviceName,
                               std::u16string_view portName);

  // Appends an entry as read from the index file; the data path is composed as in
  // AddPrinterEntry from its Dir and DeviceName. Returns kSettingOk or kSettingNoMemory.
  std::int32_t AppendPrinterEntry(std::u16string_view dataFolder, std::u16string_view deviceName,
                                  std::u16string_view portName, std::u16string_view dir);

  // The DataPath of the pair's entry, or an empty text when there is no entry.
  std::u16string GetSettingDataPath(std::u16string_view deviceName,
                                    std::u16string_view portName) const;

  // kSettingDataExists when the pair has an entry whose DataPath names an existing file,
  // else kSettingDataMissing.
  // Note the argument order (port first), as the printer selection dialog calls it.
  std::int32_t ExistsSettingData(std::u16string_view portName, std::u16string_view deviceName) const override;

  std::size_t PrinterEntryCount() const { return printers_.size(); }
  // The entry at index (must be below PrinterEntryCount()).
  const PrinterEntry& GetPrinterEntry(std::size_t index) const { return *printers_[index]; }
  void RemoveAllPrinterEntries() { printers_.clear(); }

  // ---- data blocks (user-interface thread, or the job worker while the UI waits) ----

  // Appends a block entry of size bytes whose current and initial buffers hold a zeroed
  // block with the magic, id and version filled in (its size field stays 0). Duplicate
  // ids are accepted; FindBlock, SetData and GetData use the first entry of an id.
  // Returns kSettingOk, kSettingBadSize (size below kMinBlockSize) or kSettingNoMemory.
  std::int32_t AddBlock(std::uint32_t id, std::int32_t version, std::int32_t size) override;

  // Index of the first entry with that id, or kSettingNotFound.
  std::int32_t FindBlock(std::uint32_t id) const override;

  // Stores size bytes of block as the current data of the first entry with that id,
  // after writing size into bytes 12-15 of the caller's block, and records size in the
  // entry. Bytes of an earlier, longer block beyond size stay in the buffer.
  // Returns kSettingOk, kSettingNotFound (no entry), kSettingBadSize (size below
  // kMinBlockSize: such a block could not be read back from the data file),
  // kSettingBadData (block null) or kSettingNoMemory.
  std::int32_t SetData(std::uint32_t id, std::int32_t size, void* block) override;

  // Copies min(length, entry size) bytes from the start of the first entry with that id
  // into buffer. length 0 or below copies nothing. Returns kSettingOk, kSettingNotFound
  // or kSettingBadData (buffer null while length is positive).
  std::int32_t GetData(std::uint32_t id, void* buffer, std::int32_t length) const override;

  // Deletes the entry at index with its buffers; an index out of range is ignored.
  void RemoveBlock(std::int32_t index);
  // Deletes every block entry.
  void RemoveAllBlocks();

  std::size_t BlockCount() const { return blocks_.size(); }
  // The entry at index (must be below BlockCount()).
  const PluginDataBlockEntry& GetBlockEntry(std::size_t index) const { return *blocks_[index]; }

  // ---- settings-read flag ---------------------------------------------------------
  // kSettingsRead once the printer's settings were read completely (or in file mode);
  // the data file is written only then.
  std::int32_t GetSettingsReadFlag() const override { return settingsRead_; }
  void SetSettingsReadFlag(std::int32_t flag) override { settingsRead_ = flag; }

 private:
  std::vector<std::unique_ptr<PluginDataBlockEntry>> blocks_;
  std::vector<std::unique_ptr<PrinterEntry>> printers_;
  std::int32_t settingsRead_ = kSettingsNotRead;
};
