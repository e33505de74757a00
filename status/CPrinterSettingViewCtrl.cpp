#include "status/CPrinterSettingViewCtrl.h"

#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "status/CPrinterSettingView.h"
#include "status/PrinterInfoBlock.h"

CPrinterSettingViewCtrl::CPrinterSettingViewCtrl() {
  SetDataId(kPrinterInfoBlockId);
  SetDataVersion(kPrinterInfoBlockVersion);
}

CPrinterSettingViewCtrl::~CPrinterSettingViewCtrl() = default;

std::int32_t CPrinterSettingViewCtrl::SetDefaultData(std::uint32_t id) {
  if (id != kPrinterInfoBlockId) return kNotOwnBlock;
  PrinterInfoBlock block = DefaultPrinterInfoBlock();
  DataHeader header;
  GetDataHeader(header);
  std::copy(header.begin(), header.end(), block.begin());
  const AppSettingsBlock* settings = SettingsBlock();
  if (settings == nullptr || settings->dataMgr == nullptr) return kSettingNotFound;
  return settings->dataMgr->SetData(id, kPrinterInfoBlockSize, block.data());
}

void CPrinterSettingViewCtrl::ResetKind() { pageKind_ = kPrinterSettingPageKind; }

void CPrinterSettingViewCtrl::CreatePages() { AddPage(new CPrinterSettingView); }

CPrinterSettingView* CPrinterSettingViewCtrl::SettingView() const {
  if (CurrentPageIndex() < 0 || static_cast<std::size_t>(CurrentPageIndex()) >= PageCount()) return nullptr;
  return qobject_cast<CPrinterSettingView*>(Pages()[static_cast<std::size_t>(CurrentPageIndex())]);
}
