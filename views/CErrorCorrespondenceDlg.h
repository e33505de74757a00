#pragma once
// CErrorCorrespondenceDlg: the modal dialog that tells the user how to deal with a
// printer error. For a fatal error (status code 3) or an auto cutter error (code 9) its
// title is the error's status text and its body a guidance text, both from the
// language files, and it sizes itself around the body; for any other code it keeps its
// template texts. It closes with its OK button. UI thread only.
#include <QDialog>
#include <cstdint>
#include <string>
#include <string_view>

class CStaticPictureItem;
class QLabel;
class QPushButton;

// Error codes the dialog explains.
inline constexpr std::int32_t kErrorCodeFatal = 3;
inline constexpr std::int32_t kErrorCodeAutoCutter = 9;
// Keys of the title texts (status texts) and of the guidance texts.
inline constexpr std::u16string_view kPrinterStatusResourceKey = u"PRT_STATUS";
inline constexpr std::u16string_view kErrorGuidanceResourceKey = u"DLG_ERR_CORR_MSG";
inline constexpr std::u16string_view kErrorDialogDefaultTitle = u"error";

class CErrorCorrespondenceDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int IDD = 175;
  static constexpr int IDC_GUIDANCE = 1036;
  static constexpr int IDC_PLACEHOLDER = 1037;
  static constexpr int kWidthDlu = 267;
  static constexpr int kHeightDlu = 102;
  // Margins of the layout, in pixels.
  static constexpr int kMargin = 12;
  static constexpr int kHeightExtra = 60;

  // errorCode: the printer status code; langId: the language to show the texts in
  // (English as fallback); langFolder: the folder of the language files.
  CErrorCorrespondenceDlg(std::int32_t errorCode, std::int32_t langId, std::u16string langFolder,
                          QWidget* parent = nullptr);
  ~CErrorCorrespondenceDlg() override;

  // The dialog's initialisation, run when it is first shown: texts and layout for codes
  // 3 and 9 (returns true), nothing for other codes (returns false).
  bool OnInitDialog();

  std::int32_t ErrorCode() const { return errorCode_; }
  QLabel* Guidance() const { return guidance_; }
  CStaticPictureItem* Placeholder() const { return placeholder_; }
  QPushButton* OkButton() const { return ok_; }

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::int32_t errorCode_;
  std::int32_t langId_;
  std::u16string langFolder_;
  QLabel* guidance_ = nullptr;
  CStaticPictureItem* placeholder_ = nullptr;
  QPushButton* ok_ = nullptr;
  bool initialized_ = false;
};
