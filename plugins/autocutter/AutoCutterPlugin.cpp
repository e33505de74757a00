// Auto Cutter: whether the printer cuts the paper when its cover is closed. Printers
// without a cutter (device ID 145) never get this page.
#include "plugins/common/PagePlugin.h"
#include "sdk/SettingBlocks.h"

namespace {

PageDef DescribePage() {
  PageDef page;
  page.blockId = kAutoCutterBlockId;
  page.blockSize = kAutoCutterBlockSize;
  page.resourceKey = u"AUTO_CUTTER_PAGE";
  page.title = u"Auto Cutter";
  page.description = u"After new paper is loaded, the printer can cut off the first piece when the cover closes.";
  page.settings = {
      {SettingDef::Source::kCustomValue, 100, 0, 32, 2, u"Cut the paper automatically after the paper cover closes",
       {}, 0},
  };
  return page;
}

}  // namespace

XJ_SETTING_PAGE_PLUGIN(DescribePage)
