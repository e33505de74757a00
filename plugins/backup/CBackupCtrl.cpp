#include "plugins/backup/CBackupCtrl.h"

#include <algorithm>

#include "plugins/backup/BackupTexts.h"
#include "plugins/backup/CBackupView.h"
#include "plugins/backup/SettingsRestore.h"
#include "plugins/common/PagePlugin.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"

namespace {

const DataBlockDesc kUsedBlocks[] = {
    {kPrintSettingsBlockId, kSettingBlockVersion, kPrintSettingsBlockSize},
    {kPaperSavingBlockId, kSettingBlockVersion, kPaperSavingBlockSize},
    {kAutoCutterBlockId, kSettingBlockVersion, kAutoCutterBlockSize},
    {kModelOptionsBlockId, kSettingBlockVersion, kModelOptionsBlockSize},
};

}  // namespace

CBackupCtrl::CBackupCtrl() {
  // No block of its own: FORMVIEWDLL_GetPluginInfo reports an empty record.
  SetDataSize(0);
}

CBackupCtrl::~CBackupCtrl() = default;

std::int32_t CBackupCtrl::GetDependData(DataBlockDesc* records, std::int32_t& count) {
  const auto used = static_cast<std::int32_t>(std::size(kUsedBlocks));
  if (records == nullptr) {
    count = used;
    return 1;
  }
  count = std::clamp(count, 0, used);
  std::copy_n(std::begin(kUsedBlocks), count, records);
  return 1;
}

std::int32_t CBackupCtrl::SetDefaultData(std::uint32_t id) {
  AppSettingsBlock* block = SettingsBlock();
  Block defaults = DefaultSettingBlock(id);
  if (defaults.empty() || block == nullptr || block->dataMgr == nullptr) return kSettingNotFound;
  return block->dataMgr->SetData(id, static_cast<std::int32_t>(defaults.size()), defaults.data());
}

void CBackupCtrl::CreatePages() { AddPage(new CBackupView); }

std::u16string CBackupCtrl::MenuTitle() const { return std::u16string(kBackupPageTitle); }

namespace {
std::unique_ptr<CPluginPageCtrl> CreateBackupController() { return std::make_unique<CBackupCtrl>(); }
}  // namespace

XJ_PAGE_PLUGIN(CreateBackupController)
