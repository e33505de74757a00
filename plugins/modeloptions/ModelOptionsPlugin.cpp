// Model Options: the bits of memory switches 5 and 8 that this model uses, one check box
// each. Bits the page does not show are never changed.
#include "plugins/common/PagePlugin.h"
#include "sdk/SettingBlocks.h"

namespace {

PageDef DescribePage() {
  PageDef page;
  page.blockId = kModelOptionsBlockId;
  page.blockSize = kModelOptionsBlockSize;
  page.resourceKey = u"MODEL_OPTIONS_PAGE";
  page.title = u"Model Options";
  page.description = u"Options of the XJ-K52II kept in its memory switches. They take effect after the printer restarts.";
  using S = SettingDef::Source;
  page.settings = {
      {S::kMemorySwitchBit, 5, 1, 76, 2, u"Report the printer's status when it is switched on", {}, 0},
      {S::kMemorySwitchBit, 8, 7, 160, 3, u"Beep when the paper runs out", {}, 0},
      {S::kMemorySwitchBit, 8, 6, 88, 4, u"Feed the paper to the cutter after the cover closes", {}, 0},
      {S::kMemorySwitchBit, 8, 5, 156, 5, u"Report busy only when the receive buffer is full", {}, 0},
      {S::kMemorySwitchBit, 8, 4, 152, 6, u"Ignore the paper near-end sensor", {}, 0},
      {S::kMemorySwitchBit, 8, 2, 148, 7, u"Print darker when the battery is low", {}, 0},
      {S::kMemorySwitchBit, 8, 1, 144, 8, u"Line feed after carriage return", {}, 0},
  };
  return page;
}

}  // namespace

XJ_SETTING_PAGE_PLUGIN(DescribePage)
