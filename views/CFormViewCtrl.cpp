#include "views/CFormViewCtrl.h"

#include <algorithm>

#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "views/CCommonFormView.h"

CFormViewCtrl::CFormViewCtrl() = default;

CFormViewCtrl::~CFormViewCtrl() {
  // Front first; a page whose window someone else destroyed is already gone.
  while (!pages_.empty()) {
    QPointer<CCommonFormView> page = pages_.front();
    pages_.erase(pages_.begin());
    delete page.data();
  }
}

std::int32_t CFormViewCtrl::SetDefaultData(std::uint32_t) { return 1; }

std::int32_t CFormViewCtrl::GetDependData(DataBlockDesc*, std::int32_t& count) {
  count = 0;
  return 1;
}

DataHeader& CFormViewCtrl::GetDataHeader(DataHeader& header) {
  return MakeDataHeader(header, dataId_, dataVersion_, dataSize_);
}

DataHeader& CFormViewCtrl::MakeDataHeader(DataHeader& header, std::uint32_t id, std::int32_t version,
                                          std::int32_t size) {
  header.fill(0);
  std::copy(std::begin(kBlockMagic), std::end(kBlockMagic), header.begin());
  WriteLE32(header.data() + kBlockIdOffset, id);
  WriteLE32(header.data() + kBlockVersionOffset, static_cast<std::uint32_t>(version));
  WriteLE32(header.data() + kBlockSizeOffset, static_cast<std::uint32_t>(size));
  return header;
}

std::int32_t CFormViewCtrl::Initialize(AppSettingsBlock* settingsBlock, QWidget* mainFrame, QWidget* parent) {
  settingsBlock_ = settingsBlock;
  if (initialized_) return kFormCtrlAlreadyInitialized;
  if (const std::int32_t e = PreInitialize(); e != kFormCtrlOk) return e;

  parent_ = parent;
  mainFrame_ = mainFrame;
  mainFrameHandle_ = plat::WindowHandle(mainFrame);
  ResetKind();
  CreatePages();

  for (const QPointer<CCommonFormView>& page : pages_) {
    if (!page) continue;
    page->SetController(this);
    page->SetPageValue(pageValue_);
    page->setParent(parent);
    if (parent) page->setGeometry(parent->rect());
    plat::SetControlId(page, page->TemplateId());
    page->hide();
  }
  currentPage_ = 0;
  initialized_ = true;
  for (const QPointer<CCommonFormView>& page : pages_)
    if (page) page->InitialUpdate();

  if (settingsBlock_) {
    table_.SelectLanguageFile(plat::FieldText(settingsBlock_->langFolder), settingsBlock_->langId, kLangIdEnglish);
    table_.LoadResources(kPluginCommonResourceKey);
  }
  return kFormCtrlOk;
}

std::int32_t CFormViewCtrl::RegisterDataBlocks(IPluginDataMgr* manager) {
  if (!manager) return kSettingNotFound;
  if (manager->FindBlock(dataId_) == kSettingNotFound) {
    if (const std::int32_t r = manager->AddBlock(dataId_, dataVersion_, dataSize_); r != kSettingOk) return r;
    SetDefaultData(dataId_);
  }
  std::int32_t count = 0;
  GetDependData(nullptr, count);
  if (count <= 0) return kSettingOk;
  if (count > kMaxDependBlocks) return kSettingBadData;
  std::vector<DataBlockDesc> records(static_cast<std::size_t>(count), DataBlockDesc{0, 0, 0});
  std::int32_t filled = count;
  GetDependData(records.data(), filled);
  filled = std::clamp(filled, 0, count);
  for (std::int32_t i = 0; i < filled; ++i) {
    const DataBlockDesc& record = records[static_cast<std::size_t>(i)];
    if (manager->FindBlock(record.id) != kSettingNotFound) continue;
    if (const std::int32_t r = manager->AddBlock(record.id, record.version, record.size); r != kSettingOk) return r;
    SetDefaultData(record.id);
  }
  return kSettingOk;
}

std::vector<CCommonFormView*> CFormViewCtrl::Pages() const {
  std::vector<CCommonFormView*> pages;
  pages.reserve(pages_.size());
  for (const QPointer<CCommonFormView>& page : pages_) pages.push_back(page.data());
  return pages;
}

void CFormViewCtrl::AddPage(CCommonFormView* page) {
  if (page) pages_.emplace_back(page);
}
