#include "comm/CCommunicationSettingDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <cstring>

#include "comm/ExternalToolPaths.h"
#include "comm/Ipv4AddressEdit.h"
#include "comm/ModelName.h"
#include "comm/PortEnumeration.h"
#include "comm/ToolRunningDlg.h"
#include "comm/XJC.h"
#include "lang/CLangResTable.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/WaitCursor.h"
#include "views/CommonMessages.h"

namespace {

// Strings of the "PORT_ADD_DLG" table.
constexpr int kStrTitle = 0;
constexpr int kStrHeading = 13;
constexpr int kStrPairingTitle = 1034;
constexpr int kStrPairingText = 5018;
constexpr int kStrNetToolTitle = 5019;
constexpr int kStrNetToolText = 5020;
// Messages of the "PORT_ADD_DLG" table.
constexpr int kMsgCommError = 0;
constexpr int kMsgTestPassed = 1;
constexpr int kMsgWrongModel = 2;
constexpr int kMsgNotFound = 3;
constexpr int kMsgToolStartFailed = 4;

constexpr char16_t kDefaultTitle[] = u"Add Port";
constexpr char16_t kDefaultHeading[] = u"Select the communication interface to %s.";
constexpr char16_t kDefaultPairingTitle[] = u"Run Paring";
constexpr char16_t kDefaultPairingText[] = u"Paring";
constexpr char16_t kDefaultNetToolTitle[] = u"Run NorveNet Config";
constexpr char16_t kDefaultNetToolText[] = u"NorveNet Config Running...";
// What the pairing window shows until the worker's start message gives it its texts.
constexpr char16_t kTemplatePairingTitle[] = u"Paring";
constexpr char16_t kTemplatePairingText[] = u"Now Paring...";
constexpr char16_t kDefaultCommError[] = u"A communication error occurred.";
constexpr char16_t kDefaultTestPassed[] = u"Communication test completed successfully.";
constexpr char16_t kDefaultWrongModel[] = u"The device ID does not match the connected printer.";
constexpr char16_t kDefaultNotFound[] = u"Cannot find the printer.";
constexpr char16_t kDefaultToolStartFailed[] = u"The tool could not be started.";
constexpr char16_t kUsbDisplayPrefix[] = u"USB-";

// Positions selected in the value lists when an interface is selected.
constexpr int kDefaultBitLengthEntry = 2;
constexpr int kDefaultBaudRateEntry = 0;
constexpr int kDefaultParityEntry = 1;
constexpr int kDefaultFlowEntry = 0;

// How a control looks for one interface: hidden, shown with its text unchanged, or
// shown with string n of the table.
constexpr int kHidden = -2;
constexpr int kShown = -1;
struct InterfaceRule {
  int id;
  int look[kInterfaceCount];  // serial, parallel, USB, Ethernet, Bluetooth
};
constexpr InterfaceRule kInterfaceRules[] = {
    {CCommunicationSettingDlg::IDC_PORT_LABEL, {1, 1, 1, 10, 1}},
    {CCommunicationSettingDlg::IDC_BIT_LENGTH_LABEL, {2, kHidden, kHidden, kHidden, kHidden}},
    {CCommunicationSettingDlg::IDC_BAUD_RATE_LABEL, {3, kHidden, kHidden, kHidden, kHidden}},
    {CCommunicationSettingDlg::IDC_PARITY_LABEL, {7, kHidden, kHidden, kHidden, kHidden}},
    {CCommunicationSettingDlg::IDC_FLOW_LABEL, {8, kHidden, kHidden, kHidden, kHidden}},
    {CCommunicationSettingDlg::IDC_PORT, {kShown, kShown, kShown, kHidden, kShown}},
    {CCommunicationSettingDlg::IDC_BIT_LENGTH, {kShown, kHidden, kHidden, kHidden, kHidden}},
    {CCommunicationSettingDlg::IDC_BAUD_RATE, {kShown, kHidden, kHidden, kHidden, kHidden}},
    {CCommunicationSettingDlg::IDC_PARITY, {kShown, kHidden, kHidden, kHidden, kHidden}},
    {CCommunicationSettingDlg::IDC_FLOW, {kShown, kHidden, kHidden, kHidden, kHidden}},
    {CCommunicationSettingDlg::IDC_ADDRESS, {kHidden, kHidden, kHidden, kShown, kHidden}},
    {CCommunicationSettingDlg::IDC_NET_SEARCH, {kHidden, kHidden, kHidden, 9, kHidden}},
    {CCommunicationSettingDlg::IDC_PORT_SEARCH, {9, 9, 9, kHidden, 9}},
    {CCommunicationSettingDlg::IDC_SEARCH_RESULTS, {kHidden, kHidden, kHidden, kShown, kHidden}},
    {CCommunicationSettingDlg::IDC_NET_TOOL, {kHidden, kHidden, kHidden, 11, kHidden}},
    {CCommunicationSettingDlg::IDC_VIRTUAL_PORT_TOOL, {12, 12, kHidden, kHidden, kHidden}},
    {CCommunicationSettingDlg::IDC_BT_CONNECTOR, {kHidden, kHidden, kHidden, kHidden, 1034}},
};

// Template layout, in dialog units.
constexpr int kDialogWidthDlu = 310;
constexpr int kDialogHeightDlu = 168;
constexpr int kMarginDlu = 7;
constexpr int kHeadingYDlu = 7;
constexpr int kInterfaceYDlu = 22;
constexpr int kInterfaceWidthDlu = 56;
constexpr int kInterfaceStepDlu = 60;
constexpr int kRowHeightDlu = 14;
constexpr int kFirstRowYDlu = 44;
constexpr int kRowStepDlu = 18;
constexpr int kLabelWidthDlu = 62;
constexpr int kFieldXDlu = 72;
constexpr int kFieldWidthDlu = 130;
constexpr int kSideXDlu = 208;
constexpr int kSearchWidthDlu = 50;
constexpr int kToolWidthDlu = 95;
constexpr int kResultsHeightDlu = 68;
constexpr int kBottomYDlu = 146;
constexpr int kTestWidthDlu = 90;
constexpr int kButtonWidthDlu = 52;

std::u16string RemoveAll(std::u16string text, std::u16string_view what) {
  for (std::size_t at = text.find(what); at != std::u16string::npos; at = text.find(what, at)) text.erase(at, what.size());
  return text;
}

std::int32_t SelectedItemData(const QComboBox* combo) {
  const QVariant data = combo->currentData();
  return data.isValid() ? static_cast<std::int32_t>(data.toLongLong()) : kNoListValue;
}

}  // namespace

CCommunicationSettingDlg::CCommunicationSettingDlg(const AppSettingsBlock& block, XJC* xjc,
                                                   const CLangResTable* table, QWidget* parent)
    : QDialog(parent),
      block_(std::make_unique<AppSettingsBlock>(block)),
      xjc_(xjc),
      table_(table),
      result_(std::make_unique<PortRecord>()) {
  std::memset(result_.get(), 0, sizeof(PortRecord));
  setObjectName(QStringLiteral("CCommunicationSettingDlg"));
  CreateControls();
  plat::SetMessageHandler(this, UM_BT_PAIRING_STARTED, [this](plat::WPARAM, plat::LPARAM) { return OnBtPairingStarted(); });
  plat::SetMessageHandler(this, UM_BT_PAIRING_ENDED, [this](plat::WPARAM, plat::LPARAM) { return OnBtPairingEnded(); });
  plat::SetMessageHandler(this, UM_NET_TOOL_RUNNING,
                          [this](plat::WPARAM w, plat::LPARAM) { return OnNetToolRunning(w); });
}

CCommunicationSettingDlg::~CCommunicationSettingDlg() {
  // A tool worker sends its last message and ends; it must not outlive the dialog.
  runner_.Join();
}

void CCommunicationSettingDlg::CreateControls() {
  const plat::DialogBaseUnits units = plat::BaseUnitsOf(font());
  setFixedSize(plat::DluSize(units, kDialogWidthDlu, kDialogHeightDlu));
  const int innerWidth = kDialogWidthDlu - 2 * kMarginDlu;

  auto place = [&](QWidget* w, int id, int x, int y, int width, int height) {
    w->setGeometry(plat::DluRect(units, x, y, width, height));
    plat::SetControlId(w, id);
  };
  auto label = [&](int id, int y, const char* text) {
    auto* l = new QLabel(QString::fromUtf8(text), this);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    place(l, id, kMarginDlu, y, kLabelWidthDlu, kRowHeightDlu);
    return l;
  };
  auto combo = [&](int id, int y) {
    auto* c = new QComboBox(this);
    place(c, id, kFieldXDlu, y, kFieldWidthDlu, kRowHeightDlu);
    return c;
  };
  auto button = [&](int id, const char* text, int x, int y, int width) {
    auto* b = new QPushButton(QString::fromUtf8(text), this);
    b->setAutoDefault(false);
    place(b, id, x, y, width, kRowHeightDlu);
    return b;
  };

  heading_ = new QLabel(this);
  place(heading_, IDC_HEADING, kMarginDlu, kHeadingYDlu, innerWidth, 10);

  const char* interfaceTexts[kInterfaceCount] = {"Serial", "Parallel", "USB", "Ethernet", "Bluetooth"};
  for (int i = 0; i < kInterfaceCount; ++i) {
    QPushButton* b = button(IDC_INTERFACE_FIRST + i, interfaceTexts[i], kMarginDlu + i * kInterfaceStepDlu,
                            kInterfaceYDlu, kInterfaceWidthDlu);
    b->setCheckable(true);
    b->setAutoExclusive(true);
    connect(b, &QPushButton::clicked, this, [this, i] { OnInterfaceClicked(i); });
    ifButtons_[static_cast<std::size_t>(i)] = b;
  }

  const int row[5] = {kFirstRowYDlu, kFirstRowYDlu + kRowStepDlu, kFirstRowYDlu + 2 * kRowStepDlu,
                      kFirstRowYDlu + 3 * kRowStepDlu, kFirstRowYDlu + 4 * kRowStepDlu};
  portLabel_ = label(IDC_PORT_LABEL, row[0], "Port:");
  bitLengthLabel_ = label(IDC_BIT_LENGTH_LABEL, row[1], "Bit Length:");
  baudRateLabel_ = label(IDC_BAUD_RATE_LABEL, row[2], "Baud Rate:");
  parityLabel_ = label(IDC_PARITY_LABEL, row[3], "Parity:");
  flowLabel_ = label(IDC_FLOW_LABEL, row[4], "Flow Control:");
  portCombo_ = combo(IDC_PORT, row[0]);
  bitLengthCombo_ = combo(IDC_BIT_LENGTH, row[1]);
  baudRateCombo_ = combo(IDC_BAUD_RATE, row[2]);
  parityCombo_ = combo(IDC_PARITY, row[3]);
  flowCombo_ = combo(IDC_FLOW, row[4]);

  address_ = new Ipv4AddressEdit(this);
  place(address_, IDC_ADDRESS, kFieldXDlu, row[0], kFieldWidthDlu, kRowHeightDlu);
  connect(address_, &Ipv4AddressEdit::AddressChanged, this, &CCommunicationSettingDlg::OnAddressChanged);
  netSearch_ = button(IDC_NET_SEARCH, "Search", kSideXDlu, row[0], kSearchWidthDlu);
  connect(netSearch_, &QPushButton::clicked, this, &CCommunicationSettingDlg::OnNetSearch);
  results_ = new QListWidget(this);
  place(results_, IDC_SEARCH_RESULTS, kFieldXDlu, row[1], kFieldWidthDlu, kResultsHeightDlu);
  connect(results_, &QListWidget::currentRowChanged, this, &CCommunicationSettingDlg::OnSearchResultChosen);
  portSearch_ = button(IDC_PORT_SEARCH, "Search", kSideXDlu, row[0], kSearchWidthDlu);
  connect(portSearch_, &QPushButton::clicked, this, &CCommunicationSettingDlg::OnPortSearch);

  // The three tool buttons share one place: each belongs to other interfaces.
  netTool_ = button(IDC_NET_TOOL, "NorveNet Config", kSideXDlu, row[1], kToolWidthDlu);
  connect(netTool_, &QPushButton::clicked, this, &CCommunicationSettingDlg::OnNetTool);
  virtualPortTool_ = button(IDC_VIRTUAL_PORT_TOOL, "Virtual Port Setting", kSideXDlu, row[1], kToolWidthDlu);
  connect(virtualPortTool_, &QPushButton::clicked, this, &CCommunicationSettingDlg::OnVirtualPortTool);
  btConnector_ = button(IDC_BT_CONNECTOR, "Bluetooth Connecter", kSideXDlu, row[1], kToolWidthDlu);
  connect(btConnector_, &QPushButton::clicked, this, &CCommunicationSettingDlg::OnBtConnector);

  commTest_ = button(IDC_COMM_TEST, "Communication test", kMarginDlu, kBottomYDlu, kTestWidthDlu);
  connect(commTest_, &QPushButton::clicked, this, &CCommunicationSettingDlg::OnCommunicationTest);
  ok_ = button(plat::IDOK, "OK", kDialogWidthDlu - kMarginDlu - 2 * kButtonWidthDlu - 6, kBottomYDlu, kButtonWidthDlu);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &CCommunicationSettingDlg::OnOK);
  cancel_ = button(plat::IDCANCEL, "Cancel", kDialogWidthDlu - kMarginDlu - kButtonWidthDlu, kBottomYDlu, kButtonWidthDlu);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  // Until an interface is selected, none of the interface's controls shows.
  for (const InterfaceRule& rule : kInterfaceRules) plat::ShowControl(plat::FindChildById(this, rule.id), false);
  SetTestEnabled(false);
}

QPushButton* CCommunicationSettingDlg::InterfaceButton(int interfaceIndex) const {
  if (interfaceIndex < 0 || interfaceIndex >= kInterfaceCount) return nullptr;
  return ifButtons_[static_cast<std::size_t>(interfaceIndex)];
}

std::u16string CCommunicationSettingDlg::Str(int index, std::u16string_view def) const {
  return table_ ? table_->StringOr(index, def) : std::u16string(def);
}

std::u16string CCommunicationSettingDlg::Msg(int index, std::u16string_view def) const {
  return table_ ? table_->MessageOr(index, def) : std::u16string(def);
}

int CCommunicationSettingDlg::exec() {
  if (!initialised_) InitDialog();
  return QDialog::exec();
}

void CCommunicationSettingDlg::showEvent(QShowEvent* event) {
  if (!initialised_) InitDialog();
  QDialog::showEvent(event);
}

void CCommunicationSettingDlg::InitDialog() {
  initialised_ = true;
  // Title and heading, then the table's captions, which may replace them.
  setWindowTitle(plat::ToQString(Str(kStrTitle, kDefaultTitle)));
  heading_->setText(plat::ToQString(plat::FillPlaceholder(Str(kStrHeading, kDefaultHeading), kModelName)));
  if (table_) {
    plat::QtControlHost host(this);
    table_->ApplyCaptions(&host);
  }

  address_->SetAddress(kInitialAddress);
  storedAddress_ = kInitialAddress;

  // The buttons of the listed interfaces take the template's places in list order.
  for (int i = 0; i < kInterfaceCount; ++i) {
    ifPositions_[static_cast<std::size_t>(i)] = ifButtons_[static_cast<std::size_t>(i)]->geometry();
    plat::ShowControl(ifButtons_[static_cast<std::size_t>(i)], false);
  }
  int shown = 0;
  bool defaultListed = false;
  for (int k = 0; k < kInterfaceCount; ++k) {
    const int c = block_->ifOrder[k];
    if (c == kInterfaceListEnd) break;
    if (c == block_->defaultIfType) defaultListed = true;
    QPushButton* b = InterfaceButton(c);
    if (b == nullptr) continue;
    b->setGeometry(ifPositions_[static_cast<std::size_t>(shown++)]);
    b->setVisible(true);
    b->setEnabled(true);
  }
  if (block_->ifOrder[0] == kInterfaceListEnd) return;  // no interface to offer
  const int first = defaultListed ? block_->defaultIfType : block_->ifOrder[0];
  if (QPushButton* b = InterfaceButton(first)) b->setChecked(true);
  SelectInterface(first);
}

void CCommunicationSettingDlg::OnInterfaceClicked(int interfaceIndex) { SelectInterface(interfaceIndex); }

void CCommunicationSettingDlg::SelectInterface(int interfaceIndex) {
  if (interfaceIndex < 0 || interfaceIndex >= kInterfaceCount) return;
  current_ = interfaceIndex;
  if (QPushButton* b = InterfaceButton(interfaceIndex); b && !b->isChecked()) b->setChecked(true);
  ApplyInterfaceTable(interfaceIndex);
  UpdateToolButtons(interfaceIndex);
  FillPortList();
  FillValueLists();
  if (interfaceIndex == kInterfaceEthernet) {
    if (storedAddress_ != 0) {
      address_->SetAddress(storedAddress_);
      SetTestEnabled(true);
    } else {
      address_->ClearAddress();
      SetTestEnabled(false);
    }
  } else {
    SetTestEnabled(portCombo_->count() > 0);
  }
}

void CCommunicationSettingDlg::ApplyInterfaceTable(int interfaceIndex) {
  for (const InterfaceRule& rule : kInterfaceRules) {
    QWidget* control = plat::FindChildById(this, rule.id);
    const int look = rule.look[interfaceIndex];
    if (look == kHidden) {
      plat::ShowControl(control, false);
      continue;
    }
    plat::ShowControl(control, true);
    control->setEnabled(true);
    if (look >= 0) {
      std::u16string text;
      if (!table_ || table_->GetStringText(look, text) != kLangOk) text.clear();
      plat::SetControlText(control, plat::ToQString(text));
    }
  }
}

void CCommunicationSettingDlg::UpdateToolButtons(int interfaceIndex) {
  netToolPath_.clear();
  virtualPortToolPath_.clear();
  btConnectorPath_.clear();
  if (interfaceIndex == kInterfaceEthernet) {
    netToolPath_ = FindNetConfigTool();
  } else {
    virtualPortToolPath_ = FindVirtualPortTool();
  }
  if (interfaceIndex == kInterfaceBluetooth) btConnectorPath_ = FindBluetoothConnector();
  // Only a shown button can be enabled; a hidden one stays disabled.
  netTool_->setEnabled(netTool_->isVisibleTo(this) && !netToolPath_.empty());
  virtualPortTool_->setEnabled(virtualPortTool_->isVisibleTo(this) && !virtualPortToolPath_.empty());
  btConnector_->setEnabled(btConnector_->isVisibleTo(this) && !btConnectorPath_.empty());
}

void CCommunicationSettingDlg::FillPortList() {
  const std::u16string kind(EnumerationKindOf(current_, IsInterfaceListed(block_->ifOrder, kInterfaceBluetooth)));
  const std::u16string prefix = current_ == kInterfaceUsb ? kUsbDisplayPrefix : u"";
  portCombo_->clear();
  portRecords_.assign(kInitialDeviceRecords, PortRecord{});
  if (current_ == kInterfaceEthernet) {
    // The network search runs as a click on its button, once the dialog is idle.
    if (netSearch_->isVisibleTo(this)) QMetaObject::invokeMethod(this, &CCommunicationSettingDlg::OnNetSearch, Qt::QueuedConnection);
    return;
  }
  const std::uint32_t count = EnumerateDevices(xjc_, kind, portRecords_);
  for (std::uint32_t i = 0; i < count; ++i)
    portCombo_->addItem(plat::ToQString(prefix + std::u16string(plat::FieldText(portRecords_[i].portName))),
                        QVariant::fromValue<qulonglong>(i));
  if (portCombo_->count() > 0) portCombo_->setCurrentIndex(0);
}

void CCommunicationSettingDlg::FillValueLists() {
  for (QComboBox* c : {bitLengthCombo_, baudRateCombo_, parityCombo_, flowCombo_}) c->clear();
  if (table_) {
    plat::QtControlHost host(this);
    table_->FillComboBoxes(&host);
  }
  // Only the value lists take items from the table; the port list keeps the ports.
  auto select = [](QComboBox* c, int entry) {
    if (entry < c->count()) c->setCurrentIndex(entry);
  };
  select(bitLengthCombo_, kDefaultBitLengthEntry);
  select(baudRateCombo_, kDefaultBaudRateEntry);
  select(parityCombo_, kDefaultParityEntry);
  select(flowCombo_, kDefaultFlowEntry);
}

void CCommunicationSettingDlg::SetTestEnabled(bool enabled) {
  ok_->setEnabled(enabled);
  commTest_->setEnabled(enabled);
}

void CCommunicationSettingDlg::OnPortSearch() {
  FillPortList();
  if (portCombo_->count() == 0) {
    ShowInfoMessage(this, Msg(kMsgNotFound, kDefaultNotFound).c_str());
    SetTestEnabled(false);
  } else {
    SetTestEnabled(true);
  }
}

void CCommunicationSettingDlg::OnNetSearch() {
  plat::WaitCursor wait;
  results_->clear();
  const std::uint32_t count = EnumerateDevices(xjc_, kPortKindNet, searchRecords_);
  if (count == 0) {
    ShowInfoMessage(this, Msg(kMsgNotFound, kDefaultNotFound).c_str());
    return;
  }
  const QSignalBlocker block(results_);  // adding entries is no choice of the user's
  for (std::uint32_t i = 0; i < count; ++i) {
    auto* item = new QListWidgetItem(plat::ToQString(plat::FieldText(searchRecords_[i].portName)));
    item->setData(Qt::UserRole, QVariant::fromValue<qulonglong>(i));
    results_->addItem(item);
  }
}

void CCommunicationSettingDlg::OnSearchResultChosen() {
  QListWidgetItem* item = results_->currentItem();
  if (item == nullptr) return;
  searched_ = ParseSearchResult(plat::FromQString(item->text()));
  address_->SetAddress(searched_.address);
  SetTestEnabled(true);
}

void CCommunicationSettingDlg::OnAddressChanged() {
  if (current_ != kInterfaceEthernet) return;
  std::uint32_t address = 0;
  const int filled = address_->GetAddress(address);
  SetTestEnabled(filled > 0 || storedAddress_ != 0);
}

PortSettings CCommunicationSettingDlg::CollectSettings() {
  PortSettings settings;
  settings.modelName = kModelName;
  settings.type = InterfaceType(current_);
  switch (current_) {
    case kInterfaceSerial:
      settings.port = plat::FromQString(portCombo_->currentText());
      settings.bitLength = SelectedItemData(bitLengthCombo_);
      settings.baudRate = SelectedItemData(baudRateCombo_);
      settings.parity = SelectedItemData(parityCombo_);
      break;
    case kInterfaceUsb: {
      settings.port = RemoveAll(plat::FromQString(portCombo_->currentText()), kUsbDisplayPrefix);
      const QVariant index = portCombo_->currentData();
      if (index.isValid() && index.toULongLong() < portRecords_.size()) {
        const PortRecord& chosen = portRecords_[index.toULongLong()];
        std::memcpy(settings.usbDeviceData.data(), chosen.usbDeviceData, settings.usbDeviceData.size());
      }
      break;
    }
    case kInterfaceEthernet:
      address_->GetAddress(storedAddress_);
      settings.address = storedAddress_;
      // A printer found on another TCP port than the standard one keeps that port for
      // as long as the address field shows its address.
      if (storedAddress_ == searched_.address) settings.portSuffix = searched_.portSuffix;
      break;
    case kInterfaceParallel:
    case kInterfaceBluetooth:
      settings.port = plat::FromQString(portCombo_->currentText());
      break;
    default:
      break;
  }
  return settings;
}

bool CCommunicationSettingDlg::RunCommunicationTest() {
  plat::WaitCursor wait;
  PortRecord record;
  const bool built = BuildPortRecord(CollectSettings(), record);
  if (built && xjc_ != nullptr && xjc_->IsLoaded() && xjc_->XJC_CommunicationTest(&record) == XJC_OK) {
    const bool startedByDriver = block_->mode == kModeDriver || block_->mode == kModeDriverLogo;
    if (IsAcceptedModel(plat::FieldText(record.deviceName), startedByDriver)) {
      *result_ = record;
      return true;
    }
    ShowWarningMessage(this, Msg(kMsgWrongModel, kDefaultWrongModel).c_str());
    return false;
  }
  if (built && xjc_ != nullptr) xjc_->Close();
  ShowWarningMessage(this, Msg(kMsgCommError, kDefaultCommError).c_str());
  return false;
}

void CCommunicationSettingDlg::OnCommunicationTest() {
  if (RunCommunicationTest()) ShowInfoMessage(this, Msg(kMsgTestPassed, kDefaultTestPassed).c_str());
}

void CCommunicationSettingDlg::OnOK() {
  if (RunCommunicationTest()) accept();
}

void CCommunicationSettingDlg::OnVirtualPortTool() {
  plat::WaitCursor wait;
  if (!virtualPortToolPath_.empty() && !ToolRunner::OpenDetached(virtualPortToolPath_)) ShowToolStartFailure();
  OnPortSearch();
}

void CCommunicationSettingDlg::ShowToolStartFailure() {
  ShowWarningMessage(this, Msg(kMsgToolStartFailed, kDefaultToolStartFailed).c_str());
}

void CCommunicationSettingDlg::RunToolWithWindow(const std::u16string& path, ToolRunningDlg* running,
                                                 unsigned startedMessage, plat::WPARAM startedParam,
                                                 unsigned endedMessage, plat::WPARAM endedParam) {
  const plat::HWND self = plat::WindowHandle(this);
  running_ = running;
  const bool started = runner_.Start(
      path, [self, startedMessage, startedParam] { plat::SendMessage(self, startedMessage, startedParam, 0); },
      [self, endedMessage, endedParam](bool) { plat::SendMessage(self, endedMessage, endedParam, 0); });
  if (started) running->Run();
  runner_.Join();
  delete running;
  if (started && !runner_.Launched()) ShowToolStartFailure();
}

void CCommunicationSettingDlg::OnNetTool() {
  plat::WaitCursor wait;
  if (netToolPath_.empty()) {
    QApplication::beep();
    return;
  }
  RunToolWithWindow(netToolPath_,
                    new ToolRunningDlg(kRunNetToolIdd, plat::ToQString(kDefaultNetToolTitle), IDC_NET_TOOL_TEXT,
                                       plat::ToQString(kDefaultNetToolText), this),
                    UM_NET_TOOL_RUNNING, kNetToolStarted, UM_NET_TOOL_RUNNING, kNetToolEnded);
}

plat::LRESULT CCommunicationSettingDlg::OnNetToolRunning(plat::WPARAM state) {
  if (state == kNetToolStarted) {
    netTool_->setEnabled(false);
    if (running_)
      running_->SetTexts(plat::ToQString(Str(kStrNetToolTitle, kDefaultNetToolTitle)),
                         plat::ToQString(Str(kStrNetToolText, kDefaultNetToolText)));
    return 0;
  }
  if (state == kNetToolEnded) {
    netTool_->setEnabled(netTool_->isVisibleTo(this) && !netToolPath_.empty());
    if (running_) running_->Finish();
    return 0;
  }
  return -1;  // refused
}

void CCommunicationSettingDlg::OnBtConnector() {
  plat::WaitCursor wait;
  if (btConnectorPath_.empty()) return;
  RunToolWithWindow(btConnectorPath_,
                    new ToolRunningDlg(kRunPairingIdd, plat::ToQString(kTemplatePairingTitle), IDC_PAIRING_TEXT,
                                       plat::ToQString(kTemplatePairingText), this),
                    UM_BT_PAIRING_STARTED, 0, UM_BT_PAIRING_ENDED, 0);
}

plat::LRESULT CCommunicationSettingDlg::OnBtPairingStarted() {
  for (QPushButton* b : ifButtons_) b->setEnabled(false);
  for (QWidget* w : std::initializer_list<QWidget*>{portLabel_, portCombo_, portSearch_, btConnector_, virtualPortTool_,
                                                    commTest_, ok_, cancel_})
    w->setEnabled(false);
  if (running_)
    running_->SetTexts(plat::ToQString(Str(kStrPairingTitle, kDefaultPairingTitle)),
                       plat::ToQString(Str(kStrPairingText, kDefaultPairingText)));
  return 0;
}

plat::LRESULT CCommunicationSettingDlg::OnBtPairingEnded() {
  for (QPushButton* b : ifButtons_) b->setEnabled(b->isVisibleTo(this));
  for (QWidget* w : std::initializer_list<QWidget*>{portLabel_, portCombo_, portSearch_}) w->setEnabled(w->isVisibleTo(this));
  for (QWidget* w : std::initializer_list<QWidget*>{commTest_, ok_, cancel_}) w->setEnabled(true);
  btConnector_->setEnabled(btConnector_->isVisibleTo(this) && !btConnectorPath_.empty());
  virtualPortTool_->setEnabled(virtualPortTool_->isVisibleTo(this) && !virtualPortToolPath_.empty());
  OnPortSearch();
  SelectPairedPort();
  if (running_) running_->Finish();
  return 0;
}

void CCommunicationSettingDlg::SelectPairedPort() {
  const std::u16string port = PairedBluetoothPort();
  if (port.empty()) return;
  const QString wanted = plat::ToQString(port);
  for (int i = 0; i < portCombo_->count(); ++i) {
    if (portCombo_->itemText(i) == wanted) {
      portCombo_->setCurrentIndex(i);
      return;
    }
  }
}
