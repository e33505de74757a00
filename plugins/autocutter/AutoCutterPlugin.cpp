// Auto Cutter: whether the printer cuts the paper when its cover is closed. Printers
// without a cutter (device ID 145) never get this page.
// The settings are those of the shared page table (plugins/common/SettingPageDefs.cpp).
#include "plugins/common/PagePlugin.h"
#include "plugins/common/SettingPageDefs.h"

XJ_SETTING_PAGE_PLUGIN(AutoCutterPageDef)
