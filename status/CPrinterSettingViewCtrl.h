#pragma once
// CPrinterSettingViewCtrl: the controller of the printer settings view, embedded in the
// status pane. Its data block is the printer information block (0x00010001; the owner
// sets its size, 992 bytes); it creates one CPrinterSettingView, which is never shown.
//
// Threads: UI thread.
#include <cstdint>

#include "views/CFormViewCtrl.h"

class CPrinterSettingView;

// Page-kind flag of this controller.
inline constexpr std::int32_t kPrinterSettingPageKind = 1;
// SetDefaultData's result for a block that is not this controller's.
inline constexpr std::int32_t kNotOwnBlock = -1;

class CPrinterSettingViewCtrl : public CFormViewCtrl {
 public:
  CPrinterSettingViewCtrl();
  ~CPrinterSettingViewCtrl() override;

  // Stores the default printer information block (empty texts, flags 0, 80 at 984 and
  // 180 at 988) in the data manager: the result of SetData, or kNotOwnBlock for any id
  // but 0x00010001.
  std::int32_t SetDefaultData(std::uint32_t id) override;
  void ResetKind() override;
  void CreatePages() override;

  // The current page, the printer settings view; null before Initialize.
  CPrinterSettingView* SettingView() const;
};
