#pragma once
// The settings of the four setting pages (Print Settings, Paper Saving, Auto Cutter,
// Model Options): one table of what each page shows and how it reaches the printer,
// with a script name for every setting and value. The page plug-ins show it, the
// command-line tool reads and changes settings by their script names, and the Printer
// Control page prints it on its test page and sets it back to the defaults. Together the
// pages cover every customized value and memory switch bit of sdk/SettingBlocks.h.
// No Qt here; any thread.
#include <vector>

#include "plugins/common/SettingPage.h"

// Print Settings: paper width, print density and speed, commands while offline, and the
// model's paper kind, buzzer and battery saving options.
PageDef PrintSettingsPageDef();
// Paper Saving: the printer shortens margins, spacing and barcodes to use less paper.
PageDef PaperSavingPageDef();
// Auto Cutter: whether the printer cuts the paper when its cover is closed. Printers
// without a cutter (device ID 145) never get this page.
PageDef AutoCutterPageDef();
// Model Options: the bits of memory switches 5 and 8 that this model uses.
PageDef ModelOptionsPageDef();

// The four pages above, in the order of the menu.
std::vector<PageDef> DescribedSettingPages();
