#pragma once
// CPrinterInfoCtrl: the controller of the Printer Information plug-in. It owns the
// page's block (0x00010010), uses the printer information block (0x00010001) and
// supplies the defaults of both; the program's read of the printer fills the page's
// block. UI thread, except ReadPrinterSettings.
#include "plugins/common/CPluginPageCtrl.h"

class CPrinterInfoView;

class CPrinterInfoCtrl : public CPluginPageCtrl {
 public:
  CPrinterInfoCtrl();
  ~CPrinterInfoCtrl() override;

  std::int32_t GetDependData(DataBlockDesc* records, std::int32_t& count) override;
  std::int32_t SetDefaultData(std::uint32_t id) override;
  void CreatePages() override;
  std::u16string MenuTitle() const override;
  // Reads the type ID, model ID and NV graphics capacity (the identity texts come from
  // the program's own read just before).
  std::int32_t ReadPrinterSettings() override;
  void OnEnter() override;

  CPrinterInfoView* InfoView() const;
};
