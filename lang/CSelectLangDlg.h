#pragma once
// CSelectLangDlg: the small modal dialog in which the user chooses the display
// language. The languages offered are the items the language file defines for its
// combo box, each carrying its LANGID. The owner fills the dialog's copy of the
// application settings block and loads its table (key "SELECT_LANG_DLG") before the
// dialog is shown; after OK it reads the new LANGID and language code from the copy.
// The dialog may be shown several times. UI thread only.
#include <QDialog>
#include <memory>
#include <string_view>

#include "lang/CLangResTable.h"

class QComboBox;
class QPushButton;
struct AppSettingsBlock;

inline constexpr std::u16string_view kSelectLangResourceKey = u"SELECT_LANG_DLG";
inline constexpr std::u16string_view kSelectLangDefaultTitle = u"Select Language";

class CSelectLangDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int IDD = 153;
  static constexpr int IDC_LANGUAGE = 1000;
  static constexpr int kWidthDlu = 165;
  static constexpr int kHeightDlu = 52;

  explicit CSelectLangDlg(QWidget* parent = nullptr);
  ~CSelectLangDlg() override;

  // The dialog's language table and its copy of the settings block.
  CLangResTable& Table() { return table_; }
  AppSettingsBlock& Settings() { return *settings_; }

  // Runs at every showing: template captions, then the table's captions and combo
  // items, the title, and the item of the copy's LANGID preselected (none when the
  // list lacks it). OK stays disabled while no language is selected.
  void OnInitDialog();
  // OK: the selected item's LANGID and its "%04X" code go into the copy, the table is
  // reloaded for that language (English as fallback), and the dialog ends with OK.
  // Nothing happens while no item is selected.
  void OnOK();

  QComboBox* LanguageCombo() const { return combo_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void UpdateOkButton();

  CLangResTable table_;
  std::unique_ptr<AppSettingsBlock> settings_;
  QComboBox* combo_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  bool initialized_ = false;
};
