// Model Options: the bits of memory switches 5 and 8 that this model uses, one check box
// each. Bits the page does not show are never changed.
// The settings are those of the shared page table (plugins/common/SettingPageDefs.cpp).
#include "plugins/common/PagePlugin.h"
#include "plugins/common/SettingPageDefs.h"

XJ_SETTING_PAGE_PLUGIN(ModelOptionsPageDef)
