#pragma once
// CPrinterInfoView: the Printer Information page. It shows what the printer reports
// about itself (firmware, model, serial number, maker, fonts, device ID, whether an
// auto cutter is installed, the NV graphics memory left) as the blocks hold it, and
// reads it all again from the printer with Refresh, as a communication job. Nothing on
// it can be changed. UI thread.
#include <QLabel>
#include <QPushButton>
#include <array>

#include "plugins/prninfo/PrinterInfoData.h"
#include "views/CSingleFormView.h"

class CPrinterInfoView : public CSingleFormView {
  Q_OBJECT
 public:
  // Control ids: the Refresh button and the value of each row, in page order.
  static constexpr int kRefreshButtonId = 1100;
  static constexpr int kFirstValueId = 1200;
  static constexpr int kRowCount = 8;

  explicit CPrinterInfoView(QWidget* parent = nullptr);
  ~CPrinterInfoView() override;

  void OnInitialUpdate() override;

  // Shows what the blocks hold.
  void LoadFromBlocks();
  // Reads everything again from the printer; true when all of it was read. A failure
  // keeps what was shown and says why.
  bool Refresh();

  // The text of a row's value, in page order.
  QString ValueText(int row) const;

 private:
  std::u16string Str(int id, std::u16string_view fallback) const;
  std::u16string Msg(int id, std::u16string_view fallback) const;
  void BuildControls();
  bool IsFileMode() const;
  Block StoredBlock(std::uint32_t id, const Block& defaults);

  CLangResTable texts_;
  std::array<QLabel*, kRowCount> values_{};
  QPushButton* refresh_ = nullptr;
};
