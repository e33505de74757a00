// Paper Saving: the printer shortens margins, spacing and barcodes to use less paper
// (plugins/common/SettingPageDefs).
#include "plugins/common/PagePlugin.h"
#include "plugins/common/SettingPageDefs.h"

XJ_SETTING_PAGE_PLUGIN(PaperSavingPage)
