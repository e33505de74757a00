// Setting data files as they come from other machines: read into a manager, and when
// that succeeds written out again and read back, which must give the same blocks.
#include <cstdint>
#include <cstring>
#include <string>

#include "app/settings/PluginDataMgr.h"
#include "app/settings/SettingDataFile.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Text.h"

namespace {

using fuzzsupport::Require;

constexpr char16_t kModelName[] = u"XJ-K52II";

// The blocks a reader of the manager can reach (the first entry of each id), as
// GetData gives them.
bool SameReachableBlocks(const PluginDataMgr& a, const PluginDataMgr& b) {
  for (const PluginDataMgr* m : {&a, &b}) {
    const PluginDataMgr& other = m == &a ? b : a;
    for (std::size_t i = 0; i < m->BlockCount(); ++i) {
      const PluginDataBlockEntry& entry = m->GetBlockEntry(i);
      if (static_cast<std::size_t>(m->FindBlock(entry.id)) != i) continue;
      const std::int32_t j = other.FindBlock(entry.id);
      if (j < 0) return false;
      const PluginDataBlockEntry& same = other.GetBlockEntry(static_cast<std::size_t>(j));
      if (same.size != entry.size) return false;
      if (std::memcmp(same.current.data(), entry.current.data(), static_cast<std::size_t>(entry.size)) != 0)
        return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& folder = fuzzsupport::Folder("data");
  const std::string inputPath = folder + "/XJ-K52II_Setting.DAT";
  fuzzsupport::WriteInput(inputPath, data, size);

  PluginDataMgr manager;
  const std::int32_t rc = ReadSettingData(manager, plat::FromUtf8(inputPath));
  if (rc != kSettingOk) {
    Require(manager.BlockCount() == 0, "a failed read leaves no blocks");
    return 0;
  }
  for (std::size_t i = 0; i < manager.BlockCount(); ++i) {
    const PluginDataBlockEntry& entry = manager.GetBlockEntry(i);
    Require(entry.size >= kMinBlockSize && entry.current.size() >= static_cast<std::size_t>(entry.size),
            "a block read holds its size");
  }

  manager.SetSettingsReadFlag(kSettingsRead);
  const std::string copyPath = folder + "/copy/XJ-K52II_Setting.DAT";
  Require(WriteSettingData(manager, kModelName, plat::FromUtf8(copyPath), kDataFileHeaderValue,
                           kDataFileHeaderValue) == kSettingDataWritten,
          "the blocks read can be written");
  PluginDataMgr again;
  Require(ReadSettingData(again, plat::FromUtf8(copyPath)) == kSettingOk, "a written file reads back");
  Require(SameReachableBlocks(manager, again), "a written file reads back the same blocks");
  return 0;
}
