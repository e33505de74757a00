#pragma once
// CPrinterControlCtrl: the controller of the Printer Control plug-in. The page keeps no
// block of its own and reads nothing when the program reads the printer's settings: it
// asks the printer itself while it is shown. UI thread.
#include "plugins/common/CPluginPageCtrl.h"

class CPrinterControlView;

class CPrinterControlCtrl : public CPluginPageCtrl {
 public:
  CPrinterControlCtrl();
  ~CPrinterControlCtrl() override;

  void CreatePages() override;
  std::u16string MenuTitle() const override;

  CPrinterControlView* ControlView() const;
};
