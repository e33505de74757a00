// The logo pages' printer side against the simulator through the real communication
// library: logos registered, listed (over several blocks), printed, replaced, deleted;
// what the printer refuses is reported; a printer that is gone does not answer.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "plugins/logo/NvGraphics.h"
#include "tests/support/SimConnection.h"
#include "tests/support/TestEnv.h"

namespace {

using namespace logo;

constexpr std::uint64_t kSimCapacity = 262144;

MonoBitmap Filled(int width, int height) {
  MonoBitmap bitmap = MonoBitmap::White(width, height);
  std::fill(bitmap.data.begin(), bitmap.data.end(), 0x5A);
  return bitmap;
}

bool Listed(const PrinterLogos& logos, KeyCode key) {
  return std::find(logos.keys.begin(), logos.keys.end(), key) != logos.keys.end();
}

TEST(LogoSimTest, LogosAreRegisteredListedPrintedAndDeleted) {
  const std::string state = testenv::MakeTempDir("logo-state") + "/printer.state";
  SimProcess::Options options = SimConnection::QuickRestart();
  options.statePath = state;
  auto printer = std::make_unique<SimConnection>(options);
  ASSERT_EQ(printer->Open(XJ_DIST_DIR), "");

  PrinterLogos logos;
  ASSERT_EQ(ReadPrinterLogos(&printer->Comm(), logos), PrinterOutcome::kOk);
  EXPECT_TRUE(logos.keys.empty());
  EXPECT_EQ(logos.freeBytes, kSimCapacity);
  EXPECT_EQ(logos.paperWidth, 6);

  const KeyCode a1 = *ParseKeyCode(u"A1");
  const KeyCode big = *ParseKeyCode(u"BG");
  ASSERT_EQ(RegisterLogo(&printer->Comm(), a1, Filled(100, 50), logos), PrinterOutcome::kOk);
  // More than the 2-byte length holds: sent with the long form.
  ASSERT_EQ(RegisterLogo(&printer->Comm(), big, Filled(576, 1000), logos), PrinterOutcome::kOk);
  EXPECT_EQ(logos.keys, (std::vector<KeyCode>{a1, big}));
  EXPECT_EQ(logos.freeBytes, kSimCapacity - 13 * 50 - 72 * 1000);

  // Printed three times, each with a cut.
  ASSERT_EQ(PrintLogo(&printer->Comm(), a1, 3), PrinterOutcome::kOk);
  EXPECT_EQ(printer->Status("prints"), "3");

  // Defined again: replaced, its memory given back.
  ASSERT_EQ(RegisterLogo(&printer->Comm(), a1, Filled(8, 1), logos), PrinterOutcome::kOk);
  EXPECT_EQ(logos.freeBytes, kSimCapacity - 1 - 72 * 1000);

  // More than the memory left: refused, and the page is told.
  EXPECT_EQ(RegisterLogo(&printer->Comm(), *ParseKeyCode(u"XX"), Filled(800, 2304), logos), PrinterOutcome::kIncomplete);
  EXPECT_FALSE(Listed(logos, *ParseKeyCode(u"XX")));

  // Kept across a restart of the printer.
  printer.reset();
  printer = std::make_unique<SimConnection>(options);
  ASSERT_EQ(printer->Open(XJ_DIST_DIR), "");
  PrinterLogos again;
  ASSERT_EQ(ReadPrinterLogos(&printer->Comm(), again), PrinterOutcome::kOk);
  EXPECT_EQ(again.keys, logos.keys);
  EXPECT_EQ(again.freeBytes, logos.freeBytes);

  ASSERT_EQ(DeleteLogos(&printer->Comm(), a1, again), PrinterOutcome::kOk);
  EXPECT_EQ(again.keys, std::vector<KeyCode>{big});
  ASSERT_EQ(DeleteLogos(&printer->Comm(), std::nullopt, again), PrinterOutcome::kOk);
  EXPECT_TRUE(again.keys.empty());
  EXPECT_EQ(again.freeBytes, kSimCapacity);
}

TEST(LogoSimTest, ALongListArrivesInSeveralBlocksAndAPrinterThatIsGoneDoesNotAnswer) {
  SimConnection printer;
  ASSERT_EQ(printer.Open(XJ_DIST_DIR), "");
  // The printer lists 40 keys per block.
  std::vector<KeyCode> keys;
  PrinterLogos logos;
  for (int i = 0; i < 85; ++i) {
    const std::optional<KeyCode> next = NextFreeKeyCode(keys);
    ASSERT_TRUE(next);
    keys.push_back(*next);
    // Many small definitions in one go; only the last is checked on the way.
    const std::vector<std::uint8_t> define = DefineCommand(*next, Filled(8, 1));
    std::uint32_t written = 0;
    ASSERT_EQ(printer.Comm().Write(define.data(), static_cast<std::uint32_t>(define.size()), &written, 3000), XJC_OK);
  }
  ASSERT_EQ(ReadPrinterLogos(&printer.Comm(), logos), PrinterOutcome::kOk);
  std::sort(keys.begin(), keys.end());
  EXPECT_EQ(logos.keys, keys);
  EXPECT_EQ(printer.Status("nvkeys"), "85");

  printer.Sim().Stop();
  EXPECT_EQ(ReadPrinterLogos(&printer.Comm(), logos), PrinterOutcome::kNoAnswer);
  EXPECT_EQ(RegisterLogo(&printer.Comm(), keys[0], Filled(8, 1), logos), PrinterOutcome::kNoAnswer);
  EXPECT_EQ(PrintLogo(&printer.Comm(), keys[0], 1), PrinterOutcome::kNoAnswer);
  EXPECT_EQ(DeleteLogos(&printer.Comm(), std::nullopt, logos), PrinterOutcome::kNoAnswer);
}

}  // namespace
