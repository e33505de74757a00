#pragma once
// The settings of the four setting pages (Print Settings, Paper Saving, Auto Cutter,
// Model Options): one table that the page plug-ins show and the command-line tool
// reads and changes by the settings' script names. No Qt here; any thread.
#include <vector>

#include "plugins/common/SettingPage.h"

PageDef PrintSettingsPageDef();
PageDef PaperSavingPageDef();
// Printers without a cutter (device ID 145) never get this page.
PageDef AutoCutterPageDef();
PageDef ModelOptionsPageDef();

// The four pages above, in the order of the menu.
std::vector<PageDef> DescribedSettingPages();
