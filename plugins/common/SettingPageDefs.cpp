#include "plugins/common/SettingPageDefs.h"

#include "sdk/SettingBlocks.h"

namespace {

using S = SettingDef::Source;

// 65530..65535 lighten the print in steps of 5 %, 1..8 darken it.
const std::vector<SettingChoice> kDensityChoices = {
    {65530, -1, u"70 %", "70%"},   {65531, -1, u"75 %", "75%"},   {65532, -1, u"80 %", "80%"},
    {65533, -1, u"85 %", "85%"},   {65534, -1, u"90 %", "90%"},   {65535, -1, u"95 %", "95%"},
    {0, 9, u"100 % (standard)", "100%"},
    {1, -1, u"105 %", "105%"},     {2, -1, u"110 %", "110%"},     {3, -1, u"115 %", "115%"},
    {4, -1, u"120 %", "120%"},     {5, -1, u"125 %", "125%"},     {6, -1, u"130 %", "130%"},
    {7, -1, u"135 %", "135%"},     {8, -1, u"140 %", "140%"},
};

const std::vector<SettingChoice> kSpeedChoices = {
    {1, 10, u"1 (slowest)", "1"}, {2, -1, u"2", "2"}, {3, -1, u"3", "3"}, {4, -1, u"4", "4"}, {5, -1, u"5", "5"},
    {6, -1, u"6", "6"},           {7, -1, u"7", "7"}, {8, -1, u"8", "8"}, {9, 11, u"9 (fastest)", "9"},
};

}  // namespace

PageDef PrintSettingsPageDef() {
  PageDef page;
  page.blockId = kPrintSettingsBlockId;
  page.blockSize = kPrintSettingsBlockSize;
  page.resourceKey = u"PRINT_SETTINGS_PAGE";
  page.title = u"Print Settings";
  page.description = u"How the printer prints: the paper it holds, how dark and how fast it prints.";
  page.settings = {
      {S::kCustomValue, 3, 0, 32, 2, u"Paper width", {{1, 3, u"58 mm", "58mm"}, {6, 4, u"80 mm", "80mm"}}, 6,
       "paper-width"},
      {S::kCustomValue, 5, 0, 40, 5, u"Print density", kDensityChoices, 0, "density"},
      {S::kCustomValue, 6, 0, 44, 6, u"Print speed", kSpeedChoices, 9, "speed"},
      {S::kCustomValue, 116, 0, 116, 12, u"Paper kind",
       {{0, 13, u"Normal paper", "normal"}, {1, 14, u"Thick paper", "thick"}}, 0, "paper-kind"},
      {S::kCustomValue, 12, 0, 68, 7, u"Carry out commands while the printer is offline", {}, 0, "offline-commands"},
      {S::kCustomValue, 120, 0, 120, 8, u"Sound the buzzer", {}, 0, "buzzer"},
      {S::kCustomValue, 122, 0, 124, 15, u"Save the battery when idle", {}, 0, "battery-saving"},
  };
  return page;
}

PageDef PaperSavingPageDef() {
  PageDef page;
  page.blockId = kPaperSavingBlockId;
  page.blockSize = kPaperSavingBlockSize;
  page.resourceKey = u"PAPER_SAVING_PAGE";
  page.title = u"Paper Saving";
  page.description = u"Choose where the printer may save paper. Receipts get shorter; their content stays the same.";
  page.settings = {
      {S::kCustomValue, 101, 0, 32, 2, u"Reduce the top margin", {}, 0, "reduce-top-margin"},
      {S::kCustomValue, 102, 0, 36, 3, u"Reduce the bottom margin", {}, 0, "reduce-bottom-margin"},
      {S::kCustomValue, 103, 0, 40, 4, u"Reduce the line spacing", {}, 0, "reduce-line-spacing"},
      {S::kCustomValue, 104, 0, 44, 5, u"Reduce line feeds", {}, 0, "reduce-line-feeds"},
      {S::kCustomValue, 105, 0, 48, 6, u"Reduce the barcode height", {}, 0, "reduce-barcode-height"},
  };
  return page;
}

PageDef AutoCutterPageDef() {
  PageDef page;
  page.blockId = kAutoCutterBlockId;
  page.blockSize = kAutoCutterBlockSize;
  page.resourceKey = u"AUTO_CUTTER_PAGE";
  page.title = u"Auto Cutter";
  page.description = u"After new paper is loaded, the printer can cut off the first piece when the cover closes.";
  page.settings = {
      {S::kCustomValue, 100, 0, 32, 2, u"Cut the paper automatically after the paper cover closes", {}, 0,
       "cut-after-cover-close"},
  };
  return page;
}

// The bits of memory switches 5 and 8 that this model uses, one check box each. Bits
// the page does not show are never changed.
PageDef ModelOptionsPageDef() {
  PageDef page;
  page.blockId = kModelOptionsBlockId;
  page.blockSize = kModelOptionsBlockSize;
  page.resourceKey = u"MODEL_OPTIONS_PAGE";
  page.title = u"Model Options";
  page.description = u"Options of the XJ-K52II kept in its memory switches. They take effect after the printer restarts.";
  page.settings = {
      {S::kMemorySwitchBit, 5, 1, 76, 2, u"Report the printer's status when it is switched on", {}, 0,
       "power-on-status"},
      {S::kMemorySwitchBit, 8, 7, 160, 3, u"Beep when the paper runs out", {}, 0, "paper-end-beep"},
      {S::kMemorySwitchBit, 8, 6, 88, 4, u"Feed the paper to the cutter after the cover closes", {}, 0,
       "feed-to-cutter"},
      {S::kMemorySwitchBit, 8, 5, 156, 5, u"Report busy only when the receive buffer is full", {}, 0,
       "busy-when-buffer-full"},
      {S::kMemorySwitchBit, 8, 4, 152, 6, u"Ignore the paper near-end sensor", {}, 0, "ignore-near-end"},
      {S::kMemorySwitchBit, 8, 2, 148, 7, u"Print darker when the battery is low", {}, 0, "darker-on-low-battery"},
      {S::kMemorySwitchBit, 8, 1, 144, 8, u"Line feed after carriage return", {}, 0, "lf-after-cr"},
  };
  return page;
}

std::vector<PageDef> DescribedSettingPages() {
  return {PrintSettingsPageDef(), PaperSavingPageDef(), AutoCutterPageDef(), ModelOptionsPageDef()};
}
