#include "plugins/common/CSettingPageCtrl.h"

#include "plugins/common/CSettingPageView.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"

CSettingPageCtrl::CSettingPageCtrl(PageDef page) : page_(std::move(page)) {
  SetDataId(page_.blockId);
  SetDataVersion(kSettingBlockVersion);
  SetDataSize(page_.blockSize);
}

CSettingPageCtrl::~CSettingPageCtrl() = default;

std::int32_t CSettingPageCtrl::SetDefaultData(std::uint32_t id) {
  if (id != page_.blockId) return kSettingNotFound;
  AppSettingsBlock* block = SettingsBlock();
  if (block == nullptr || block->dataMgr == nullptr) return kSettingNotFound;
  Block defaults = DefaultBlock(page_);
  return block->dataMgr->SetData(id, static_cast<std::int32_t>(defaults.size()), defaults.data());
}

void CSettingPageCtrl::CreatePages() { AddPage(new CSettingPageView(page_)); }

CSettingPageView* CSettingPageCtrl::View() const {
  const std::vector<CCommonFormView*> pages = Pages();
  return pages.empty() ? nullptr : qobject_cast<CSettingPageView*>(pages.front());
}
