#include "comm/CPrinterSelectDlg.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "sdk/IPluginDataMgr.h"
#include "comm/CCommunicationSettingDlg.h"
#include "comm/ModelName.h"
#include "comm/PortEnumeration.h"
#include "comm/XJC.h"
#include "lang/CSelectLangDlg.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/EventLog.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/ReportList.h"
#include "platform/ui/RunningCopy.h"
#include "platform/ui/WaitCursor.h"
#include "res/BitmapResources.h"
#include "res/ResourceIds.h"
#include "views/CErrorCorrespondenceDlg.h"
#include "views/CStaticItem.h"
#include "views/CStaticPictureItem.h"
#include "views/CommonMessages.h"

namespace {

// Messages of the "PRT_SELECT_DLG" table.
constexpr int kMsgSelectPrinter = 0;
constexpr int kMsgConfirmDelete = 1;
constexpr int kMsgWrongModel = 2;
constexpr int kMsgCannotCommunicate = 3;
constexpr int kMsgInUse = 4;
constexpr int kMsgAddPortFailed = 5;
constexpr int kMsgDeletePortFailed = 6;
constexpr int kMsgLanguageNotSaved = 7;
constexpr int kMsgPrintServer = 8;
constexpr int kMsgUnknownDevice = 9;
constexpr int kMsgNotConnected = 10;
constexpr int kMsgMalformedUri = 11;
// Strings of the "PRT_SELECT_DLG" table.
constexpr int kStrSerial = 1;
constexpr int kStrParallel = 2;
constexpr int kStrUsb = 3;
constexpr int kStrNet = 4;
constexpr int kStrSelect = 5;
constexpr int kStrBluetooth = 6;
// The port column of an installed printer whose device cannot be set up.
constexpr int kStrPortNotSupported = 7;
constexpr int kStrPortNotConnected = 8;
constexpr int kStrPortInvalid = 9;
// Why a device URI cannot be read: kStrUriFaultBase + DeviceUriFault.
constexpr int kStrUriFaultBase = 20;

constexpr char16_t kDefaultSelectPrinter[] = u"Please select the printer you want to setup.";
constexpr char16_t kDefaultConfirmDelete[] = u"Do you really want to delete the selected port?";
constexpr char16_t kDefaultWrongModel[] = u"The connected printer is not %s.";
constexpr char16_t kDefaultCannotCommunicate[] = u"Cannot communicate with the printer.";
constexpr char16_t kDefaultInUse[] = u"Cannot launch the printer because it is in use by another application.";
constexpr char16_t kNoLanguageFiles[] = u"Could not find the required files.\nClosing application.";
constexpr char16_t kEnglishFallback[] = u"Could not find the required files.\nDisplaying the screen in English.";
constexpr char16_t kDefaultAddPortFailed[] = u"The port could not be added.";
constexpr char16_t kDefaultDeletePortFailed[] = u"The port could not be deleted.";
constexpr char16_t kDefaultLanguageNotSaved[] = u"The language setting could not be saved.";
constexpr char16_t kEnglishCode[] = u"0409";
constexpr char16_t kDefaultPrintServer[] =
    u"This printer is reached through a print server (%s).\nThe utility sets up printers that this computer "
    u"reaches directly: give the printer's queue its network address (socket://), or its serial, USB, parallel or "
    u"Bluetooth port.";
constexpr char16_t kDefaultUnknownDevice[] =
    u"The utility cannot reach a printer through this connection: %s\nIt sets up printers connected through the "
    u"network (socket://), a serial, USB or parallel port, or Bluetooth.";
constexpr char16_t kDefaultNotConnected[] = u"The printer of this connection is not connected: %s";
constexpr char16_t kDefaultMalformedUri[] = u"The printer's connection is not valid: %s";
constexpr char16_t kDefaultPortNotSupported[] = u"Cannot be set up: %s";
constexpr char16_t kDefaultPortNotConnected[] = u"Not connected: %s";
constexpr char16_t kDefaultPortInvalid[] = u"Invalid: %s";
// Built-in texts of the reasons, in the order of DeviceUriFault (None first).
constexpr const char16_t* kDefaultUriFaults[] = {
    u"",
    u"it is not a device URI",
    u"the printer's network address is not valid",
    u"the port number is not valid",
    u"it names no device path",
    u"the port cannot use the setting %s",
    u"the Bluetooth address is not valid",
    u"it names no printer model",
};

// Printer status values that the error guidance dialog explains.
constexpr std::int32_t kStatusUnknown = -1;

// Template layout, in dialog units.
constexpr int kDialogWidthDlu = 320;
constexpr int kDialogHeightDlu = 208;
constexpr int kMarginDlu = 7;
constexpr int kTextXDlu = 46;
constexpr int kHintHeightDlu = 22;
constexpr int kListYDlu = 48;
constexpr int kListHeightDlu = 112;
// Room beside a column heading's text (sort marker, margins), in pixels.
constexpr int kHeadingPadding = 16;
constexpr int kPortButtonsYDlu = 166;
constexpr int kBottomYDlu = 188;
constexpr int kButtonHeightDlu = 14;
constexpr int kButtonWidthDlu = 52;
constexpr int kPortButtonWidthDlu = 64;
constexpr int kLangButtonWidthDlu = 80;

PortRecord* RecordOfRow(const plat::ReportList* list, int row) {
  return row < 0 ? nullptr : reinterpret_cast<PortRecord*>(list->RowData(row));
}

}  // namespace

CPrinterSelectDlg::CPrinterSelectDlg(QWidget* parent)
    : QDialog(parent), block_(std::make_unique<AppSettingsBlock>()) {
  std::memset(block_.get(), 0, sizeof(AppSettingsBlock));
  setObjectName(QStringLiteral("CPrinterSelectDlg"));
  CreateControls();
  langDlg_ = new CSelectLangDlg(this);
}

CPrinterSelectDlg::~CPrinterSelectDlg() = default;

void CPrinterSelectDlg::SetSettingsBlock(const AppSettingsBlock& block) { *block_ = block; }

bool CPrinterSelectDlg::IsDriverMode() const {
  return block_->mode == kModeDriver || block_->mode == kModeDriverLogo;
}

void CPrinterSelectDlg::CreateControls() {
  const plat::DialogBaseUnits units = plat::BaseUnitsOf(font());
  setFixedSize(plat::DluSize(units, kDialogWidthDlu, kDialogHeightDlu));
  const int innerWidth = kDialogWidthDlu - 2 * kMarginDlu;
  auto place = [&](QWidget* w, int id, int x, int y, int width, int height) {
    w->setGeometry(plat::DluRect(units, x, y, width, height));
    plat::SetControlId(w, id);
  };
  auto button = [&](int id, const char* text, int x, int y, int width) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setAutoDefault(false);
    place(b, id, x, y, width, kButtonHeightDlu);
    return b;
  };

  picture_ = new CStaticPictureItem(this);
  plat::SetControlId(picture_, IDC_PICTURE);
  const QRect pictureCell = plat::DluRect(units, kMarginDlu, kMarginDlu, 0, 0);
  picture_->setGeometry(pictureCell.x(), pictureCell.y(), kPictureSize, kPictureSize);
  picture_->SetImage(LoadBitmapResource(IDB_PRINTER));

  guide_ = new CStaticItem(this);
  place(guide_, IDC_GUIDE, kTextXDlu, 9, kDialogWidthDlu - kTextXDlu - kMarginDlu, 10);
  guide_->SetBackgroundColor(kStaticItemDefaultColor);
  guide_->setText(QStringLiteral("Select Printer and Press [OK] Button."));
  guide_->MakeBold();

  hint_ = new QLabel(this);
  place(hint_, IDC_ADD_HINT, kTextXDlu, 21, kDialogWidthDlu - kTextXDlu - kMarginDlu, kHintHeightDlu);
  hint_->setText(QStringLiteral(
      "If the port to which the printer is connected is not listed, \nadd it by clicking the Add Port button."));
  hint_->setWordWrap(true);
  hint_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  list_ = new plat::ReportList(this);
  place(list_, IDC_LIST, kMarginDlu, kListYDlu, innerWidth, kListHeightDlu);
  connect(list_, &plat::ReportList::SelectionChanged, this, &CPrinterSelectDlg::UpdateButtons);
  // A double-click on a row is OK. (Enter reaches OK as the default button.)
  connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { OnOK(); });

  add_ = button(IDC_ADD_PORT, "Add Port", kMarginDlu, kPortButtonsYDlu, kPortButtonWidthDlu);
  connect(add_, &QPushButton::clicked, this, &CPrinterSelectDlg::OnAddPort);
  delete_ = button(IDC_DELETE_PORT, "Delete Port", kMarginDlu + kPortButtonWidthDlu + 4, kPortButtonsYDlu,
                   kPortButtonWidthDlu);
  connect(delete_, &QPushButton::clicked, this, &CPrinterSelectDlg::OnDeletePort);

  selectLang_ = button(IDC_SELECT_LANG, "Select Language", kMarginDlu, kBottomYDlu, kLangButtonWidthDlu);
  connect(selectLang_, &QPushButton::clicked, this, &CPrinterSelectDlg::OnSelectLanguage);
  langLabel_ = new QLabel(this);
  place(langLabel_, IDC_LANG_LABEL, kMarginDlu + kLangButtonWidthDlu + 6, kBottomYDlu, 100, kButtonHeightDlu);
  langLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);

  ok_ = button(plat::IDOK, "OK", kDialogWidthDlu - kMarginDlu - 2 * kButtonWidthDlu - 6, kBottomYDlu, kButtonWidthDlu);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &CPrinterSelectDlg::OnOK);
  cancel_ = button(plat::IDCANCEL, "Cancel", kDialogWidthDlu - kMarginDlu - kButtonWidthDlu, kBottomYDlu, kButtonWidthDlu);
  connect(cancel_, &QPushButton::clicked, this, &CPrinterSelectDlg::reject);

  // Present in the template, not used.
  auto* unusedCombo = new QComboBox(this);
  plat::SetControlId(unusedCombo, IDC_LANG_COMBO);
  plat::ShowControl(unusedCombo, false);
  auto* unusedStatic = new QLabel(this);
  plat::SetControlId(unusedStatic, IDC_UNUSED_STATIC);
  plat::ShowControl(unusedStatic, false);

  ok_->setEnabled(false);
  delete_->setEnabled(false);
}

int CPrinterSelectDlg::exec() {
  if (!initialised_ && !InitDialog()) {
    SaveLanguage();
    setResult(QDialog::Rejected);
    return QDialog::Rejected;
  }
  // Scripts answer the dialog once it is shown, the way the user would; the press is
  // logged with its time.
  const plat::AutomaticAnswer answer = plat::ParseAutomaticAnswer(std::getenv(plat::kSelectDialogAnswerVariable));
  if (answer == plat::AutomaticAnswer::kOk || answer == plat::AutomaticAnswer::kCancel) {
    QTimer::singleShot(0, this, [this, answer] {
      const bool ok = answer == plat::AutomaticAnswer::kOk;
      plat::LogEvent(plat::kEventSelectionAnswered, {ok ? u"ok" : u"cancel"});
      if (ok) {
        OnOK();
      } else {
        reject();
      }
    });
  }
  return QDialog::exec();
}

bool CPrinterSelectDlg::InitDialog() {
  initialised_ = true;
  langDlg_->Settings() = *block_;
  langDlg_->Table().SelectLanguageFile(plat::FieldText(block_->langFolder), block_->langId, kLangIdEnglish);
  langDlg_->Table().LoadResources(kSelectLangResourceKey);

  const std::u16string tag = std::u16string(kRunningCopyTagPrefix) + u"_" + kModelName;
  tag_ = new plat::WindowTag(this, plat::ToQString(tag));
  setWindowTitle(plat::ToQString(std::u16string(kModelName) + u" Utility"));
  list_->SetRowHeightPercent(kRowHeightPercent);

  if (!LoadLanguage()) return false;
  // Ports are added and deleted by the driver's own installer in driver mode.
  if (IsDriverMode()) {
    plat::ShowControl(add_, false);
    plat::ShowControl(delete_, false);
  }
  return true;
}

bool CPrinterSelectDlg::LoadLanguage() {
  const std::u16string folder(plat::FieldText(block_->langFolder));
  const LangFileResult found = table_.SelectLanguageFile(folder, block_->langId, kLangIdEnglish);
  if (found == kLangFileNone) {
    ShowWarningMessage(this, kNoLanguageFiles);
    return false;
  }
  if (found == kLangFileFallback) {
    ShowWarningMessage(this, kEnglishFallback);
    block_->langId = kLangIdEnglish;
    plat::CopyText(block_->langCode, kEnglishCode);
    // The language dialog offers what is shown now, English, rather than a language
    // that has no file.
    langDlg_->Settings().langId = block_->langId;
    std::memcpy(langDlg_->Settings().langCode, block_->langCode, sizeof(block_->langCode));
  }
  portAddTable_.SelectLanguageFile(folder, block_->langId, kLangIdEnglish);
  portAddTable_.LoadResources(kPortAddResourceKey);
  table_.LoadResources(kPrinterSelectResourceKey);

  plat::QtControlHost host(this);
  table_.ApplyCaptions(&host);
  table_.FillComboBoxes(&host);
  table_.SetupListColumns(&host);
  // A translated heading longer than its column's width widens the column, so no
  // heading is cut.
  const QFontMetrics headingMetrics(list_->header()->font());
  for (int c = 0; c < list_->ColumnCount(); ++c) {
    plat::ListColumn column;
    if (!list_->GetColumn(c, column)) continue;
    const int needed = headingMetrics.horizontalAdvance(plat::ToQString(column.text)) + kHeadingPadding;
    if (column.width < needed) list_->SetColumnWidth(c, needed);
  }
  guide_->MakeBold();

  const std::u16string name = langDlg_->Table().GetComboItemText(block_->langId);
  langLabel_->setText(plat::ToQString(table_.StringOr(kStrSelect, u"Select") + u": " + name));

  list_->setUpdatesEnabled(false);
  RefreshList();
  list_->setUpdatesEnabled(true);
  return true;
}

void CPrinterSelectDlg::RefreshList() {
  const std::int32_t driverMode = IsDriverMode() ? kEnumDriverMode : kEnumPortMode;
  if (std::optional<std::vector<PortRecord>> listed = ListRegisteredPorts(xjc_, driverMode)) {
    // The rows and the installed-printer entries point into the port array: both go
    // before the array is replaced. A list whose filling failed shows nothing rather
    // than rows of records that no longer exist.
    list_->DeleteAllRows();
    entries_.clear();
    ports_ = std::move(*listed);
    portCount_ = ports_.size();
    if (IsInstalledPrinterMode()) {
      const std::vector<plat::InstalledPrinter> printers = plat::EnumInstalledPrinters();
      QueueDeviceLookup devices;
      // USB queues are matched to the printers attached now; nobody waits for a search
      // that no queue needs.
      if (std::any_of(printers.begin(), printers.end(),
                      [](const plat::InstalledPrinter& p) { return DeviceUriScheme(p.deviceUri) == "usb"; })) {
        std::vector<PortRecord> usb;
        usb.resize(EnumerateDevices(xjc_, kPortKindUsb, usb));
        devices.usbPrinters = std::move(usb);
      }
      entries_ = BuildInstalledPrinterEntries(printers, ports_.data(), portCount_, driverFilter_, nameFilter_, devices);
    }
    FillRows();
  }
  if (list_->RowCount() > 0) {
    list_->SelectRow(0);
    list_->setFocus();
  }
  UpdateButtons();
}

std::u16string CPrinterSelectDlg::InterfaceText(std::u16string_view kind) const {
  if (kind == kPortKindCom) return table_.StringOr(kStrSerial, u"Serial");
  if (kind == kPortKindLpt) return table_.StringOr(kStrParallel, u"Parallel");
  if (kind == kPortKindUsb) return table_.StringOr(kStrUsb, u"USB");
  if (kind == kPortKindNet) return table_.StringOr(kStrNet, u"NET");
  if (kind == kPortKindBt) return table_.StringOr(kStrBluetooth, u"Bluetooth");
  return std::u16string(kind);
}

void CPrinterSelectDlg::FillRows() {
  list_->DeleteAllRows();
  int widest = kMinFirstColumnWidth;
  auto addRow = [&](std::u16string_view name, PortRecord* record) {
    const QString first = plat::ToQString(name);
    const int row = list_->InsertRow(list_->RowCount(), first);
    widest = std::max(widest, list_->TextWidth(first));
    list_->SetRowText(row, 1, plat::ToQString(InterfaceText(plat::FieldText(record->kind))));
    list_->SetRowText(row, 2, plat::ToQString(plat::FieldText(record->portName)));
    list_->SetRowData(row, reinterpret_cast<std::intptr_t>(record));
    list_->SetRowText(row, 3, plat::ToQString(DriverPortColumnText(plat::FieldText(record->path))));
  };
  if (IsInstalledPrinterMode()) {
    for (InstalledPrinterEntry& entry : entries_) {
      addRow(entry.name, entry.record);
      if (entry.device.problem == QueueDeviceProblem::None) continue;
      // A queue whose device is no port: its kind of connection and why it cannot be set up.
      const int row = list_->RowCount() - 1;
      std::u16string scheme = plat::FromUtf8(entry.device.scheme);
      for (char16_t& c : scheme) c = (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
      list_->SetRowText(row, 1, plat::ToQString(scheme));
      const QString port = plat::ToQString(QueueDevicePortText(entry));
      list_->SetRowText(row, 2, port);
      // The reason is longer than the column: the whole of it on pointing at the row.
      if (QTreeWidgetItem* item = list_->topLevelItem(row)) item->setToolTip(2, port);
    }
  } else {
    for (std::size_t i = 0; i < portCount_; ++i)
      if (plat::FieldText(ports_[i].deviceName) == kModelName) addRow(plat::FieldText(ports_[i].deviceName), &ports_[i]);
  }
  list_->SetColumnWidth(0, widest * 12 / 10);
  if (plat::EventLogEnabled()) {
    std::vector<std::u16string> rows;
    for (int row = 0; row < list_->RowCount(); ++row) {
      std::u16string text = plat::FromQString(list_->RowText(row, 0));
      for (int column = 1; column <= 2; ++column) text += u" | " + plat::FromQString(list_->RowText(row, column));
      rows.push_back(std::move(text));
    }
    plat::LogEvent(plat::kEventPrinterList, std::vector<std::u16string_view>(rows.begin(), rows.end()));
  }
}

std::u16string CPrinterSelectDlg::QueueDeviceFault(const InstalledPrinterEntry& entry) const {
  const auto fault = static_cast<std::size_t>(entry.device.fault);
  if (fault >= std::size(kDefaultUriFaults)) return {};
  const std::u16string reason =
      table_.StringOr(kStrUriFaultBase + static_cast<int>(fault), kDefaultUriFaults[fault]);
  return plat::FillPlaceholder(reason, plat::FromUtf8(entry.device.detail));
}

std::u16string CPrinterSelectDlg::QueueDevicePortText(const InstalledPrinterEntry& entry) const {
  const std::u16string uri = plat::FromUtf8(entry.deviceUri);
  switch (entry.device.problem) {
    case QueueDeviceProblem::None: return {};
    case QueueDeviceProblem::PrintServer:
    case QueueDeviceProblem::UnknownDevice:
      return plat::FillPlaceholder(table_.StringOr(kStrPortNotSupported, kDefaultPortNotSupported), uri);
    case QueueDeviceProblem::NotConnected:
      return plat::FillPlaceholder(table_.StringOr(kStrPortNotConnected, kDefaultPortNotConnected), uri);
    case QueueDeviceProblem::Malformed:
      return plat::FillPlaceholder(table_.StringOr(kStrPortInvalid, kDefaultPortInvalid), uri);
  }
  return {};
}

std::u16string CPrinterSelectDlg::QueueDeviceMessage(const InstalledPrinterEntry& entry) const {
  const std::u16string uri = plat::FromUtf8(entry.deviceUri);
  switch (entry.device.problem) {
    case QueueDeviceProblem::None: return {};
    case QueueDeviceProblem::PrintServer:
      return plat::FillPlaceholder(table_.MessageOr(kMsgPrintServer, kDefaultPrintServer), uri);
    case QueueDeviceProblem::UnknownDevice:
      return plat::FillPlaceholder(table_.MessageOr(kMsgUnknownDevice, kDefaultUnknownDevice), uri);
    case QueueDeviceProblem::NotConnected:
      return plat::FillPlaceholder(table_.MessageOr(kMsgNotConnected, kDefaultNotConnected),
                                   entry.device.detail.empty() ? uri : plat::FromUtf8(entry.device.detail));
    case QueueDeviceProblem::Malformed:
      return plat::FillPlaceholder(table_.MessageOr(kMsgMalformedUri, kDefaultMalformedUri),
                                   uri + u" (" + QueueDeviceFault(entry) + u")");
  }
  return {};
}

const InstalledPrinterEntry* CPrinterSelectDlg::EntryOfRecord(const PortRecord* record) const {
  if (!IsInstalledPrinterMode()) return nullptr;
  for (const InstalledPrinterEntry& entry : entries_)
    if (entry.record == record) return &entry;
  return nullptr;
}

void CPrinterSelectDlg::UpdateButtons() {
  const bool selected = list_->SelectedRow() >= 0;
  ok_->setEnabled(selected);
  delete_->setEnabled(selected && !IsDriverMode());
}

std::int32_t CPrinterSelectDlg::TestPort(int verifyModel, PortRecord* record) {
  if (record == nullptr) return static_cast<std::int32_t>(XJC_E_NO_RECORD);
  const XJC_RESULT rc =
      (xjc_ != nullptr && xjc_->IsLoaded()) ? xjc_->XJC_CommunicationTest(record) : XJC_E_NOT_LOADED;
  lastTestResult_ = rc;
  if (verifyModel != 0 && rc == XJC_OK) {
    if (!IsAcceptedModel(plat::FieldText(record->deviceName), IsInstalledPrinterMode())) {
      ShowWarningMessage(this, plat::FillPlaceholder(table_.MessageOr(kMsgWrongModel, kDefaultWrongModel), kModelName).c_str());
      return RESULT_MODEL_MISMATCH;
    }
  }
  return static_cast<std::int32_t>(rc);
}

XJC_RESULT CPrinterSelectDlg::OpenPort(PortRecord* record) { return OpenPortSequence(xjc_, record); }

void CPrinterSelectDlg::SetChosenPort(const PortRecord* record) {
  if (record == nullptr) return;
  block_->chosenPort = *record;
  const std::u16string_view kind = plat::FieldText(record->kind);
  if (kind == kPortKindCom) block_->chosenIfType = kIfTypeSerial;
  else if (kind == kPortKindLpt) block_->chosenIfType = kIfTypeParallel;
  else if (kind == kPortKindUsb) block_->chosenIfType = kIfTypeUsb;
  else if (kind == kPortKindNet) block_->chosenIfType = kIfTypeEthernet;
  else if (kind == kPortKindBt) block_->chosenIfType = kIfTypeBluetooth;
}

PortRecord* CPrinterSelectDlg::SelectPortByPath(std::u16string_view path) {
  RefreshList();
  PortRecord* found = nullptr;
  for (std::size_t i = 0; i < portCount_; ++i) {
    if (PathUpToLastSlash(plat::FieldText(ports_[i].path)) == path) {
      found = &ports_[i];
      break;
    }
  }
  if (IsInstalledPrinterMode()) {
    for (std::size_t k = 0; k < entries_.size(); ++k) {
      if (PathUpToLastSlash(plat::FieldText(entries_[k].record->path)).substr(0, path.size()) == path) {
        selectedIndex_ = static_cast<int>(k);
        found = entries_[k].record;
        break;
      }
    }
  }
  SetChosenPort(found);
  return found;
}

bool CPrinterSelectDlg::GetSelectedPrinterName(char16_t (&name)[260]) const {
  name[0] = 0;
  if (!IsInstalledPrinterMode() || selectedIndex_ < 0 || static_cast<std::size_t>(selectedIndex_) >= entries_.size())
    return false;
  plat::CopyText(name, entries_[static_cast<std::size_t>(selectedIndex_)].name);
  return true;
}

void CPrinterSelectDlg::SaveLanguage() {
  const std::u16string file = std::u16string(plat::FieldText(block_->exeFolder)) + kSettingIniName;
  // An unchanged value needs no write; a changed one that cannot be written (a program
  // folder the user may not write to) is told once, instead of being lost unnoticed.
  if (plat::ProfileWrite(kLanguageSection, kLangIdKey, plat::FieldText(block_->langCode), file)) return;
  if (languageSaveReported_) return;
  languageSaveReported_ = true;
  ShowWarningMessage(this, table_.MessageOr(kMsgLanguageNotSaved, kDefaultLanguageNotSaved).c_str());
}

void CPrinterSelectDlg::EndDialogOk() { accept(); }

void CPrinterSelectDlg::reject() {
  SaveLanguage();
  QDialog::reject();
}

void CPrinterSelectDlg::OnOK() {
  plat::WaitCursor wait;
  const int row = list_->SelectedRow();
  if (row < 0) {
    ShowWarningMessage(this, table_.MessageOr(kMsgSelectPrinter, kDefaultSelectPrinter).c_str());
    return;
  }
  PortRecord* record = RecordOfRow(list_, row);
  if (record == nullptr) return;
  selectedIndex_ = row;

  // A queue whose device is no port is not tested: the user is told why it cannot be
  // set up instead of that the printer does not answer.
  const InstalledPrinterEntry* entry = EntryOfRecord(record);
  const bool unreachable = entry != nullptr && entry->device.problem != QueueDeviceProblem::None;
  std::int32_t rc = unreachable ? static_cast<std::int32_t>(XJC_E_NO_PORT) : TestPort(1, record);
  if (unreachable) lastTestResult_ = XJC_E_NO_PORT;
  // Started by the driver, the chosen printer is taken whatever the test said; the
  // checks below still tell the user, then the dialog ends.
  bool endWithOk = false;
  if (IsInstalledPrinterMode() && rc != 1) {
    SetChosenPort(record);
    SaveLanguage();
    endWithOk = true;
  }
  const auto finish = [&] {
    if (endWithOk) EndDialogOk();
  };

  if (rc == RESULT_MODEL_MISMATCH) return finish();
  if (rc == static_cast<std::int32_t>(XJC_E_IN_USE)) {
    ShowWarningMessage(this, table_.MessageOr(kMsgInUse, kDefaultInUse).c_str());
    return finish();
  }
  if (unreachable) ShowWarningMessage(this, QueueDeviceMessage(*entry).c_str());
  else if (rc != 0) ShowWarningMessage(this, table_.MessageOr(kMsgCannotCommunicate, kDefaultCannotCommunicate).c_str());

  const bool saved = block_->dataMgr != nullptr &&
                     block_->dataMgr->ExistsSettingData(plat::FieldText(record->portName),
                                                        plat::FieldText(record->deviceName)) == kSettingDataExists;
  if (rc != 0 && !saved) return finish();

  if (unreachable) return finish();
  const XJC_RESULT opened = OpenPort(record);
  if (opened != XJC_OK) {
    if (opened == XJC_E_IN_USE) {
      ShowWarningMessage(this, table_.MessageOr(kMsgInUse, kDefaultInUse).c_str());
      return finish();
    }
    if (rc == 0) ShowWarningMessage(this, table_.MessageOr(kMsgCannotCommunicate, kDefaultCannotCommunicate).c_str());
    if (!saved) {
      if (xjc_ != nullptr) xjc_->Close();
      return finish();
    }
  }

  SetChosenPort(record);
  SaveLanguage();

  std::int32_t status = kStatusUnknown;
  if (xjc_ != nullptr) xjc_->GetStatus(&status);
  if (status == kErrorCodeFatal || status == kErrorCodeAutoCutter) {
    CErrorCorrespondenceDlg guidance(status, block_->langId, std::u16string(plat::FieldText(block_->langFolder)), this);
    guidance.exec();
    if (xjc_ != nullptr) xjc_->Close();
    return finish();
  }
  EndDialogOk();
}

void CPrinterSelectDlg::OnAddPort() {
  CCommunicationSettingDlg dialog(*block_, xjc_, &portAddTable_, this);
  if (dialog.exec() != QDialog::Accepted) return;
  PortRecord record = dialog.ResultRecord();
  if (record.kind[0] == 0 || xjc_ == nullptr || !xjc_->IsLoaded()) return;
  if (xjc_->XJC_AddPort(&record) != XJC_OK) {
    ShowWarningMessage(this, table_.MessageOr(kMsgAddPortFailed, kDefaultAddPortFailed).c_str());
    return;
  }
  RefreshList();
  for (int row = 0; row < list_->RowCount(); ++row) {
    const PortRecord* r = RecordOfRow(list_, row);
    if (r != nullptr && plat::FieldText(r->kind) == plat::FieldText(record.kind) &&
        plat::FieldText(r->portName) == plat::FieldText(record.portName)) {
      list_->SelectRow(row);
      break;
    }
  }
}

void CPrinterSelectDlg::OnDeletePort() {
  if (AskSaveToPrinter(nullptr, this, table_.MessageOr(kMsgConfirmDelete, kDefaultConfirmDelete).c_str()) !=
      plat::IDYES) {
    return;
  }
  PortRecord* record = RecordOfRow(list_, list_->SelectedRow());
  if (record == nullptr || xjc_ == nullptr || !xjc_->IsLoaded()) return;
  if (xjc_->XJC_RemovePort(record) != XJC_OK) {
    ShowWarningMessage(this, table_.MessageOr(kMsgDeletePortFailed, kDefaultDeletePortFailed).c_str());
    return;
  }
  RefreshList();
}

void CPrinterSelectDlg::OnSelectLanguage() {
  if (langDlg_->exec() != QDialog::Accepted) return;
  block_->langId = langDlg_->Settings().langId;
  std::memcpy(block_->langCode, langDlg_->Settings().langCode, sizeof(block_->langCode));
  if (!LoadLanguage()) reject();
}
