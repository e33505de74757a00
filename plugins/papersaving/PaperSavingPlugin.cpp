// Paper Saving: the printer shortens margins, spacing and barcodes to use less paper.
#include "plugins/common/PagePlugin.h"
#include "sdk/SettingBlocks.h"

namespace {

PageDef DescribePage() {
  PageDef page;
  page.blockId = kPaperSavingBlockId;
  page.blockSize = kPaperSavingBlockSize;
  page.resourceKey = u"PAPER_SAVING_PAGE";
  page.title = u"Paper Saving";
  page.description = u"Choose where the printer may save paper. Receipts get shorter; their content stays the same.";
  using S = SettingDef::Source;
  page.settings = {
      {S::kCustomValue, 101, 0, 32, 2, u"Reduce the top margin", {}, 0},
      {S::kCustomValue, 102, 0, 36, 3, u"Reduce the bottom margin", {}, 0},
      {S::kCustomValue, 103, 0, 40, 4, u"Reduce the line spacing", {}, 0},
      {S::kCustomValue, 104, 0, 44, 5, u"Reduce line feeds", {}, 0},
      {S::kCustomValue, 105, 0, 48, 6, u"Reduce the barcode height", {}, 0},
  };
  return page;
}

}  // namespace

XJ_SETTING_PAGE_PLUGIN(DescribePage)
