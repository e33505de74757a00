#pragma once
// CBackupView: the Settings Backup page. "Save to File" reads the printer's settings
// and writes them as a settings command file (the same file file mode writes);
// "Restore from File" checks such a file whole, lists what it would change, asks, and
// sends it to the printer behind the progress dialog, waits for the printer's restart,
// reads every setting back and tells which did not take. A damaged file is refused
// before anything is sent. In file mode there is no printer: Save writes the blocks as
// they are and Restore is unavailable. UI thread.
#include <QLabel>
#include <QPushButton>
#include <functional>
#include <string>

#include "plugins/backup/SettingsRestore.h"
#include "platform/ui/ReportList.h"
#include "views/CSingleFormView.h"

class CBackupView : public CSingleFormView {
  Q_OBJECT
 public:
  // Control ids.
  static constexpr int kSaveButtonId = 1100;
  static constexpr int kRestoreButtonId = 1101;
  static constexpr int kChangeListId = 1102;

  // Asks the user for a file: true to save, false to open. An empty path: cancelled.
  using FileChooser = std::function<std::u16string(bool forSaving)>;

  explicit CBackupView(QWidget* parent = nullptr);
  ~CBackupView() override;

  void OnInitialUpdate() override;

  // Saves the printer's settings to path; true when the file was written.
  bool SaveTo(const std::u16string& path);
  // Restores the settings file at path to the printer after asking; true when it was
  // sent and every setting took.
  bool RestoreFrom(const std::u16string& path);

  // The dialog that asks for a file (tests replace it); the default is a file dialog.
  void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

 private:
  std::u16string Str(int id, std::u16string_view fallback) const;
  std::u16string Msg(int id, std::u16string_view fallback) const;
  std::u16string CommonMsg(int id, std::u16string_view fallback) const;
  void BuildControls();
  bool IsFileMode() const;
  std::u16string ChooseFile(bool forSaving);
  // Runs work as a communication job; its result, or a negative code of RunJob.
  std::int32_t RunCommJob(std::function<std::int32_t()> work);
  bool CurrentValuesKnown() const;
  void ShowFile(const std::u16string& path, const SettingsFileContents* file);
  std::u16string SettingName(const SettingChange& change) const;
  std::u16string ValueText(const SettingChange& change, std::int32_t value) const;

  CLangResTable texts_;
  FileChooser chooser_;
  QPushButton* save_ = nullptr;
  QPushButton* restore_ = nullptr;
  QLabel* fileInfo_ = nullptr;
  QLabel* summary_ = nullptr;
  plat::ReportList* list_ = nullptr;
  // The blocks were read from the printer by this page (so the list's "now" is true
  // even before the program read every page).
  bool blocksRead_ = false;
};
