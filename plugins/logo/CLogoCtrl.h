#pragma once
// CLogoCtrl: the controller of the Logo Registration plug-in (XJLOGO) and of its
// Coupon variant (XJCOUPON). It owns no block of its own; it uses the printer
// information block (the printer's serial number names the folder of the logo copies)
// and the print settings block (the paper width). The program's read of the printer
// reads the stored key codes, the free NV graphics memory and the paper width.
// UI thread, except ReadPrinterSettings.
#include <memory>
#include <mutex>

#include "plugins/common/CPluginPageCtrl.h"
#include "plugins/logo/NvGraphics.h"

class CLogoView;

// What was last read from the printer, shared by the reading worker and the page.
struct LogoState {
  mutable std::mutex mutex;
  logo::PrinterLogos logos;
  bool read = false;  // the key codes were read at least once

  void Store(const logo::PrinterLogos& now, bool keysRead);
  logo::PrinterLogos Logos() const;
  bool Read() const;
};

class CLogoCtrl : public CPluginPageCtrl {
 public:
  explicit CLogoCtrl(bool coupon);
  ~CLogoCtrl() override;

  std::int32_t GetDependData(DataBlockDesc* records, std::int32_t& count) override;
  std::int32_t SetDefaultData(std::uint32_t id) override;
  void CreatePages() override;
  std::u16string MenuTitle() const override;
  std::int32_t ReadPrinterSettings() override;
  void OnEnter() override;

  CLogoView* LogoView() const;

 private:
  bool coupon_;
  std::shared_ptr<LogoState> state_;
};
