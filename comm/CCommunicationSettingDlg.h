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
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sdk/AppSettingsBlock.h"
#include "sdk/PortRecord.h"
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

// Interfaces, as the interface order list and the buttons 2000 + i number them.
inline constexpr int kInterfaceSerial = 0;
inline constexpr int kInterfaceParallel = 1;
inline constexpr int kInterfaceUsb = 2;
inline constexpr int kInterfaceEthernet = 3;
inline constexpr int kInterfaceBluetooth = 4;
inline constexpr int kInterfaceCount = 5;
inline constexpr int kInterfaceListEnd = -1;

// The settings file the Bluetooth pairing tool leaves behind, below the common data
// folder, and the value naming the serial port it paired.
inline constexpr char16_t kBtSettingFileSubPath[] = u"NORVE/VADEVevedaver/XJBTSetting.ini";
inline constexpr char16_t kBtSettingSection[] = u"Setting";
inline constexpr char16_t kBtVirtualComPortKey[] = u"VirtualComPort";

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
  // Records provided for a port enumeration or a network search at first.
  static constexpr std::size_t kInitialRecordCount = 128;
  // The most records an enumeration is given room for; a larger count from the library
  // is cut to it rather than trusted with memory.
  static constexpr std::size_t kMaxRecordCount = 4096;
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
  // The entered settings, rebuilt before every test.
  struct EnteredSettings {
    std::int32_t type = 0;  // 1-5: interface + 1
    std::u16string modelName;
    std::u16string port;
    std::uint32_t address = 0;
    std::int32_t bitLength = -1;
    std::int32_t baudRate = -1;
    std::int32_t parity = -1;
    std::array<std::uint8_t, sizeof(PortRecord::usbDeviceData)> usbDeviceData{};
  };

  void CreateControls();
  void InitDialog();
  void ApplyInterfaceTable(int interfaceIndex);
  void UpdateToolButtons(int interfaceIndex);
  void FillPortList();
  void FillValueLists();
  void SetTestEnabled(bool enabled);
  void UpdateTestEnabledFromAddress();
  bool EnumerateDevices(const char16_t* kind, std::vector<PortRecord>& records, std::uint32_t& count);
  std::u16string PortKindOf(int interfaceIndex) const;
  bool InterfaceListed(int interfaceIndex) const;
  void CollectSettings(EnteredSettings& settings);
  bool BuildRecord(const EnteredSettings& settings, PortRecord& record) const;
  bool IsAcceptedModel(std::u16string_view deviceName) const;

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
  // The TCP port of a chosen search result whose address carried one, with that
  // address: kept as long as the address field still holds it.
  std::u16string searchPortSuffix_;
  std::uint32_t searchPortAddress_ = 0;

  std::vector<PortRecord> portRecords_;
  std::vector<PortRecord> searchRecords_;
  std::u16string netToolPath_;
  std::u16string virtualPortToolPath_;
  std::u16string btConnectorPath_;

  ToolRunner runner_;
  QPointer<ToolRunningDlg> running_;
  std::atomic<bool> toolLaunchFailed_{false};  // set by the tool worker
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
