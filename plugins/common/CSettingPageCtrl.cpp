#include "plugins/common/CSettingPageCtrl.h"

#include "plugins/common/CSettingPageView.h"
#include "plugins/common/PageTexts.h"
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

CSettingPageView* CSettingPageCtrl::SettingView() const { return qobject_cast<CSettingPageView*>(View()); }

std::int32_t CSettingPageCtrl::ReadPrinterSettings() {
  AppSettingsBlock* block = SettingsBlock();
  if (block == nullptr || block->dataMgr == nullptr) return kPluginPrinterNotAnswering;
  Block data = DefaultBlock(page_);
  block->dataMgr->GetData(page_.blockId, data.data(), static_cast<std::int32_t>(data.size()));
  const PrinterResult result = ReadPageSettings(block->xjc, page_, data);
  if (result.outcome == PrinterOutcome::kNoAnswer) return kPluginPrinterNotAnswering;
  block->dataMgr->SetData(page_.blockId, static_cast<std::int32_t>(data.size()), data.data());
  PostToView(kPageReloadMessage);
  return result.outcome == PrinterOutcome::kOk ? kPluginReadOk : kSettingNotFound;
}

std::int32_t CSettingPageCtrl::QueryLeave() {
  CSettingPageView* view = SettingView();
  return view != nullptr ? view->QueryLeave() : kPluginOk;
}

void CSettingPageCtrl::OnEnter() {
  if (CSettingPageView* view = SettingView()) view->LoadFromBlock();
}
