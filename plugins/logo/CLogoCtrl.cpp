#include "plugins/logo/CLogoCtrl.h"

#include "plugins/common/PagePlugin.h"
#include "plugins/common/PageTexts.h"
#include "plugins/logo/CLogoView.h"
#include "plugins/logo/LogoTexts.h"
#include "plugins/prninfo/PrinterInfoData.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"

namespace {

const DataBlockDesc kUsedBlocks[] = {
    {kPrinterInfoBlockId, kSettingBlockVersion, kPrinterInfoBlockSize},
    {kPrintSettingsBlockId, kSettingBlockVersion, kPrintSettingsBlockSize},
};

}  // namespace

void LogoState::Store(const logo::PrinterLogos& now, bool keysRead) {
  const std::lock_guard lock(mutex);
  logos = now;
  read = read || keysRead;
}

logo::PrinterLogos LogoState::Logos() const {
  const std::lock_guard lock(mutex);
  return logos;
}

bool LogoState::Read() const {
  const std::lock_guard lock(mutex);
  return read;
}

CLogoCtrl::CLogoCtrl(bool coupon) : coupon_(coupon), state_(std::make_shared<LogoState>()) {
  // No block of its own: FORMVIEWDLL_GetPluginInfo reports an empty record.
  SetDataSize(0);
}

CLogoCtrl::~CLogoCtrl() = default;

std::int32_t CLogoCtrl::GetDependData(DataBlockDesc* records, std::int32_t& count) {
  return ListDependBlocks(std::data(kUsedBlocks), static_cast<std::int32_t>(std::size(kUsedBlocks)), records, count);
}

std::int32_t CLogoCtrl::SetDefaultData(std::uint32_t id) {
  Block defaults = id == kPrinterInfoBlockId ? prninfo::DefaultPrinterInfoBlock() : DefaultSettingBlock(id);
  return StoreBlock(id, defaults);
}

void CLogoCtrl::CreatePages() { AddPage(new CLogoView(coupon_, state_)); }

std::u16string CLogoCtrl::MenuTitle() const { return std::u16string(coupon_ ? kCouponPageTitle : kLogoPageTitle); }

CLogoView* CLogoCtrl::LogoView() const { return qobject_cast<CLogoView*>(View()); }

std::int32_t CLogoCtrl::ReadPrinterSettings() {
  AppSettingsBlock* block = SettingsBlock();
  if (block == nullptr) return kPluginPrinterNotAnswering;
  logo::PrinterLogos logos = state_->Logos();
  const PrinterOutcome outcome = logo::ReadPrinterLogos(block->xjc, logos);
  if (outcome == PrinterOutcome::kNoAnswer) return kPluginPrinterNotAnswering;
  state_->Store(logos, outcome == PrinterOutcome::kOk);
  // The paper width belongs to the print settings block, which the Print Settings page
  // shows; it is kept there so that both pages agree.
  if (logos.paperWidth && block->dataMgr != nullptr) {
    Block settings = DefaultSettingBlock(kPrintSettingsBlockId);
    if (block->dataMgr->GetData(kPrintSettingsBlockId, settings.data(), static_cast<std::int32_t>(settings.size())) ==
            kSettingOk &&
        ReadLE32(settings.data() + kBlockSizeOffset) != 0) {
      WriteLE32(settings.data() + kPrintSettingsPaperWidthOffset, static_cast<std::uint32_t>(*logos.paperWidth));
      block->dataMgr->SetData(kPrintSettingsBlockId, static_cast<std::int32_t>(settings.size()), settings.data());
    }
  }
  PostToView(kPageReloadMessage);
  return outcome == PrinterOutcome::kOk ? kPluginReadOk : kSettingNotFound;
}

void CLogoCtrl::OnEnter() {
  if (CLogoView* view = LogoView()) view->LoadState();
}

namespace {
std::unique_ptr<CPluginPageCtrl> CreateLogoController() { return std::make_unique<CLogoCtrl>(XJ_LOGO_COUPON != 0); }
}  // namespace

XJ_PAGE_PLUGIN(CreateLogoController)
