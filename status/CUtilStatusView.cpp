#include "status/CUtilStatusView.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <chrono>
#include <thread>

#include "comm/XJC.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/EventLog.h"
#include "res/BitmapResources.h"
#include "res/ResourceIds.h"
#include "sdk/AppSettingsBlock.h"
#include "sdk/IPluginDataMgr.h"
#include "views/CErrorCorrespondenceDlg.h"
#include "status/CPrinterSettingView.h"
#include "status/CPrinterSettingViewCtrl.h"
#include "status/DesktopNotifier.h"
#include "status/PrinterInfoBlock.h"
#include "status/PrinterStatusTexts.h"
#include "status/StatusNotifications.h"
#include "views/CEngineCommCtrl.h"
#include "views/CStaticItem.h"
#include "views/CStaticPictureItem.h"
#include "views/CommonMessages.h"
#include "views/Messages.h"

namespace {

// Template positions of the controls (x, y, width, height in dialog units).
struct ControlPlace {
  int x, y, width, height;
};
constexpr ControlPlace kPrinterPicturePlace{6, 3, 29, 25};
constexpr ControlPlace kNamePlace{39, 6, 143, 8};
constexpr ControlPlace kPortPlace{39, 15, 253, 15};
constexpr ControlPlace kStatusPlace{183, 6, 180, 8};
constexpr ControlPlace kBatteryPlace{412, 3, 29, 25};

constexpr std::int32_t kOpenWithCheck = 1;
constexpr std::int32_t kOpenWithoutCheck = 0;
constexpr std::int32_t kPathGiven = 1;
constexpr char16_t kSettingIniName[] = u"SETTING.INI";

// The colour of the system's window brush: the background of text areas.
QColor WindowColor() { return QApplication::palette().color(QPalette::Base); }

QRect Place(const plat::DialogBaseUnits& units, const ControlPlace& place) {
  return plat::DluRect(units, place.x, place.y, place.width, place.height);
}

}  // namespace

CUtilStatusView::CUtilStatusView(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(false);
  resize(plat::DluSize(plat::BaseUnitsOf(font()), kWidthDlu, kHeightDlu));
  plat::SetMessageHandler(this, plat::WM_ERASEBKGND,
                          [this](plat::WPARAM w, plat::LPARAM) { return OnEraseBackground(w); });
  plat::SetMessageHandler(this, UM_UPDATE_PRINTER_INFO,
                          [this](plat::WPARAM, plat::LPARAM) { return OnUpdatePrinterInfo(); });
  plat::SetMessageHandler(this, UM_GET_PRINTER_STATUS,
                          [this](plat::WPARAM w, plat::LPARAM) { return OnGetPrinterStatus(w); });
  plat::SetMessageHandler(this, UM_READ_PRINTER_SETTINGS,
                          [this](plat::WPARAM, plat::LPARAM) { return OnReadPrinterSettings(); });
  plat::SetMessageHandler(this, UM_STOP_STATUS_MONITOR,
                          [this](plat::WPARAM, plat::LPARAM) { return OnStopStatusMonitor(); });
  plat::SetMessageHandler(this, UM_PRINTER_STATUS,
                          [this](plat::WPARAM w, plat::LPARAM) { return OnPrinterStatus(w); });
  plat::SetMessageHandler(this, UM_BATTERY_STATUS,
                          [this](plat::WPARAM w, plat::LPARAM) { return OnBatteryStatus(w); });
  CreateControls();
}

CUtilStatusView::~CUtilStatusView() {
  if (battery_ != nullptr) battery_->SetImage(QPixmap());
  ctrl_.reset();
}

void CUtilStatusView::CreateControls() {
  const plat::DialogBaseUnits units = plat::BaseUnitsOf(font());
  printer_ = new CStaticPictureItem(this);
  printer_->setGeometry(Place(units, kPrinterPicturePlace));
  printer_->SetImage(LoadBitmapResource(IDB_PRINTER));
  plat::SetControlId(printer_, IDC_PRINTER_PICTURE);

  name_ = new CStaticItem(this);
  name_->setGeometry(Place(units, kNamePlace));
  plat::SetControlId(name_, IDC_PRINTER_NAME);
  port_ = new CStaticItem(this);
  port_->setGeometry(Place(units, kPortPlace));
  port_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  plat::SetControlId(port_, IDC_PORT);
  status_ = new CStaticItem(this);
  status_->setGeometry(Place(units, kStatusPlace));
  plat::SetControlId(status_, IDC_STATUS);
  for (CStaticItem* line : {name_, port_, status_}) line->setTextFormat(Qt::PlainText);

  battery_ = new CStaticPictureItem(this);
  battery_->setGeometry(Place(units, kBatteryPlace));
  plat::SetControlId(battery_, IDC_BATTERY);
  batteryPicture_ = IDB_BATTERY_UNKNOWN;
  battery_->SetImage(LoadBitmapResource(batteryPicture_));
}

void CUtilStatusView::OnInitialUpdate(AppSettingsBlock* block, QWidget* mainFrame, bool printerAnswered) {
  if (initialized_) return;
  initialized_ = true;
  block_ = block;
  mainFrame_ = mainFrame;
  printerAnswered_ = printerAnswered;
  if (block_ == nullptr) return;

  if (table_.SelectLanguageFile(plat::FieldText(block_->langFolder), block_->langId, kLangIdEnglish) ==
      kLangFileNone) {
    ShowWarningMessage(nullptr, kTextNoFilesClosing);
    if (mainFrame_ != nullptr) plat::PostMessage(plat::WindowHandle(mainFrame_), plat::WM_CLOSE, 0, 0);
    return;
  }
  table_.LoadResources(kStatusResourceKey);
  lastStatusText_ = table_.StringOr(kStatusEntryUnknown, kTextUnknown);
  labels_.nameLabel = table_.StringOr(kStatusEntryNameLabel, kTextNameLabel);
  labels_.portLabel = table_.StringOr(kStatusEntryPortLabel, kTextPortLabel);
  labels_.statusLabel = table_.StringOr(kStatusEntryStatusLabel, kTextStatusLabel);
  labels_.unknownPort = table_.StringOr(kStatusEntryUnknownPort, kTextUnknown);

  // The hidden printer settings view and the printer information block it fills.
  ctrl_ = std::make_unique<CPrinterSettingViewCtrl>();
  ctrl_->SetDataSize(kPrinterInfoBlockSize);
  ctrl_->Initialize(block_, mainFrame_, mainFrame_);
  if (block_->dataMgr != nullptr) ctrl_->RegisterDataBlocks(block_->dataMgr);

  const COLORREF window = RgbColor(WindowColor().red(), WindowColor().green(), WindowColor().blue());
  for (CStaticItem* line : {name_, port_, status_}) {
    line->MakeBold();
    line->SetBackgroundColor(window);
  }

  OnUpdatePrinterInfo();
  if (block_->mode == kModeFile) battery_->hide();

  const std::u16string settingIni = std::u16string(plat::FieldText(block_->exeFolder)) + kSettingIniName;
  if (NotificationsEnabled(settingIni)) notifier_ = std::make_unique<DesktopNotifier>();
}

void CUtilStatusView::SetMenuItems(MenuItemList* items) {
  items_ = items;
  itemsHandedOver_ = true;
}

void CUtilStatusView::StartMonitoring(MenuItemList* items) {
  plat::SendMessage(plat::WindowHandle(this), UM_UPDATE_PRINTER_INFO, 0, 0);
  SetMenuItems(items);
  if (!printerAnswered_) {
    SetStatusLine(StatusWordText(machine_.ShownStatus()));
  } else {
    machine_.StartMonitoring(true);
    SetStatusLine(StatusWordText(machine_.ShownStatus()));
    ReadPrinterSettings();
  }
  RegisterStatusCallbacks(Comm());
}

XJC* CUtilStatusView::Comm() {
  if (xjc_ == nullptr) xjc_ = BlockXJC(block_);
  return xjc_;
}

XJC_RESULT CUtilStatusView::RegisterStatusCallbacks(XJC* xjc) {
  if (xjc == nullptr || !xjc->IsLoaded()) return XJC_E_NOT_LOADED;
  void* context = plat::WindowHandle(this);
  const XJC_RESULT status = xjc->XJC_RegisterStatusProc(&CUtilStatusView::StatusCallback, context);
  const XJC_RESULT battery = xjc->XJC_RegisterBatStatusProc(&CUtilStatusView::BatteryCallback, context);
  return status != XJC_OK ? status : battery;
}

std::int32_t CUtilStatusView::StatusCallback(std::uint32_t value, void* context) {
  auto* view = static_cast<plat::HWND>(context);
  if (!plat::IsWindow(view)) return 0;
  return plat::PostMessage(view, UM_PRINTER_STATUS, value, reinterpret_cast<plat::LPARAM>(view)) ? 1 : 0;
}

std::int32_t CUtilStatusView::BatteryCallback(std::uint32_t value, void* context) {
  auto* view = static_cast<plat::HWND>(context);
  if (!plat::IsWindow(view)) return 0;
  return plat::PostMessage(view, UM_BATTERY_STATUS, value & 0xFFFFu, reinterpret_cast<plat::LPARAM>(view)) ? 1 : 0;
}

std::int32_t CUtilStatusView::ReadPrinterSettings() {
  if (!itemsHandedOver_) return kSettingsReadComplete;
  XJC* xjc = Comm();
  if (xjc != nullptr && xjc->IsLoaded()) xjc->XJC_Initialize();

  const bool pathGiven = block_ != nullptr && block_->chosenPort.pathGiven == kPathGiven && xjc != nullptr &&
                         xjc->IsLoaded();
  if (pathGiven) {
    xjc->XJC_Close();
    if (xjc->XJC_Open(kOpenWithCheck) != XJC_OK) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kReopenDelayMs));
      xjc->XJC_Open(kOpenWithCheck);
    }
  }

  std::int32_t result = kReadNoPage;
  if (CPrinterSettingView* view = ctrl_ != nullptr ? ctrl_->SettingView() : nullptr) {
    view->SetPluginList(items_);
    view->EngineCommCtrl().threadProc = [](CCommonFormView* page) {
      return static_cast<CPrinterSettingView*>(page)->ReadWorker();
    };
    result = view->EngineCommCtrl().RunJob(view);
  }

  if (pathGiven) {
    xjc->XJC_Close();
    xjc->XJC_Open(kOpenWithoutCheck);
  }
  machine_.OnSettingsRead(result);
  plat::LogEvent(plat::kEventSettingsRead, {plat::FormatInt(result)});
  return result;
}

plat::LRESULT CUtilStatusView::OnUpdatePrinterInfo() {
  if (block_ == nullptr || block_->dataMgr == nullptr) return kStatusMessageFailed;
  PrinterInfoBlock info{};
  if (block_->dataMgr->GetData(kPrinterInfoBlockId, info.data(), kPrinterInfoBlockSize) != kSettingOk)
    return kStatusMessageFailed;
  nameLine_ = NameLine(labels_.nameLabel, InfoText(info.data(), kInfoNameOffset), block_->mode);
  portLine_ = PortLine(*block_, labels_);
  name_->setText(plat::ToQString(nameLine_));
  port_->setText(plat::ToQString(portLine_));
  status_->setText(plat::ToQString(statusLine_));
  return kStatusMessageOk;
}

plat::LRESULT CUtilStatusView::OnGetPrinterStatus(plat::WPARAM statusOut) {
  if (statusOut != 0) *reinterpret_cast<std::int32_t*>(statusOut) = machine_.ShownStatus();
  return kStatusMessageOk;
}

plat::LRESULT CUtilStatusView::OnEraseBackground(plat::WPARAM) {
  update();
  return kStatusMessageHandled;
}

plat::LRESULT CUtilStatusView::OnReadPrinterSettings() { return ReadPrinterSettings(); }

plat::LRESULT CUtilStatusView::OnStopStatusMonitor() {
  machine_.StopMonitoring();
  return kStatusMessageOk;
}

plat::LRESULT CUtilStatusView::OnPrinterStatus(plat::WPARAM status) {
  const StatusStep step = machine_.OnStatus(static_cast<std::int32_t>(static_cast<std::uint32_t>(status)));
  if (!step.handled) return kStatusMessageHandled;
  const std::u16string word = StatusWordText(step.shown);
  if (step.readSettings && !IsCommunicationJobRunning()) {
    if (ReadPrinterSettings() == kReadWrongPrinter) {
      machine_.RollBack(step);
      SetStatusLine(lastStatusText_);
      return kStatusMessageReadFailed;
    }
  }
  SetStatusLine(word);
  switch (NoticeForStatus(step)) {
    case StatusNotice::kNone: break;
    default: Notify(word); break;
  }
  if (step.opensGuidance) OpenErrorGuidance(step.shown);
  return kStatusMessageHandled;
}

plat::LRESULT CUtilStatusView::OnBatteryStatus(plat::WPARAM battery) {
  const bool scaleIsFine = block_ == nullptr || block_->batteryScaleFlag == 1;
  const std::optional<int> picture = machine_.OnBattery(static_cast<std::uint16_t>(battery & 0xFFFFu), scaleIsFine);
  if (!picture) return kStatusMessageHandled;
  const int previous = batteryPicture_;
  ShowBatteryPicture(*picture);
  if (batteryPicture_ == *picture && NoticeForBattery(previous, *picture))
    Notify(table_.StringOr(kStatusEntryBatteryLow, kTextBatteryLow));
  return kStatusMessageHandled;
}

std::u16string CUtilStatusView::StatusWordText(std::int32_t code) const {
  const StatusWord word = StatusWordOf(code);
  return table_.StringOr(word.entry, word.english);
}

void CUtilStatusView::SetStatusLine(const std::u16string& word) {
  const std::u16string line = StatusLine(labels_.statusLabel, word, block_ != nullptr ? block_->mode : kModeNormal);
  const bool changed = line != statusLine_;
  statusLine_ = line;
  status_->setText(plat::ToQString(statusLine_));
  lastStatusText_ = word;
  if (changed) plat::LogEvent(plat::kEventStatusLine, {statusLine_});
}

void CUtilStatusView::ShowBatteryPicture(int picture) {
  const QPixmap bitmap = LoadBitmapResource(picture);
  if (bitmap.isNull()) return;
  battery_->SetImage(bitmap);
  batteryPicture_ = picture;
  plat::LogEvent(plat::kEventBatteryPicture, {plat::FormatInt(picture)});
}

void CUtilStatusView::OpenErrorGuidance(std::int32_t code) {
  const std::int32_t langId = block_ != nullptr ? block_->langId : kLangIdEnglish;
  const std::u16string folder = block_ != nullptr ? std::u16string(plat::FieldText(block_->langFolder)) : u"";
  CErrorCorrespondenceDlg dialog(code, langId, folder, this);
  if (plat::AutomaticAnswersEnabled()) {
    // Nobody reads it: its texts are logged and it is closed as by its OK button.
    dialog.OnInitDialog();
  } else {
    dialog.exec();
  }
  plat::LogEvent(plat::kEventErrorGuidance, {plat::FormatInt(code), plat::FromQString(dialog.windowTitle()),
                                             plat::FromQString(dialog.Guidance()->text())});
}

void CUtilStatusView::Notify(const std::u16string& summary) {
  if (notifier_ == nullptr) return;
  const std::u16string body = nameLine_ + u"\n" + portLine_;
  const bool sent = notifier_->Notify(plat::ToQString(summary), plat::ToQString(body));
  plat::LogEvent(plat::kEventNotification, {summary, body, sent ? u"sent" : u"no-bus"});
}

QString CUtilStatusView::StatusText() const { return status_->text(); }
QString CUtilStatusView::NameText() const { return name_->text(); }
QString CUtilStatusView::PortText() const { return port_->text(); }

void CUtilStatusView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), WindowColor());
}
