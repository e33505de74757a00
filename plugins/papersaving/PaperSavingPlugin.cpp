// Paper Saving: the printer shortens margins, spacing and barcodes to use less paper.
// The settings are those of the shared page table (plugins/common/SettingPageDefs.cpp).
#include "plugins/common/PagePlugin.h"
#include "plugins/common/SettingPageDefs.h"

XJ_SETTING_PAGE_PLUGIN(PaperSavingPageDef)
