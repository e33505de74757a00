#include "app/settings/PluginDataMgr.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "platform/Folders.h"
#include "platform/Text.h"

namespace {

constexpr char16_t kDirPrefix[] = u"PORT";
constexpr char16_t kDataFileSuffix[] = u"_Setting.DAT";

// Makes room for size bytes, growing the capacity in whole steps so that repeated small
// stores do not reallocate every time.
void EnsureSize(std::vector<std::uint8_t>& buffer, std::size_t size) {
  if (buffer.size() >= size) return;
  if (buffer.capacity() < size) {
    const std::size_t steps = (size + kBlockBufferGrowth - 1) / kBlockBufferGrowth;
    buffer.reserve(steps * kBlockBufferGrowth);
  }
  buffer.resize(size, 0);
}

// A file or folder name that stays inside the folder it is joined to.
bool IsSafeName(std::u16string_view name) {
  if (name == u"." || name == u"..") return false;
  return name.find_first_of(u"/\\") == std::u16string_view::npos &&
         name.find(u'\0') == std::u16string_view::npos;
}

// dataFolder/dir/deviceName_Setting.DAT in the entry's field, or an empty field when a
// name is unsafe or the path does not fit.
void ComposeDataPath(PrinterEntry& entry, std::u16string_view dataFolder) {
  const std::u16string_view dir = plat::FieldText(entry.Dir);
  const std::u16string_view device = plat::FieldText(entry.DeviceName);
  std::u16string fileName(device);
  fileName += kDataFileSuffix;
  if (!IsSafeName(dir) || !IsSafeName(fileName)) {
    plat::CopyText(entry.DataPath, u"");
    return;
  }
  const std::u16string path = plat::JoinPath(plat::JoinPath(dataFolder, dir), fileName);
  if (path.size() >= kEntryTextCapacity) {
    plat::CopyText(entry.DataPath, u"");
    return;
  }
  plat::CopyText(entry.DataPath, path);
}

}  // namespace

PluginDataMgr::PluginDataMgr() = default;
PluginDataMgr::~PluginDataMgr() = default;

std::int32_t PluginDataMgr::FindPrinterEntry(std::u16string_view deviceName,
                                             std::u16string_view portName) const {
  if (deviceName.empty()) return kSettingNotFound;
  for (std::size_t i = 0; i < printers_.size(); ++i) {
    const PrinterEntry& e = *printers_[i];
    if (plat::FieldText(e.DeviceName) == deviceName && plat::FieldText(e.PortName) == portName)
      return static_cast<std::int32_t>(i);
  }
  return kSettingNotFound;
}

std::int32_t PluginDataMgr::AppendPrinterEntry(std::u16string_view dataFolder,
                                               std::u16string_view deviceName,
                                               std::u16string_view portName,
                                               std::u16string_view dir) {
  try {
    auto entry = std::make_unique<PrinterEntry>();
    plat::CopyText(entry->DeviceName, deviceName);
    plat::CopyText(entry->PortName, portName);
    plat::CopyText(entry->Dir, dir);
    ComposeDataPath(*entry, dataFolder);
    printers_.push_back(std::move(entry));
  } catch (const std::bad_alloc&) {
    return kSettingNoMemory;
  }
  return kSettingOk;
}

std::int32_t PluginDataMgr::AddPrinterEntry(std::u16string_view dataFolder,
                                            std::u16string_view deviceName,
                                            std::u16string_view portName) {
  const std::int32_t found = FindPrinterEntry(deviceName, portName);
  if (found != kSettingNotFound) return found;
  const std::u16string dir =
      plat::NameIndex(kDirPrefix, static_cast<long long>(printers_.size()));
  const std::int32_t rc = AppendPrinterEntry(dataFolder, deviceName, portName, dir);
  if (rc != kSettingOk) return rc;
  return static_cast<std::int32_t>(printers_.size() - 1);
}

std::u16string PluginDataMgr::GetSettingDataPath(std::u16string_view deviceName,
                                                 std::u16string_view portName) const {
  const std::int32_t index = FindPrinterEntry(deviceName, portName);
  if (index == kSettingNotFound) return {};
  return std::u16string(plat::FieldText(printers_[static_cast<std::size_t>(index)]->DataPath));
}

std::int32_t PluginDataMgr::ExistsSettingData(std::u16string_view portName,
                                              std::u16string_view deviceName) const {
  const std::u16string path = GetSettingDataPath(deviceName, portName);
  if (path.empty()) return kSettingDataMissing;
  return plat::FileExists(path) ? kSettingDataExists : kSettingDataMissing;
}

std::int32_t PluginDataMgr::AddBlock(std::uint32_t id, std::int32_t version, std::int32_t size) {
  if (size < kMinBlockSize) return kSettingBadSize;
  try {
    auto entry = std::make_unique<PluginDataBlockEntry>();
    entry->id = id;
    entry->version = version;
    entry->size = size;
    EnsureSize(entry->current, static_cast<std::size_t>(size));
    std::memcpy(entry->current.data(), kBlockMagic, sizeof kBlockMagic);
    WriteLE32(entry->current.data() + kBlockIdOffset, id);
    WriteLE32(entry->current.data() + kBlockVersionOffset, static_cast<std::uint32_t>(version));
    entry->initial = entry->current;
    blocks_.push_back(std::move(entry));
  } catch (const std::bad_alloc&) {
    return kSettingNoMemory;
  } catch (const std::length_error&) {
    return kSettingNoMemory;
  }
  return kSettingOk;
}

std::int32_t PluginDataMgr::FindBlock(std::uint32_t id) const {
  for (std::size_t i = 0; i < blocks_.size(); ++i)
    if (blocks_[i]->id == id) return static_cast<std::int32_t>(i);
  return kSettingNotFound;
}

std::int32_t PluginDataMgr::SetData(std::uint32_t id, std::int32_t size, void* block) {
  const std::int32_t index = FindBlock(id);
  if (index == kSettingNotFound) return kSettingNotFound;
  if (block == nullptr) return kSettingBadData;
  if (size < kMinBlockSize) return kSettingBadSize;
  PluginDataBlockEntry& entry = *blocks_[static_cast<std::size_t>(index)];
  auto* bytes = static_cast<std::uint8_t*>(block);
  WriteLE32(bytes + kBlockSizeOffset, static_cast<std::uint32_t>(size));
  try {
    EnsureSize(entry.current, static_cast<std::size_t>(size));
  } catch (const std::bad_alloc&) {
    return kSettingNoMemory;
  } catch (const std::length_error&) {
    return kSettingNoMemory;
  }
  std::memcpy(entry.current.data(), bytes, static_cast<std::size_t>(size));
  entry.size = size;
  return kSettingOk;
}

std::int32_t PluginDataMgr::GetData(std::uint32_t id, void* buffer, std::int32_t length) const {
  const std::int32_t index = FindBlock(id);
  if (index == kSettingNotFound) return kSettingNotFound;
  if (length <= 0) return kSettingOk;
  if (buffer == nullptr) return kSettingBadData;
  const PluginDataBlockEntry& entry = *blocks_[static_cast<std::size_t>(index)];
  const std::size_t count = std::min({static_cast<std::size_t>(length),
                                      static_cast<std::size_t>(std::max(entry.size, 0)),
                                      entry.current.size()});
  if (count > 0) std::memcpy(buffer, entry.current.data(), count);
  return kSettingOk;
}

void PluginDataMgr::RemoveBlock(std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= blocks_.size()) return;
  blocks_.erase(blocks_.begin() + index);
}

void PluginDataMgr::RemoveAllBlocks() { blocks_.clear(); }
