#pragma once
// CPrinterSelectDlg: the modal dialog in which the user chooses the printer before the
// main window exists. It lists the registered ports on which an XJ-K52II is known (or,
// when the program was started by the printer driver, the driver's installed printers),
// lets the user add and delete ports and change the language, and on OK tests the
// chosen port, checks the model, opens it and records it in its copy of the application
// settings block, which start-up takes back afterwards. Start-up also uses a few
// operations without showing it: TestPort, OpenPort, SetChosenPort, SelectPortByPath.
//
// Threads: UI thread only.
#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/AppSettingsBlock.h"
#include "sdk/PortRecord.h"
#include "comm/PrinterListRules.h"
#include "lang/CLangResTable.h"
#include "sdk/XJComm.h"

class CSelectLangDlg;
class CStaticItem;
class CStaticPictureItem;
class QLabel;
class QPushButton;
class XJC;
namespace plat {
class ReportList;
class WindowTag;
}  // namespace plat

// The OK flow's result when the printer that answered is not the served model.
inline constexpr std::int32_t RESULT_MODEL_MISMATCH = -67;

// The running copy's tag ("%s_%s" of the two), carried by this dialog while it exists.
inline constexpr char16_t kRunningCopyTagPrefix[] = u"XJ-K52II_UTILITY";
// Language keys of this dialog and of its port setting dialog.
inline constexpr char16_t kPrinterSelectResourceKey[] = u"PRT_SELECT_DLG";
inline constexpr char16_t kPortAddResourceKey[] = u"PORT_ADD_DLG";
// The program's own settings file in the executable folder and its language entry.
inline constexpr char16_t kSettingIniName[] = u"SETTING.INI";
inline constexpr char16_t kLanguageSection[] = u"LANGUAGE";
inline constexpr char16_t kLangIdKey[] = u"LANGID";

class CPrinterSelectDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int IDD = 138;
  static constexpr int IDC_LANG_COMBO = 1000;  // present, unused
  static constexpr int IDC_ADD_PORT = 1003;
  static constexpr int IDC_DELETE_PORT = 1004;
  static constexpr int IDC_GUIDE = 1018;
  static constexpr int IDC_ADD_HINT = 1019;
  static constexpr int IDC_LIST = 1020;
  static constexpr int IDC_SELECT_LANG = 1026;
  static constexpr int IDC_PICTURE = 1027;
  static constexpr int IDC_UNUSED_STATIC = 1031;  // present, unused
  static constexpr int IDC_LANG_LABEL = 1032;
  // Rows of the list are this much taller than the style's default, in percent.
  static constexpr int kRowHeightPercent = 120;
  // The first column is at least this wide before the widening by a fifth.
  static constexpr int kMinFirstColumnWidth = 100;

  explicit CPrinterSelectDlg(QWidget* parent = nullptr);
  ~CPrinterSelectDlg() override;

  // ---- set by start-up before use --------------------------------------------------
  // Copies the application settings block into the dialog.
  void SetSettingsBlock(const AppSettingsBlock& block);
  // The dialog's copy, which start-up takes back after the dialog closed.
  const AppSettingsBlock& SettingsBlock() const { return *block_; }
  AppSettingsBlock& SettingsBlock() { return *block_; }
  void SetXJC(XJC* xjc) { xjc_ = xjc; }
  // A non-empty driver filter lists installed printers instead of ports.
  void SetDriverFilter(std::u16string_view filter) { driverFilter_ = filter; }
  void SetPrinterNameFilter(std::u16string_view filter) { nameFilter_ = filter; }

  // ---- operations, shown or not ------------------------------------------------------
  // Initialises the dialog (language, list) and runs it modally. When no language file
  // exists at all, the user is told and the dialog ends as by Cancel without showing.
  int exec() override;

  // The test step of OK: XJC_CommunicationTest(record), stored as the last test result;
  // with verifyModel non-zero and a test result of 0 the reported model is checked
  // (installed-printer mode: the model family, else exactly "XJ-K52II"), and a mismatch
  // is shown and gives RESULT_MODEL_MISMATCH. XJC_E_NO_RECORD for a null record.
  std::int32_t TestPort(int verifyModel, PortRecord* record);
  // Opens the port: XJC_SetPort, XJC_GetPort, Open(1), XJC_Initialize; the first
  // failure is returned. XJC_E_NO_RECORD for a null record.
  XJC_RESULT OpenPort(PortRecord* record);
  // Makes record the chosen port of the settings block and sets the chosen interface
  // type from its kind ("COM" 1, "LPT" 2, "USB" 3, "NET" 4, "BT" 5; any other kind
  // leaves it). Nothing for a null record.
  void SetChosenPort(const PortRecord* record);
  // Refreshes the list and returns the first port whose path up to its last "/"
  // equals path (installed-printer mode: the record of the first entry whose path cut
  // the same way begins with it, which also becomes the selected entry), after making
  // it the chosen port; null when there is none.
  PortRecord* SelectPortByPath(std::u16string_view path);
  // The name of the installed printer at the selected index; false and an empty text
  // when there is none.
  bool GetSelectedPrinterName(char16_t (&name)[260]) const;
  // The result of the latest communication test; XJC_E_NOT_LOADED before any.
  XJC_RESULT LastTestResult() const { return lastTestResult_; }
  // The row chosen by OK or the entry chosen by path; -1 when none.
  int SelectedIndex() const { return selectedIndex_; }
  bool IsInstalledPrinterMode() const { return !driverFilter_.empty(); }

  // ---- user actions (the buttons' handlers) -------------------------------------------
  void OnOK();
  void OnAddPort();
  void OnDeletePort();
  void OnSelectLanguage();

  // ---- for tests and screenshots --------------------------------------------------------
  plat::ReportList* List() const { return list_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* DeleteButton() const { return delete_; }
  QPushButton* AddButton() const { return add_; }
  QPushButton* SelectLanguageButton() const { return selectLang_; }
  QLabel* LanguageLabel() const { return langLabel_; }
  CSelectLangDlg* LanguageDialog() const { return langDlg_; }
  const CLangResTable& Table() const { return table_; }
  const CLangResTable& PortAddTable() const { return portAddTable_; }

 public slots:
  void reject() override;

 private:
  void CreateControls();
  bool InitDialog();
  bool LoadLanguage();
  void RefreshList();
  void FillRows();
  void UpdateButtons();
  void SaveLanguage();
  void EndDialogOk();
  std::u16string InterfaceText(std::u16string_view kind) const;
  // Texts of an installed printer whose device cannot be set up: the port column, the
  // message on OK, and the reason a device URI cannot be read.
  std::u16string QueueDevicePortText(const InstalledPrinterEntry& entry) const;
  std::u16string QueueDeviceMessage(const InstalledPrinterEntry& entry) const;
  std::u16string QueueDeviceFault(const InstalledPrinterEntry& entry) const;
  // The installed-printer entry bound to record; null outside installed-printer mode.
  const InstalledPrinterEntry* EntryOfRecord(const PortRecord* record) const;
  bool IsDriverMode() const;

  std::unique_ptr<AppSettingsBlock> block_;
  XJC* xjc_ = nullptr;
  XJC_RESULT lastTestResult_ = XJC_E_NOT_LOADED;
  std::vector<PortRecord> ports_;
  std::size_t portCount_ = 0;
  std::u16string driverFilter_;
  std::u16string nameFilter_;
  std::vector<InstalledPrinterEntry> entries_;
  int selectedIndex_ = -1;
  CLangResTable table_;
  CLangResTable portAddTable_;
  bool initialised_ = false;
  bool languageSaveReported_ = false;

  CSelectLangDlg* langDlg_ = nullptr;
  plat::WindowTag* tag_ = nullptr;
  plat::ReportList* list_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* selectLang_ = nullptr;
  CStaticItem* guide_ = nullptr;
  QLabel* hint_ = nullptr;
  CStaticPictureItem* picture_ = nullptr;
  QLabel* langLabel_ = nullptr;
};
