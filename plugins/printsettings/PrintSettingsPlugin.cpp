// Print Settings: paper width, print density and speed, commands while offline, and the
// model's paper kind, buzzer and battery saving options.
// The settings are those of the shared page table (plugins/common/SettingPageDefs.cpp).
#include "plugins/common/PagePlugin.h"
#include "plugins/common/SettingPageDefs.h"

XJ_SETTING_PAGE_PLUGIN(PrintSettingsPageDef)
