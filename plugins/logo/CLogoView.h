#pragma once
// CLogoView: the Logo Registration page, and in its coupon variant the Coupon page.
//
// Logo Registration lists the logos stored in the printer (a thumbnail from the copy
// this program kept when it registered the logo, else an empty frame with the key
// code) and the free NV graphics memory; it adds a logo from a picture file with a
// live preview of the dots the printer will print (threshold or dithering, brightness,
// scaled down to the paper width), under a typed key code or the next free one; it
// deletes one logo or all of them and prints one as a test. A logo the printer cannot
// take (too wide, too high, more than the free memory) is refused before anything is
// sent. In file mode there is no printer: the logos go into the logo file that the
// settings command file carries.
//
// The Coupon page lists the stored logos and prints the chosen one a number of times,
// with a cut after each. UI thread.
#include <QCheckBox>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <functional>
#include <memory>
#include <string>

#include "plugins/common/SettingPage.h"
#include "plugins/logo/LogoImage.h"
#include "plugins/logo/NvGraphics.h"
#include "views/CSingleFormView.h"

struct LogoState;

class CLogoView : public CSingleFormView {
  Q_OBJECT
 public:
  // Control ids.
  static constexpr int kListId = 1100;
  static constexpr int kRefreshButtonId = 1101;
  static constexpr int kDeleteButtonId = 1102;
  static constexpr int kDeleteAllButtonId = 1103;
  static constexpr int kTestPrintButtonId = 1104;
  static constexpr int kChooseButtonId = 1105;
  static constexpr int kConversionId = 1106;
  static constexpr int kBrightnessId = 1107;
  static constexpr int kFitToPaperId = 1108;
  static constexpr int kKeyCodeId = 1109;
  static constexpr int kRegisterButtonId = 1110;
  static constexpr int kPreviewId = 1111;
  static constexpr int kFreeMemoryId = 1112;
  static constexpr int kCopiesId = 1113;
  static constexpr int kPrintButtonId = 1114;
  static constexpr int kPictureNameId = 1115;
  static constexpr int kPreviewSizeId = 1116;

  static constexpr int kMinCopies = 1;
  static constexpr int kMaxCopies = 99;

  // Asks the user for a picture file; an empty path: cancelled.
  using FileChooser = std::function<std::u16string()>;

  CLogoView(bool coupon, std::shared_ptr<LogoState> state, QWidget* parent = nullptr);
  ~CLogoView() override;

  void OnInitialUpdate() override;

  // Shows what was last read from the printer (or, in file mode, the logo file).
  void LoadState();
  // Reads the stored logos again; true when the list was read.
  bool Refresh();
  // Opens a picture for a new logo; false (and why, in a message) when it is none.
  bool OpenPicture(const std::u16string& path);
  // Registers the previewed picture under the key code shown; true when the printer
  // (or the logo file) holds it afterwards.
  bool Register();
  // Deletes the selected logo / every logo (after asking); true when done.
  bool DeleteSelected();
  bool DeleteAll();
  // Prints the selected logo once (Logo Registration) or the chosen number of times
  // (Coupon); true when the printer took the commands.
  bool PrintSelected();

  // The dots the printer would print for the opened picture with the options shown.
  const logo::MonoBitmap& Preview() const { return preview_; }
  // The key codes listed, in list order.
  std::vector<logo::KeyCode> ListedKeys() const;
  // Selects the logo of key in the list; false when it is not listed.
  bool SelectKey(logo::KeyCode key);
  // The width of the paper in dots, as the pages' data say it.
  int PaperDots();

  void SetFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }

 private:
  enum class JobOutcome { kDone, kRefused };

  std::u16string Str(int id, std::u16string_view fallback) const;
  std::u16string Msg(int id, std::u16string_view fallback) const;
  std::u16string CommonMsg(int id, std::u16string_view fallback) const;
  void BuildControls();
  QWidget* BuildAddPanel();
  bool IsFileMode() const;
  bool AutomaticKeyCodes() const;
  std::u16string ChooseFile();
  // Runs work as a communication job with the progress dialog; false when the printer's
  // state forbade it (the user was told so).
  bool RunPrinterJob(const std::function<PrinterOutcome()>& work, PrinterOutcome& outcome);
  // Tells the user that the printer did not answer; false.
  bool ReportNoAnswer();
  void UpdatePreview();
  void UpdateButtons();
  void UpdateKeyCode();
  void ShowLogos(const std::vector<logo::KeyCode>& keys, std::optional<std::uint64_t> freeBytes, bool known);
  std::optional<logo::KeyCode> SelectedKey() const;
  std::optional<logo::MonoBitmap> Thumbnail(logo::KeyCode key) const;
  logo::LogoCopies Copies() const;
  std::vector<logo::KeyCode> CurrentKeys() const;
  std::optional<std::uint64_t> FreeBytes() const;
  // The refusal message for a logo that does not fit, or empty when it fits.
  std::u16string FitProblem(const logo::MonoBitmap& bitmap, std::optional<logo::KeyCode> replacing);
  bool StoreInFile(logo::KeyCode key);

  bool coupon_;
  std::shared_ptr<LogoState> state_;
  CLangResTable texts_;
  FileChooser chooser_;
  QListWidget* list_ = nullptr;
  QLabel* freeMemory_ = nullptr;
  QPushButton* refresh_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* deleteAll_ = nullptr;
  QPushButton* print_ = nullptr;
  QSpinBox* copies_ = nullptr;
  QPushButton* choose_ = nullptr;
  QLabel* pictureName_ = nullptr;
  QComboBox* conversion_ = nullptr;
  QSlider* brightness_ = nullptr;
  QCheckBox* fitToPaper_ = nullptr;
  QLineEdit* keyCode_ = nullptr;
  QPushButton* register_ = nullptr;
  QLabel* previewLabel_ = nullptr;
  QLabel* previewSize_ = nullptr;
  QImage picture_;
  logo::MonoBitmap preview_;
  // File mode: the logos of the logo file.
  std::vector<logo::StoredLogo> fileLogos_;
};
