#include "plugins/prnctrl/CPrinterControlCtrl.h"

#include "plugins/common/PagePlugin.h"
#include "plugins/prnctrl/CPrinterControlView.h"
#include "plugins/prnctrl/PrinterControlTexts.h"

CPrinterControlCtrl::CPrinterControlCtrl() = default;

CPrinterControlCtrl::~CPrinterControlCtrl() = default;

void CPrinterControlCtrl::CreatePages() { AddPage(new CPrinterControlView); }

std::u16string CPrinterControlCtrl::MenuTitle() const { return std::u16string(kPrinterControlPageTitle); }

CPrinterControlView* CPrinterControlCtrl::ControlView() const { return qobject_cast<CPrinterControlView*>(View()); }

namespace {
std::unique_ptr<CPluginPageCtrl> CreatePrinterControlController() { return std::make_unique<CPrinterControlCtrl>(); }
}  // namespace

XJ_PAGE_PLUGIN(CreatePrinterControlController)
