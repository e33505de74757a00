#include "plugins/prninfo/CPrinterInfoCtrl.h"

#include <algorithm>

#include "plugins/common/PagePlugin.h"
#include "plugins/common/PageTexts.h"
#include "plugins/prninfo/CPrinterInfoView.h"
#include "plugins/prninfo/PrinterInfoData.h"
#include "plugins/prninfo/PrinterInfoTexts.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"

namespace {

const DataBlockDesc kUsedBlocks[] = {{kPrinterInfoBlockId, kSettingBlockVersion, kPrinterInfoBlockSize}};

}  // namespace

CPrinterInfoCtrl::CPrinterInfoCtrl() {
  SetDataId(kPrinterInfoPageBlockId);
  SetDataVersion(kSettingBlockVersion);
  SetDataSize(kPrinterInfoPageBlockSize);
}

CPrinterInfoCtrl::~CPrinterInfoCtrl() = default;

std::int32_t CPrinterInfoCtrl::GetDependData(DataBlockDesc* records, std::int32_t& count) {
  const auto used = static_cast<std::int32_t>(std::size(kUsedBlocks));
  if (records == nullptr) {
    count = used;
    return 1;
  }
  count = std::clamp(count, 0, used);
  std::copy_n(std::begin(kUsedBlocks), count, records);
  return 1;
}

std::int32_t CPrinterInfoCtrl::SetDefaultData(std::uint32_t id) {
  AppSettingsBlock* block = SettingsBlock();
  if (block == nullptr || block->dataMgr == nullptr) return kSettingNotFound;
  Block defaults;
  if (id == kPrinterInfoPageBlockId) {
    defaults = prninfo::DefaultPageBlock();
  } else if (id == kPrinterInfoBlockId) {
    defaults = prninfo::DefaultPrinterInfoBlock();
  } else {
    return kSettingNotFound;
  }
  return block->dataMgr->SetData(id, static_cast<std::int32_t>(defaults.size()), defaults.data());
}

void CPrinterInfoCtrl::CreatePages() { AddPage(new CPrinterInfoView); }

std::u16string CPrinterInfoCtrl::MenuTitle() const { return std::u16string(kPrinterInfoPageTitle); }

CPrinterInfoView* CPrinterInfoCtrl::InfoView() const { return qobject_cast<CPrinterInfoView*>(View()); }

std::int32_t CPrinterInfoCtrl::ReadPrinterSettings() {
  AppSettingsBlock* block = SettingsBlock();
  if (block == nullptr || block->dataMgr == nullptr) return kPluginPrinterNotAnswering;
  IPluginDataMgr& manager = *block->dataMgr;
  Block page = prninfo::DefaultPageBlock();
  manager.GetData(kPrinterInfoPageBlockId, page.data(), static_cast<std::int32_t>(page.size()));
  Block info;  // the identity texts are not read here
  const PrinterOutcome outcome = prninfo::ReadPrinterInformation(block->xjc, false, info, page);
  if (outcome == PrinterOutcome::kNoAnswer) return kPluginPrinterNotAnswering;
  manager.SetData(kPrinterInfoPageBlockId, static_cast<std::int32_t>(page.size()), page.data());
  PostToView(kPageReloadMessage);
  return outcome == PrinterOutcome::kOk ? kPluginReadOk : kSettingNotFound;
}

void CPrinterInfoCtrl::OnEnter() {
  if (CPrinterInfoView* view = InfoView()) view->LoadFromBlocks();
}

namespace {
std::unique_ptr<CPluginPageCtrl> CreatePrinterInfoController() { return std::make_unique<CPrinterInfoCtrl>(); }
}  // namespace

XJ_PAGE_PLUGIN(CreatePrinterInfoController)
