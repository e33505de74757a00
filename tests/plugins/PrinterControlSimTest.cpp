// The Printer Control page's printer side: the setting pages it prints and restores
// cover every setting the utility keeps; against the simulator through the real
// communication library, the factory settings come back in one restart, the test page
// names the printer and every setting, and a printer that falls silent is reported
// without a hang; factory settings sent to a printer whose restart outlasts the wait are
// reported as sent.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "plugins/common/SettingPageDefs.h"
#include "plugins/prnctrl/PrinterControl.h"
#include "sdk/SettingBlocks.h"
#include "tests/support/PrintJournal.h"
#include "tests/support/SimConnection.h"
#include "tests/support/TestEnv.h"

namespace {

using prnctrl::TestPageContent;

const ReconnectPolicy kQuick{30, 100};

const SettingDef* FindSetting(const std::vector<PageDef>& pages, SettingDef::Source source, std::uint8_t number,
                              int bit, const PageDef** pageOut = nullptr) {
  for (const PageDef& page : pages) {
    for (const SettingDef& setting : page.settings) {
      if (setting.source == source && setting.number == number && (source == SettingDef::Source::kCustomValue ||
                                                                    setting.bit == bit)) {
        if (pageOut != nullptr) *pageOut = &page;
        return &setting;
      }
    }
  }
  return nullptr;
}

TEST(PrinterControlPages, TheSettingPagesCoverEverySettingTheBlocksKeepWithTheirDefaults) {
  const std::vector<PageDef> pages = DescribedSettingPages();
  std::size_t settings = 0;
  for (const PageDef& page : pages) settings += page.settings.size();
  std::size_t fields = std::size(kCustomValueFields);
  for (const CustomValueField& field : kCustomValueFields) {
    SCOPED_TRACE(static_cast<int>(field.number));
    const PageDef* page = nullptr;
    const SettingDef* setting = FindSetting(pages, SettingDef::Source::kCustomValue, field.number, 0, &page);
    ASSERT_NE(setting, nullptr);
    EXPECT_EQ(page->blockId, field.blockId);
    EXPECT_EQ(setting->offset, field.offset);
    EXPECT_EQ(setting->defaultValue, field.defaultValue);
  }
  for (const MemorySwitchField& field : kMemorySwitchFields) {
    for (std::size_t i = 0; i < field.offsets.size(); ++i) {
      if (field.offsets[i] == 0) continue;
      ++fields;
      const int bit = 8 - static_cast<int>(i);
      SCOPED_TRACE(std::to_string(field.number) + "/" + std::to_string(bit));
      const PageDef* page = nullptr;
      const SettingDef* setting = FindSetting(pages, SettingDef::Source::kMemorySwitchBit, field.number, bit, &page);
      ASSERT_NE(setting, nullptr);
      EXPECT_EQ(page->blockId, kModelOptionsBlockId);
      EXPECT_EQ(setting->offset, field.offsets[i]);
      EXPECT_EQ(setting->defaultValue, 0);
    }
  }
  EXPECT_EQ(settings, fields) << "every setting of the pages is one the blocks keep";
}

TEST(PrinterControlStatus, TheFixedBitsOfTheTableAreThoseAStatusByteMustHave) {
  for (int value = 0; value < 256; ++value) {
    const auto byte = static_cast<std::uint8_t>(value);
    for (std::size_t group = 0; group < prnctrl::kStatusGroups; ++group) {
      bool fixedBitsMatch = true;
      for (int bit = 0; bit < prnctrl::kStatusBits; ++bit) {
        const prnctrl::StatusBitMeaning& meaning = prnctrl::MeaningOf(group, bit);
        if (meaning.fixed) {
          if (((byte >> bit) & 1) != meaning.fixedValue) fixedBitsMatch = false;
        } else {
          EXPECT_FALSE(meaning.text.empty());
        }
      }
      EXPECT_EQ(prnctrl::IsStatusByte(byte), fixedBitsMatch) << value;
    }
  }
}

TEST(PrinterControlSim, FactorySettingsComeBackInOneRestartAndBitsTheUtilityDoesNotKnowStay) {
  // A printer whose every setting differs from the factory, with switch bits the
  // utility has no page for set as well.
  const std::string state = testenv::MakeTempDir("state") + "/printer.state";
  ASSERT_TRUE(testenv::WriteFile(state,
                                 "xjk52-sim-state 1\nvalue 3 1\nvalue 5 65532\nvalue 6 4\nvalue 12 1\nvalue 100 1\n"
                                 "value 101 1\nvalue 105 1\nvalue 116 1\nvalue 120 1\nvalue 122 1\n"
                                 "switch 5 00000001\nswitch 8 11111111\nswitch 1 00000001\n"));
  SimProcess::Options options = SimConnection::QuickRestart();
  options.statePath = state;
  SimConnection printer(options);
  ASSERT_EQ(printer.Open(XJ_DIST_DIR), "");
  const std::vector<PageDef> pages = DescribedSettingPages();

  std::vector<Block> blocks;
  const PrinterResult result = RestorePageDefaults(&printer.Comm(), pages, kQuick, blocks);
  EXPECT_EQ(result.outcome, PrinterOutcome::kOk);
  EXPECT_TRUE(result.failed.empty());
  EXPECT_EQ(printer.Status("restarts"), "1");
  for (const CustomValueField& field : kCustomValueFields) {
    EXPECT_EQ(printer.Status("cv" + std::to_string(field.number)), std::to_string(field.defaultValue))
        << static_cast<int>(field.number);
  }
  EXPECT_EQ(printer.Status("msw5"), "00000000");
  EXPECT_EQ(printer.Status("msw8"), "10000100") << "bits 8 and 3 have no page";
  EXPECT_EQ(printer.Status("msw1"), "00000001");
  // The blocks hold what was read back.
  ASSERT_EQ(blocks.size(), pages.size());
  for (std::size_t p = 0; p < pages.size(); ++p) {
    EXPECT_EQ(blocks[p], DefaultBlock(pages[p])) << plat::ToUtf8(pages[p].title);
  }

  // At the factory values already: nothing to send, no restart.
  EXPECT_EQ(RestorePageDefaults(&printer.Comm(), pages, kQuick, blocks).outcome, PrinterOutcome::kOk);
  EXPECT_EQ(printer.Status("restarts"), "1");

  // A printer that stopped answering gets nothing and is reported as such.
  ASSERT_EQ(printer.Sim().Control("silent on"), "ok");
  const PrinterResult silent = RestorePageDefaults(&printer.Comm(), pages, kQuick, blocks);
  EXPECT_EQ(silent.outcome, PrinterOutcome::kNoAnswer);
  EXPECT_TRUE(silent.failed.empty()) << "nothing was sent";
  EXPECT_EQ(printer.Status("usermode"), "off");
}

TEST(PrinterControlSim, FactorySettingsSentToAPrinterThatStaysAwayAreNotReportedAsUnchanged) {
  // One setting away from its factory value, and a restart that outlasts the wait many
  // times over.
  const std::string state = testenv::MakeTempDir("state") + "/printer.state";
  ASSERT_TRUE(testenv::WriteFile(state, "xjk52-sim-state 1\nvalue 6 4\n"));
  SimProcess::Options options;
  options.statePath = state;
  options.restartDelayMs = 5000;
  SimConnection printer(options);
  ASSERT_EQ(printer.Open(XJ_DIST_DIR), "");
  const std::vector<PageDef> pages = DescribedSettingPages();

  std::vector<Block> blocks;
  const PrinterResult result = RestorePageDefaults(&printer.Comm(), pages, ReconnectPolicy{1, 100}, blocks);
  EXPECT_EQ(result.outcome, PrinterOutcome::kNoAnswer);
  EXPECT_TRUE(result.sent);
  const SettingDef* speed = FindSetting(pages, SettingDef::Source::kCustomValue, 6, 0);
  EXPECT_EQ(result.failed, (std::vector<const SettingDef*>{speed}));
  EXPECT_TRUE(blocks.empty()) << "nothing was read back";
  EXPECT_EQ(printer.Status("restarting"), "yes");
  EXPECT_EQ(printer.Status("cv6"), "9");
}

// The number of dots set in an image.
std::size_t BlackDots(const PrintedImage& image) {
  return static_cast<std::size_t>(std::count(image.dots.begin(), image.dots.end(), 1));
}

TEST(PrinterControlSim, TheTestPageNamesThePrinterAndEverySettingAsItsPageDoes) {
  SimProcess::Options options = SimConnection::QuickRestart();
  const std::string printed = testenv::MakeTempDir("print");
  options.extraArgs = {"--firmware", "2.10", "--serial", "K52-TP-1", "--print-dir", printed};
  const std::string state = testenv::MakeTempDir("state") + "/printer.state";
  ASSERT_TRUE(testenv::WriteFile(state, "xjk52-sim-state 1\nvalue 3 1\nvalue 5 65532\nswitch 8 01000000\n"));
  options.statePath = state;
  SimConnection printer(options);
  ASSERT_EQ(printer.Open(XJ_DIST_DIR), "");
  const std::vector<PageDef> pages = DescribedSettingPages();

  TestPageContent content;
  ASSERT_EQ(prnctrl::ReadTestPageContent(&printer.Comm(), pages, content), PrinterOutcome::kOk);
  EXPECT_EQ(content.model, "XJ-K52II");
  EXPECT_EQ(content.firmware, "2.10");
  EXPECT_EQ(content.serial, "K52-TP-1");
  EXPECT_TRUE(content.cut);
  EXPECT_EQ(content.dots, 384) << "58 mm paper";
  ASSERT_EQ(content.sections.size(), pages.size() + 1);
  const auto line = [&](std::size_t section, std::size_t index) {
    const TestPageContent::Line& l = content.sections[section].lines.at(index);
    return l.label + ": " + l.value;
  };
  EXPECT_EQ(content.sections[0].title, "Print Settings");
  EXPECT_EQ(line(0, 0), "Paper width: 58 mm");
  EXPECT_EQ(line(0, 1), "Print density: 80 %");
  EXPECT_EQ(line(0, 2), "Print speed: 9 (fastest)");
  EXPECT_EQ(line(3, 1), "Beep when the paper runs out: On");
  EXPECT_EQ(line(3, 2), "Feed the paper to the cutter after the cover closes: Off");
  EXPECT_EQ(line(4, 1), "Memory switch 8: 01000000");
  std::size_t lines = 0;
  for (const TestPageContent::Section& section : content.sections) lines += section.lines.size();
  EXPECT_EQ(lines, std::size(kCustomValueFields) + 7 + std::size(kMemorySwitchFields));

  // Printed: every line as read, the density bands as images across the paper, then the
  // feed and the cut.
  ASSERT_EQ(prnctrl::SendPrintData(&printer.Comm(), prnctrl::BuildTestPage(content)), PrinterOutcome::kOk);
  const std::size_t bands = prnctrl::DensityBands().size();
  const std::size_t events = 5 + content.sections.size() * 2 + lines + 2 + bands * 2 + 2;
  const std::vector<std::string> journal = WaitForJournalLines(printed, events);
  ASSERT_EQ(journal.size(), events);
  EXPECT_EQ(journal[0], "text XJ-K52II Test Print");
  EXPECT_EQ(journal[2], "text Model: XJ-K52II");
  EXPECT_EQ(journal[3], "text Firmware: 2.10");
  EXPECT_EQ(journal[4], "text Serial number: K52-TP-1");
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "text Paper width: 58 mm"), 1);
  EXPECT_EQ(std::count(journal.begin(), journal.end(), "text Memory switch 8: 01000000"), 1);
  EXPECT_EQ(journal[events - 2], "feed lines " + std::to_string(prnctrl::kTestPageFeedLines));
  EXPECT_EQ(journal[events - 1], "cut full");
  // 100, 50, 25 and 12.5 % of the dots.
  const std::size_t bandDots = 384u * prnctrl::kBandHeight;
  for (std::size_t band = 0; band < bands; ++band) {
    SCOPED_TRACE(prnctrl::DensityBands()[band].label);
    EXPECT_EQ(journal[events - 2 - 2 * bands + 2 * band], "text " + prnctrl::DensityBands()[band].label);
    const PrintedImage image = ReadPbm(PrintedImagePath(printed, static_cast<int>(band) + 1));
    ASSERT_EQ(image.width, 384);
    ASSERT_EQ(image.height, prnctrl::kBandHeight);
    EXPECT_EQ(BlackDots(image), bandDots >> band);
  }

  // The variant without a cutter gets the page without the cut.
  ASSERT_EQ(printer.Sim().Control("deviceid 145"), "ok");
  ASSERT_EQ(prnctrl::ReadTestPageContent(&printer.Comm(), pages, content), PrinterOutcome::kOk);
  EXPECT_FALSE(content.cut);
  ASSERT_EQ(prnctrl::SendPrintData(&printer.Comm(), prnctrl::BuildTestPage(content)), PrinterOutcome::kOk);
  EXPECT_EQ(WaitForJournalLines(printed, 2 * events - 1).back(), journal[events - 2]);
  EXPECT_EQ(printer.Status("cuts"), "1");

  // Silent: the content is not read, and print data sent is not confirmed.
  ASSERT_EQ(printer.Sim().Control("silent on"), "ok");
  EXPECT_EQ(prnctrl::ReadTestPageContent(&printer.Comm(), pages, content), PrinterOutcome::kNoAnswer);
  EXPECT_EQ(prnctrl::SendPrintData(&printer.Comm(), prnctrl::FeedCommand(2)), PrinterOutcome::kNoAnswer);
}

}  // namespace
