// Print Settings: paper width, print density and speed, commands while offline, and the
// model's paper kind, buzzer and battery saving options.
#include "plugins/common/PagePlugin.h"
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

PageDef DescribePage() {
  PageDef page;
  page.blockId = kPrintSettingsBlockId;
  page.blockSize = kPrintSettingsBlockSize;
  page.resourceKey = u"PRINT_SETTINGS_PAGE";
  page.title = u"Print Settings";
  page.description = u"How the printer prints: the paper it holds, how dark and how fast it prints.";
  using S = SettingDef::Source;
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

}  // namespace

XJ_SETTING_PAGE_PLUGIN(DescribePage)
