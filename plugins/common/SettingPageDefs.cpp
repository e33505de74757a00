#include "plugins/common/SettingPageDefs.h"

#include "sdk/SettingBlocks.h"

namespace {

// 65530..65535 lighten the print in steps of 5 %, 1..8 darken it.
const std::vector<SettingChoice> kDensityChoices = {
    {65530, -1, u"70 %"},  {65531, -1, u"75 %"},  {65532, -1, u"80 %"}, {65533, -1, u"85 %"},
    {65534, -1, u"90 %"},  {65535, -1, u"95 %"},  {0, 9, u"100 % (standard)"},
    {1, -1, u"105 %"},     {2, -1, u"110 %"},     {3, -1, u"115 %"},    {4, -1, u"120 %"},
    {5, -1, u"125 %"},     {6, -1, u"130 %"},     {7, -1, u"135 %"},    {8, -1, u"140 %"},
};

const std::vector<SettingChoice> kSpeedChoices = {
    {1, 10, u"1 (slowest)"}, {2, -1, u"2"}, {3, -1, u"3"}, {4, -1, u"4"}, {5, -1, u"5"},
    {6, -1, u"6"},           {7, -1, u"7"}, {8, -1, u"8"}, {9, 11, u"9 (fastest)"},
};

using S = SettingDef::Source;

}  // namespace

PageDef PrintSettingsPage() {
  PageDef page;
  page.blockId = kPrintSettingsBlockId;
  page.blockSize = kPrintSettingsBlockSize;
  page.resourceKey = u"PRINT_SETTINGS_PAGE";
  page.title = u"Print Settings";
  page.description = u"How the printer prints: the paper it holds, how dark and how fast it prints.";
  page.settings = {
      {S::kCustomValue, 3, 0, 32, 2, u"Paper width", {{1, 3, u"58 mm"}, {6, 4, u"80 mm"}}, 6},
      {S::kCustomValue, 5, 0, 40, 5, u"Print density", kDensityChoices, 0},
      {S::kCustomValue, 6, 0, 44, 6, u"Print speed", kSpeedChoices, 9},
      {S::kCustomValue, 116, 0, 116, 12, u"Paper kind", {{0, 13, u"Normal paper"}, {1, 14, u"Thick paper"}}, 0},
      {S::kCustomValue, 12, 0, 68, 7, u"Carry out commands while the printer is offline", {}, 0},
      {S::kCustomValue, 120, 0, 120, 8, u"Sound the buzzer", {}, 0},
      {S::kCustomValue, 122, 0, 124, 15, u"Save the battery when idle", {}, 0},
  };
  return page;
}

PageDef PaperSavingPage() {
  PageDef page;
  page.blockId = kPaperSavingBlockId;
  page.blockSize = kPaperSavingBlockSize;
  page.resourceKey = u"PAPER_SAVING_PAGE";
  page.title = u"Paper Saving";
  page.description = u"Choose where the printer may save paper. Receipts get shorter; their content stays the same.";
  page.settings = {
      {S::kCustomValue, 101, 0, 32, 2, u"Reduce the top margin", {}, 0},
      {S::kCustomValue, 102, 0, 36, 3, u"Reduce the bottom margin", {}, 0},
      {S::kCustomValue, 103, 0, 40, 4, u"Reduce the line spacing", {}, 0},
      {S::kCustomValue, 104, 0, 44, 5, u"Reduce line feeds", {}, 0},
      {S::kCustomValue, 105, 0, 48, 6, u"Reduce the barcode height", {}, 0},
  };
  return page;
}

PageDef AutoCutterPage() {
  PageDef page;
  page.blockId = kAutoCutterBlockId;
  page.blockSize = kAutoCutterBlockSize;
  page.resourceKey = u"AUTO_CUTTER_PAGE";
  page.title = u"Auto Cutter";
  page.description = u"After new paper is loaded, the printer can cut off the first piece when the cover closes.";
  page.settings = {
      {S::kCustomValue, 100, 0, 32, 2, u"Cut the paper automatically after the paper cover closes", {}, 0},
  };
  return page;
}

PageDef ModelOptionsPage() {
  PageDef page;
  page.blockId = kModelOptionsBlockId;
  page.blockSize = kModelOptionsBlockSize;
  page.resourceKey = u"MODEL_OPTIONS_PAGE";
  page.title = u"Model Options";
  page.description = u"Options of the XJ-K52II kept in its memory switches. They take effect after the printer restarts.";
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

std::vector<PageDef> DescribedSettingPages() {
  return {PrintSettingsPage(), PaperSavingPage(), AutoCutterPage(), ModelOptionsPage()};
}
