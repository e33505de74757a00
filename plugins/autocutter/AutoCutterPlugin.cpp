// Auto Cutter: whether the printer cuts the paper when its cover is closed
// (plugins/common/SettingPageDefs). Printers without a cutter (device ID 145) never get
// this page.
#include "plugins/common/PagePlugin.h"
#include "plugins/common/SettingPageDefs.h"

XJ_SETTING_PAGE_PLUGIN(AutoCutterPage)
