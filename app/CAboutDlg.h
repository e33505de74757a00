#pragma once
// CAboutDlg: the "Version Information" box with the program's name and version and an
// OK button. The main frame shows it modally (F1, the window's context menu).
//
// Threads: UI thread only.
#include <QDialog>

class QLabel;
class QPushButton;

// The program's name and version as the title bar and the about box show them.
inline constexpr char16_t kUtilityModelName[] = u"XJ-K52II";
inline constexpr char16_t kUtilityVersionText[] = u"Ver.1.30";

class CAboutDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int IDD = 100;
  static constexpr int IDC_PRODUCT = 1001;
  static constexpr int kWidthDlu = 170;
  static constexpr int kHeightDlu = 62;

  explicit CAboutDlg(QWidget* parent = nullptr);
  ~CAboutDlg() override;

  QLabel* ProductLabel() const { return product_; }
  QPushButton* OkButton() const { return ok_; }

 private:
  QLabel* product_ = nullptr;
  QPushButton* ok_ = nullptr;
};
