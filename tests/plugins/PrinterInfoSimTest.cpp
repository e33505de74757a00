// The Printer Information page's reading of the printer against the simulator through
// the real communication library, and the blocks it keeps.
#include <gtest/gtest.h>

#include "plugins/prninfo/PrinterInfoData.h"
#include "sdk/IPluginDataMgr.h"
#include "sdk/SettingBlocks.h"
#include "tests/support/SimConnection.h"

namespace {

using namespace prninfo;

constexpr std::uint32_t kSimNvMemory = 262144;

SimProcess::Options WithIdentity(int deviceId) {
  SimProcess::Options options = SimConnection::QuickRestart();
  options.deviceId = deviceId;
  options.extraArgs = {"--fonts", "ANK Kanji", "--serial", "K52-TEST-7", "--firmware", "2.10"};
  return options;
}

TEST(PrinterInfoBlocks, DefaultsAndTextSlotsAreThoseOfTheProgram) {
  const Block info = DefaultPrinterInfoBlock();
  ASSERT_EQ(info.size(), 992u);
  EXPECT_EQ(ReadLE32(info.data() + kBlockIdOffset), kPrinterInfoBlockId);
  EXPECT_EQ(ReadLE32(info.data() + kBlockSizeOffset), 992u);
  EXPECT_EQ(ReadLE32(info.data() + 984), 80u);
  EXPECT_EQ(ReadLE32(info.data() + 988), 180u);
  const Block page = DefaultPageBlock();
  EXPECT_EQ(ReadLE32(page.data() + kBlockIdOffset), kPrinterInfoPageBlockId);

  // Nothing read: nothing claimed.
  const PrinterInfo none = InfoFromBlocks(info, page, 0);
  EXPECT_FALSE(none.deviceId || none.autocutter || none.nvCapacity);
  EXPECT_TRUE(none.texts[kModel].empty());

  // A text longer than its slot keeps 89 characters and the terminator; its
  // neighbour stays as it was.
  Block slots = info;
  SetInfoText(slots, kSerial, u"neighbour");
  SetInfoText(slots, kModel, std::u16string(120, u'M'));
  EXPECT_EQ(InfoText(slots, kModel), std::u16string(89, u'M'));
  EXPECT_EQ(InfoText(slots, kSerial), u"neighbour");
  SetInfoText(slots, kModel, u"XJ");
  EXPECT_EQ(InfoText(slots, kModel), u"XJ");
}

TEST(PrinterInfoSim, ReadsTheIdentityTheCutterAndTheMemoryLeft) {
  SimConnection printer(WithIdentity(144));
  ASSERT_EQ(printer.Open(XJ_DIST_DIR), "");
  Block info = DefaultPrinterInfoBlock();
  Block page = DefaultPageBlock();

  // The program's read of every plug-in leaves the texts to the program.
  ASSERT_EQ(ReadPrinterInformation(&printer.Comm(), false, info, page), PrinterOutcome::kOk);
  EXPECT_EQ(info, DefaultPrinterInfoBlock());
  PrinterInfo shown = InfoFromBlocks(info, page, 0);
  EXPECT_EQ(shown.deviceId, 144);
  EXPECT_EQ(shown.autocutter, true);
  EXPECT_EQ(shown.nvCapacity, kSimNvMemory);

  // Refresh reads the texts too, in the slots' order.
  ASSERT_EQ(ReadPrinterInformation(&printer.Comm(), true, info, page), PrinterOutcome::kOk);
  shown = InfoFromBlocks(info, page, 0);
  EXPECT_EQ(shown.texts[kFirmware], u"2.10");
  EXPECT_EQ(shown.texts[kModel], u"XJ-K52II");
  EXPECT_EQ(shown.texts[kSerial], u"K52-TEST-7");
  EXPECT_EQ(shown.texts[kMaker], u"NORVE");
  EXPECT_EQ(shown.texts[kFonts], u"ANK Kanji");
  EXPECT_EQ(ReadLE32(info.data() + 984), 80u) << "the rest of the block stays";
}

TEST(PrinterInfoSim, TheVariantWithoutCutterAndAPrinterThatIsGone) {
  SimConnection printer(WithIdentity(145));
  ASSERT_EQ(printer.Open(XJ_DIST_DIR), "");
  Block info = DefaultPrinterInfoBlock();
  Block page = DefaultPageBlock();
  ASSERT_EQ(ReadPrinterInformation(&printer.Comm(), true, info, page), PrinterOutcome::kOk);
  EXPECT_EQ(InfoFromBlocks(info, page, 0).autocutter, false);
  EXPECT_EQ(InfoFromBlocks(info, page, 0).deviceId, 145);
  // The device ID the program learnt at start-up is the one shown.
  EXPECT_EQ(InfoFromBlocks(info, page, 150).deviceId, 150);

  printer.Sim().Stop();
  Block again = page;
  EXPECT_EQ(ReadPrinterInformation(&printer.Comm(), true, info, again), PrinterOutcome::kNoAnswer);
}

}  // namespace
