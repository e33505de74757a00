// Model Options: the bits of memory switches 5 and 8 that this model uses, one check box
// each (plugins/common/SettingPageDefs). Bits the page does not show are never changed.
#include "plugins/common/PagePlugin.h"
#include "plugins/common/SettingPageDefs.h"

XJ_SETTING_PAGE_PLUGIN(ModelOptionsPage)
