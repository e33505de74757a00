#pragma once
// CSettingPageView: a setting page built from its description (SettingPage.h): a
// title, a short description, one row per setting (a combo box listing the meaning of
// every value, or a check box), and Apply and Reset. The page shows what the data
// block holds; Apply sends the changed settings to the printer as a communication job
// behind the progress dialog (in file mode it only updates the block), Reset goes back
// to what was read. UI thread.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <vector>

#include "plugins/common/SettingPage.h"
#include "views/CSingleFormView.h"

class CSettingPageView : public CSingleFormView {
  Q_OBJECT
 public:
  // Control ids of the buttons.
  static constexpr int kApplyButtonId = 1100;
  static constexpr int kResetButtonId = 1101;
  // First control id of the setting rows (one id per row, in page order).
  static constexpr int kFirstSettingControlId = 1200;

  explicit CSettingPageView(const PageDef& page, QWidget* parent = nullptr);
  ~CSettingPageView() override;

  // Loads the page's texts and builds its controls.
  void OnInitialUpdate() override;

  // Shows the block's values (after a read, and whenever the page becomes current).
  void LoadFromBlock();
  // True when a control shows another value than the block holds.
  bool IsModified() const;
  // The block with the values the controls show.
  Block WantedBlock() const;

  // Sends the changes; true when every changed setting was taken (or nothing changed).
  // A failure keeps the controls as they are and tells the user which setting failed
  // and why.
  bool Apply();
  // Shows the block's values again.
  void Reset();
  // The page is asked whether it may be left (a menu change or the application
  // closing): with unapplied changes the user chooses Yes (apply), No (discard) or
  // Cancel. Returns kPluginOk when the page may be left, kPluginLeaveRefused otherwise.
  std::int32_t QueryLeave();

  const PageDef& Page() const { return page_; }
  QComboBox* ComboOf(std::size_t setting) const;
  QCheckBox* CheckOf(std::size_t setting) const;

 private:
  std::u16string Text(int id, const std::u16string& fallback) const;
  std::u16string CommonText(int id, std::u16string_view fallback) const;
  void BuildControls();
  void UpdateButtons();
  bool IsFileMode() const;
  Block StoredBlock();

  PageDef page_;
  CLangResTable texts_;        // the page's own key
  CLangResTable commonTexts_;  // "PLUGIN_COMMON"
  QLabel* title_ = nullptr;
  QLabel* description_ = nullptr;
  std::vector<QWidget*> controls_;  // per setting: a QComboBox or a QCheckBox
  QPushButton* apply_ = nullptr;
  QPushButton* reset_ = nullptr;
  Block stored_;
};
