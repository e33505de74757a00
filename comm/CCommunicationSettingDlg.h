#pragma once
// CCommunicationSettingDlg: the modal "Add Port" dialog. The user picks one of up to
// five interfaces (serial, parallel, USB, Ethernet, Bluetooth), picks or searches the
// port, sets the serial parameters, can start the maker's tools for network set-up,
// virtual serial ports and Bluetooth pairing, and runs a communication test. OK runs the
// same test and ends the dialog only when the served printer model answered; the tested
// PortRecord is then the dialog's result, which the printer selection dialog registers.
//
// Threads: UI thread only. While an external tool runs, one worker thread (owned and
// joined by the dialog) starts the tool, waits for it, and tells the dialog through the
// numbered messages UM_BT_PAIRING_STARTED / UM_BT_PAIRING_ENDED / UM_NET_TOOL_RUNNING.
#include <QDialog>
#include <QPointer>
#include <QRect>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sdk/AppSettingsBlock.h"
#include "sdk/PortRecord.h"
#include "comm/PortSettings.h"
#include "comm/ToolRunner.h"
#include "platform/ui/Messages.h"

class CLangResTable;
class Ipv4AddressEdit;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class ToolRunningDlg;
class XJC;

// Messages from the tool workers to the dialog.
inline constexpr unsigned UM_BT_PAIRING_STARTED = plat::WM_USER + 100;
inline constexpr unsigned UM_BT_PAIRING_ENDED = plat::WM_USER + 110;
inline constexpr unsigned UM_NET_TOOL_RUNNING = plat::WM_USER + 400;  // wParam 1 started, 0 ended
inline constexpr plat::WPARAM kNetToolStarted = 1;
inline constexpr plat::WPARAM kNetToolEnded = 0;

// Launch modes in which the program was started by the printer driver.
inline constexpr std::int32_t kModeDriver = 100;
inline constexpr std::int32_t kModeDriverLogo = 110;

class CCommunicationSettingDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int IDD = 139;
  static constexpr int kRunPairingIdd = 7008;
  static constexpr int kRunNetToolIdd = 7009;
  // Controls.
  static constexpr int IDC_INTERFACE_FIRST = 2000;  // 2000 + interface
  static constexpr int IDC_HEADING = 1030;
  static constexpr int IDC_PORT_LABEL = 1008;
  static constexpr int IDC_BIT_LENGTH_LABEL = 1009;
  static constexpr int IDC_BAUD_RATE_LABEL = 1010;
  static constexpr int IDC_PARITY_LABEL = 1011;
  static constexpr int IDC_FLOW_LABEL = 1014;
  static constexpr int IDC_PORT = 1016;
  static constexpr int IDC_BIT_LENGTH = 1017;
  static constexpr int IDC_BAUD_RATE = 1019;
  static constexpr int IDC_PARITY = 1020;
  static constexpr int IDC_FLOW = 1021;
  static constexpr int IDC_ADDRESS = 1012;
  static constexpr int IDC_NET_SEARCH = 1013;
  static constexpr int IDC_SEARCH_RESULTS = 1018;
  static constexpr int IDC_PORT_SEARCH = 1022;
  static constexpr int IDC_NET_TOOL = 1015;
  static constexpr int IDC_VIRTUAL_PORT_TOOL = 1023;
  static constexpr int IDC_BT_CONNECTOR = 1034;
  static constexpr int IDC_COMM_TEST = 1026;
  static constexpr int IDC_PAIRING_TEXT = 5018;
  static constexpr int IDC_NET_TOOL_TEXT = 5020;
  // The address the dialog starts with: 192.168.192.168.
  static constexpr std::uint32_t kInitialAddress = 0xC0A8C0A8u;

  // block: the application settings block (copied); xjc: the communication object
  // (may be null or not loaded); table: the "PORT_ADD_DLG" language table of the
  // selection dialog, which must outlive this dialog (null: built-in texts only).
  CCommunicationSettingDlg(const AppSettingsBlock& block, XJC* xjc, const CLangResTable* table,
                           QWidget* parent = nullptr);
  ~CCommunicationSettingDlg() override;

  // Initialises the dialog (texts, interface buttons, first interface) and runs it
  // modally. Accepted: ResultRecord holds the tested port.
  int exec() override;

  // The PortRecord of the last successful test.
  const PortRecord& ResultRecord() const { return *result_; }

  // The current interface (0-4), -1 before one is selected.
  int CurrentInterface() const { return current_; }
  // Selects an interface as a click on its button does; values outside 0-4 are ignored.
  void SelectInterface(int interfaceIndex);

  // The communication test of the button and of OK: builds the record from the
  // entered settings, tests it and checks the model, telling the user of a failure.
  // True when the port answered with an accepted model (ResultRecord is then set).
  bool RunCommunicationTest();

  // The tool paths in use for the current interface (empty when not found).
  const std::u16string& NetToolPath() const { return netToolPath_; }
  const std::u16string& VirtualPortToolPath() const { return virtualPortToolPath_; }
  const std::u16string& BtConnectorPath() const { return btConnectorPath_; }

  // Controls, for the owner's tests and screenshots.
  QPushButton* InterfaceButton(int interfaceIndex) const;
  QComboBox* PortCombo() const { return portCombo_; }
  Ipv4AddressEdit* AddressEdit() const { return address_; }
  QListWidget* SearchResults() const { return results_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* TestButton() const { return commTest_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void CreateControls();
  void InitDialog();
  void ApplyInterfaceTable(int interfaceIndex);
  void UpdateToolButtons(int interfaceIndex);
  void FillPortList();
  void FillValueLists();
  void SetTestEnabled(bool enabled);
  // The settings the controls hold for the current interface.
  PortSettings CollectSettings();

  void OnInterfaceClicked(int interfaceIndex);
  void OnPortSearch();
  void OnNetSearch();
  void OnSearchResultChosen();
  void OnAddressChanged();
  void OnCommunicationTest();
  void OnOK();
  void OnVirtualPortTool();
  void OnNetTool();
  void OnBtConnector();
  // Runs the tool at path on the runner's worker while the running window shows; the
  // worker sends startedMessage / endedMessage (with the given wParams) around the run.
  void RunToolWithWindow(const std::u16string& path, ToolRunningDlg* running, unsigned startedMessage,
                         plat::WPARAM startedParam, unsigned endedMessage, plat::WPARAM endedParam);
  plat::LRESULT OnBtPairingStarted();
  plat::LRESULT OnBtPairingEnded();
  plat::LRESULT OnNetToolRunning(plat::WPARAM state);
  void SelectPairedPort();
  void ShowToolStartFailure();

  std::u16string Str(int index, std::u16string_view def = {}) const;
  std::u16string Msg(int index, std::u16string_view def) const;

  std::unique_ptr<AppSettingsBlock> block_;
  XJC* xjc_;
  const CLangResTable* table_;
  std::unique_ptr<PortRecord> result_;

  int current_ = -1;
  std::uint32_t storedAddress_ = kInitialAddress;
  // The chosen search result: its TCP port, when it carried one, is kept as long as the
  // address field still holds its address.
  SearchedAddress searched_;

  std::vector<PortRecord> portRecords_;
  std::vector<PortRecord> searchRecords_;
  std::u16string netToolPath_;
  std::u16string virtualPortToolPath_;
  std::u16string btConnectorPath_;

  ToolRunner runner_;
  QPointer<ToolRunningDlg> running_;
  bool initialised_ = false;

  std::array<QPushButton*, kInterfaceCount> ifButtons_{};
  std::array<QRect, kInterfaceCount> ifPositions_{};
  QLabel* heading_ = nullptr;
  QLabel* portLabel_ = nullptr;
  QLabel* bitLengthLabel_ = nullptr;
  QLabel* baudRateLabel_ = nullptr;
  QLabel* parityLabel_ = nullptr;
  QLabel* flowLabel_ = nullptr;
  QComboBox* portCombo_ = nullptr;
  QComboBox* bitLengthCombo_ = nullptr;
  QComboBox* baudRateCombo_ = nullptr;
  QComboBox* parityCombo_ = nullptr;
  QComboBox* flowCombo_ = nullptr;
  Ipv4AddressEdit* address_ = nullptr;
  QPushButton* netSearch_ = nullptr;
  QListWidget* results_ = nullptr;
  QPushButton* portSearch_ = nullptr;
  QPushButton* netTool_ = nullptr;
  QPushButton* virtualPortTool_ = nullptr;
  QPushButton* btConnector_ = nullptr;
  QPushButton* commTest_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};
