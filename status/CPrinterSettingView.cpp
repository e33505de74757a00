#include "status/CPrinterSettingView.h"

#include <QMetaObject>
#include <QThread>
#include <chrono>
#include <thread>

#include "platform/Text.h"
#include "platform/ui/Messages.h"
#include "sdk/AppSettingsBlock.h"
#include "views/CFormViewCtrl.h"
#include "views/CommonMessages.h"
#include "views/Messages.h"

namespace {

std::u16string_view EnglishMessage(int entry) {
  switch (entry) {
    case kReadMsgDeviceIdMismatch: return kTextDeviceIdMismatch;
    case kReadMsgCommunicationError: return kTextCommunicationError;
    default: return kTextSettingsIncomplete;
  }
}

std::int64_t SteadySeconds() {
  return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

CPrinterSettingView::CPrinterSettingView(QWidget* parent) : CSingleFormView(parent) {}

CPrinterSettingView::~CPrinterSettingView() = default;

void CPrinterSettingView::OnInitialUpdate() {
  AppSettingsBlock* block = SettingsBlock();
  if (block != nullptr) {
    table_.SelectLanguageFile(plat::FieldText(block->langFolder), block->langId, kLangIdEnglish);
    table_.LoadResources(kPrinterSettingViewResourceKey);
  }
  if (Controller() == nullptr || block == nullptr) return;
  if (library_.Load(kPrinterInfoLibraryName)) library_.Open(block->xjc);
}

void CPrinterSettingView::UseInformationManager(const PrinterInfoEntryPoints& entries) {
  library_.Adopt(entries);
  const AppSettingsBlock* block = SettingsBlock();
  library_.Open(block != nullptr ? block->xjc : nullptr);
}

void CPrinterSettingView::SetPluginList(const MenuItemList* items) {
  plugins_.clear();
  if (items == nullptr) return;
  for (const std::unique_ptr<MenuItemRecord>& item : *items) {
    if (item && item->plugin.IsLoaded() && item->plugin.pReadPrinterSettings != nullptr)
      plugins_.push_back(item->plugin.pReadPrinterSettings);
  }
}

std::int32_t CPrinterSettingView::ReadWorker() {
  const AppSettingsBlock* block = SettingsBlock();
  RetryParameters retry{};
  GetRetryParameters(&retry);

  ReadWorkerInput input;
  input.entries = &library_.Entries();
  input.handle = library_.Handle();
  input.mode = block != nullptr ? block->mode : kModeNormal;
  input.retry.count = retry.count;
  input.retry.intervalMs = retry.interval;
  input.plugins = plugins_;
  input.dataMgr = block != nullptr ? block->dataMgr : nullptr;

  ReadWorkerHost host;
  host.reportProgress = [this](int percent) { ReportProgress(percent); };
  host.warn = [this](int entry) { WarnFromWorker(entry); };
  host.readInformation = [this] { return ReadSettingsFromPrinter(); };
  host.sleep = [](std::int32_t ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
  host.nowSeconds = &SteadySeconds;
  return RunPrinterReadWorker(input, host);
}

std::int32_t CPrinterSettingView::ReadSettingsFromPrinter() {
  const AppSettingsBlock* block = SettingsBlock();
  block_ = DefaultPrinterInfoBlock();
  GetOwnPluginData(block_.data(), kPrinterInfoBlockSize);
  const std::int32_t result =
      ReadPrinterInformation(library_.Entries(), library_.Handle(), block != nullptr ? block->deviceId : 0, block_);
  if (result != kReadOk) return result;
  SetOwnPluginData(block_.data(), kPrinterInfoBlockSize);
  if (CFormViewCtrl* controller = Controller(); controller != nullptr && controller->MainFrame() != nullptr)
    plat::PostMessage(controller->MainFrame(), UM_UPDATE_PRINTER_INFO, 0, 0);
  return result;
}

bool CPrinterSettingView::GetRetryParameters(RetryParameters* out) {
  if (out == nullptr) return false;
  out->limit = kSettingViewRetryLimit;
  out->count = kSettingViewRetryCount;
  out->interval = kSettingViewRetryIntervalMs;
  return true;
}

void CPrinterSettingView::WarnFromWorker(int entry) {
  const std::u16string text = table_.MessageOr(entry, EnglishMessage(entry));
  // Message boxes belong to the UI thread: the worker waits there until it is answered.
  const plat::HWND progress = EngineCommCtrl().progressWindow;
  const auto show = [progress, &text] {
    QWidget* owner = plat::IsWindow(progress) ? plat::WindowFromHandle(progress) : nullptr;
    ShowWarningMessage(owner, text.c_str());
  };
  if (QThread::currentThread() == thread()) {
    show();
  } else {
    QMetaObject::invokeMethod(this, show, Qt::BlockingQueuedConnection);
  }
}
