#include "views/CCommonFormView.h"

#include <QEvent>
#include <QResizeEvent>

#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogUnits.h"
#include "views/CFormViewCtrl.h"
#include "views/CommonMessages.h"

namespace {
constexpr std::u16string_view kEnglishLangCode = u"0409";
constexpr std::u16string_view kWirelessMarks[] = {u"WX-N", u"Wi-Fi"};
}  // namespace

CCommonFormView::CCommonFormView(QWidget* parent) : QWidget(parent) {
  engineCommCtrl_.progressCallback = &::ReportProgress;
  resize(plat::DluSize(plat::BaseUnitsOf(font()), kTemplateWidthDlu, kTemplateHeightDlu));
  plat::SetMessageHandler(this, plat::WM_SIZE, [this](plat::WPARAM, plat::LPARAM) {
    ApplySizingRule();
    return plat::LRESULT{0};
  });
  WatchParent();
}

CCommonFormView::~CCommonFormView() = default;

AppSettingsBlock* CCommonFormView::SettingsBlock() const {
  return controller_ ? controller_->SettingsBlock() : nullptr;
}

void CCommonFormView::InitialUpdate() {
  if (initialUpdateDone_) return;
  initialUpdateDone_ = true;
  OnInitialUpdate();
}

void CCommonFormView::OnInitialUpdate() {
  AppSettingsBlock* block = SettingsBlock();
  if (!block) return;  // nothing tells the page where its language files are
  const std::u16string folder(plat::FieldText(block->langFolder));

  if (commonTable_.SelectLanguageFile(folder, block->langId, kLangIdEnglish) != kLangFileNone)
    commonTable_.LoadResources(kAppResourceKey);

  const LangFileResult r = pageTable_.SelectLanguageFile(folder, block->langId, kLangIdEnglish);
  std::u16string message;
  if (r == kLangFileNone) {
    message = kMsgLangFilesMissingClosing;
  } else if (r == kLangFileFallback) {
    if (!englishFallbackReported_) {
      message = kMsgLangFilesMissingEnglish;
      englishFallbackReported_ = true;
    }
    block->langId = kLangIdEnglish;
    plat::CopyText(block->langCode, kEnglishLangCode);
  }
  if (!message.empty()) ShowWarningMessage(nullptr, message.c_str());
  if (r == kLangFileNone) {
    CloseApplication();
    return;
  }
  pageTable_.LoadResources(kPageResourceKey);
}

bool CCommonFormView::GetRetryParameters(RetryParameters* out) {
  if (!out) return false;
  out->limit = kRetryLimitDefault;
  if (const AppSettingsBlock* block = SettingsBlock(); block && block->chosenIfType == kIfTypeEthernet) {
    const std::u16string_view info = plat::FieldText(block->chosenPort.deviceInfo);
    for (std::u16string_view mark : kWirelessMarks)
      if (info.find(mark) != std::u16string_view::npos) out->limit = kRetryLimitWireless;
  }
  out->count = kRetryCount;
  out->interval = kRetryIntervalMs;
  return true;
}

std::int32_t CCommonFormView::SetPluginData(std::uint32_t id, void* data, std::int32_t size) {
  const AppSettingsBlock* block = SettingsBlock();
  if (!block || !block->dataMgr) return kSettingNotFound;
  return block->dataMgr->SetData(id, size, data);
}

std::int32_t CCommonFormView::SetOwnPluginData(void* data, std::int32_t size) {
  if (!controller_) return kSettingNotFound;
  return SetPluginData(controller_->DataId(), data, size);
}

std::int32_t CCommonFormView::GetPluginData(std::uint32_t id, void* buffer, std::int32_t size) {
  const AppSettingsBlock* block = SettingsBlock();
  if (!block || !block->dataMgr) return kSettingNotFound;
  return block->dataMgr->GetData(id, buffer, size);
}

std::int32_t CCommonFormView::GetOwnPluginData(void* buffer, std::int32_t size) {
  if (!controller_) return kSettingNotFound;
  return GetPluginData(controller_->DataId(), buffer, size);
}

void CCommonFormView::CloseApplication() {
  if (!controller_) return;
  if (const plat::HWND frame = controller_->MainFrame()) plat::PostMessage(frame, plat::WM_CLOSE, 0, 0);
}

void CCommonFormView::ReportProgress(int percent) {
  if (engineCommCtrl_.progressCallback) engineCommCtrl_.progressCallback(percent, &engineCommCtrl_);
}

void CCommonFormView::ApplySizingRule() {
  QWidget* parent = parentWidget();
  if (sizing_ || !parent || !isVisible()) return;
  sizing_ = true;
  const QSize own = size();
  const QRect client = parent->rect();
  if (client.width() > own.width() || client.height() > own.height())
    setGeometry(client);
  else
    setGeometry(QRect(QPoint(0, 0), own));
  sizing_ = false;
}

void CCommonFormView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ApplySizingRule();
}

void CCommonFormView::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ApplySizingRule();
}

bool CCommonFormView::event(QEvent* event) {
  if (event->type() == QEvent::ParentChange) WatchParent();
  return QWidget::event(event);
}

bool CCommonFormView::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watchedParent_ && event->type() == QEvent::Resize) ApplySizingRule();
  return QWidget::eventFilter(watched, event);
}

void CCommonFormView::WatchParent() {
  if (watchedParent_ == parentWidget()) return;
  if (watchedParent_) watchedParent_->removeEventFilter(this);
  watchedParent_ = parentWidget();
  if (watchedParent_) watchedParent_->installEventFilter(this);
}
