#pragma once
// The pages built from setting descriptions: what each shows and how it reaches the
// printer. Their plug-ins show them; the Printer Control page prints them on its test
// page and sets them back to their defaults. Together they cover every customized value
// and memory switch bit of sdk/SettingBlocks.h. No Qt here.
#include <vector>

#include "plugins/common/SettingPage.h"

// Print Settings: paper width, print density and speed, commands while offline, and the
// model's paper kind, buzzer and battery saving options.
PageDef PrintSettingsPage();
// Paper Saving: the printer shortens margins, spacing and barcodes to use less paper.
PageDef PaperSavingPage();
// Auto Cutter: whether the printer cuts the paper when its cover is closed.
PageDef AutoCutterPage();
// Model Options: the bits of memory switches 5 and 8 that this model uses.
PageDef ModelOptionsPage();

// The four pages in menu order.
std::vector<PageDef> DescribedSettingPages();
