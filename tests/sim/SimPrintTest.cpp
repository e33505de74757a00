// What the simulator prints: the print journal and its images (--print-dir), the
// formatting commands that are taken without printing, and the factory reset.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/sim/SimLink.h"
#include "tests/support/PrintJournal.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TestEnv.h"

namespace {

// An image from rows of packed bytes (MSB = leftmost dot).
PrintedImage FromRows(int width, int height, const Bytes& rows) {
  PrintedImage image{width, height, {}};
  const int stride = (width + 7) / 8;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.dots.push_back((rows[y * stride + x / 8] >> (7 - x % 8)) & 1);
  return image;
}

PrintedImage FromFunction(int width, int height, const std::function<bool(int, int)>& black) {
  PrintedImage image{width, height, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.dots.push_back(black(x, y) ? 1 : 0);
  return image;
}

PrintedImage Scaled(const PrintedImage& image, int xScale, int yScale) {
  return FromFunction(image.width * xScale, image.height * yScale,
                      [&](int x, int y) { return image.Dot(x / xScale, y / yScale); });
}

// True when `receipt` shows `image` at rows top.. from the left edge, blank to its right.
bool ShowsAt(const PrintedImage& receipt, int top, const PrintedImage& image) {
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < receipt.width; ++x) {
      const bool expected = x < image.width && image.Dot(x, y);
      if (receipt.Dot(x, top + y) != expected) return false;
    }
  return true;
}

bool BlankRows(const PrintedImage& receipt, int top, int count) {
  return ShowsAt(receipt, top, PrintedImage{0, count, {}});
}

Bytes RasterImage(int m, int widthBytes, int height, const Bytes& data) {
  return Cat(B({0x1D, 0x76, 0x30, m, widthBytes & 0xFF, widthBytes >> 8, height & 0xFF, height >> 8}), data);
}

class SimPrintTest : public ::testing::Test {
 protected:
  void StartSim(SimProcess::Options options) {
    sim_ = std::make_unique<SimProcess>(std::move(options));
    ASSERT_TRUE(sim_->Start());
    link_ = SimLink::ConnectTcp(sim_->TcpHost(), sim_->TcpPort());
    ASSERT_TRUE(link_.valid());
  }
  std::string Status(const std::string& key) { return StatusValue(sim_->Control("status"), key); }

  std::unique_ptr<SimProcess> sim_;
  SimLink link_;
};

TEST_F(SimPrintTest, JournalRecordsTextFeedsCutsBarcodesAndImagesDotForDot) {
  const std::string dir = testenv::MakeTempDir("print") + "/journal";  // created by the simulator
  SimProcess::Options options;
  options.printDir = dir;
  StartSim(options);

  // Formatting commands between the text, each with LF bytes as arguments: read with a
  // wrong length they would print extra lines. Sent one byte at a time.
  Bytes text = Cat(Text("Hello\r\n"), B({0x1B, 0x21, 0x0A, 0x1B, 0x2D, 0x0A, 0x1B, 0x45, 0x0A, 0x1B, 0x47, 0x0A}));
  text = Cat(text, Cat(Text("Bold"), B({0x1B, 0x61, 0x0A, 0x1B, 0x74, 0x0A, 0x1B, 0x32, 0x1B, 0x33, 0x0A, 0x1B,
                                        0x20, 0x0A, 0x1B, 0x4D, 0x0A, 0x1D, 0x21, 0x0A, 0x1D, 0x42, 0x0A})));
  text = Cat(text, Cat(Text(" x\\y"), B({0x1D, 0x48, 0x0A, 0x1D, 0x68, 0x0A, 0x1D, 0x77, 0x0A, 0x1D, 0x66, 0x0A,
                                          0x1D, 0x4C, 0x0A, 0x0A, 0x1D, 0x57, 0x0A, 0x0A, 0x1C, 0x2E, 0x1C, 0x26})));
  text = Cat(text, B({0xC3, 0xA9, 0x0D, 0x0A}));
  for (std::uint8_t b : text) ASSERT_TRUE(link_.Send({b}));

  // ESC @ throws the partial line away; ESC d prints the pending one, then feeds.
  ASSERT_TRUE(link_.Send(Cat(Cat(Text("lost"), B({0x1B, 0x40})), Cat(Text("kept"), B({0x1B, 0x64, 2})))));
  ASSERT_TRUE(link_.Send(Cat(B({0x1D, 0x56, 0x00}), Cat(Text("tail"), B({0x1D, 0x56, 66, 5})))));

  // A raster image at scale 1 and at scale 3 (double width and height).
  const Bytes rows = B({0xF0, 0x0F, 0x81, 0x18, 0xAA, 0x55});
  const PrintedImage raster = FromRows(16, 3, rows);
  ASSERT_TRUE(link_.Send(Cat(RasterImage(0, 2, 3, rows), RasterImage(3, 2, 3, rows))));
  // One with a height out of range is read past and prints nothing, although its data
  // is full of line feeds.
  ASSERT_TRUE(link_.Send(Cat(RasterImage(0, 1, 4096, Bytes(4096, 0x0A)), B({0x1B, 0x4A, 10}))));

  // An NV graphic 10 x 2 printed twice as wide.
  const Bytes nvRows = B({0xFF, 0xC0, 0x80, 0x40});
  ASSERT_TRUE(link_.Send(Graphics(Cat(B({0x30, 0x43, 0x30, 'N', '1', 0x01, 10, 0, 2, 0, 0x31}), nvRows))));
  ASSERT_TRUE(link_.Send(Graphics(B({0x30, 0x45, 'N', '1', 2, 1}))));

  // A logo image 16 x 8 in column format (column x holds the byte x), printed twice as high.
  Bytes logo = B({0x1C, 0x71, 0x01, 0x02, 0x00, 0x01, 0x00});
  for (int x = 0; x < 16; ++x) logo.push_back(static_cast<std::uint8_t>(x));
  ASSERT_TRUE(link_.Send(Cat(logo, B({0x1C, 0x70, 0x01, 0x02}))));
  const PrintedImage logoImage = FromFunction(16, 8, [](int x, int y) { return (x >> (7 - y)) & 1; });
  // Logo 2 does not exist: nothing is printed.
  ASSERT_TRUE(link_.Send(B({0x1C, 0x70, 0x02, 0x00})));

  // Barcodes in both forms, then ESC i, text and ESC m.
  ASSERT_TRUE(link_.Send(Cat(Cat(B({0x1D, 0x6B, 4}), Text("AB12")), B({0x00, 0x1D, 0x6B, 73, 3, '{', 'A', '\\'}))));
  ASSERT_TRUE(link_.Send(Cat(Cat(B({0x1B, 0x69}), Text("after")), B({0x1B, 0x6D}))));

  const std::vector<std::string> expected = {
      "text Hello",  "text Bold x\\\\y\\xC3\\xA9", "text kept",   "feed lines 2",     "cut full",
      "text tail",   "feed dots 5",                "cut partial", "image 1 16x3",     "image 2 32x6",
      "feed dots 10", "image 3 20x2",              "image 4 16x16", "barcode 4 AB12", "barcode 73 {A\\\\",
      "cut full",    "text after",                 "cut partial"};
  EXPECT_EQ(WaitForJournalLines(dir, expected.size()), expected);

  EXPECT_EQ(ReadPbm(PrintedImagePath(dir, 1)), raster);
  EXPECT_EQ(ReadPbm(PrintedImagePath(dir, 2)), Scaled(raster, 2, 2));
  EXPECT_EQ(ReadPbm(PrintedImagePath(dir, 3)), Scaled(FromRows(10, 2, nvRows), 2, 1));
  EXPECT_EQ(ReadPbm(PrintedImagePath(dir, 4)), Scaled(logoImage, 1, 2));
  EXPECT_EQ(Status("images"), "4");
  EXPECT_EQ(Status("textlines"), "5");
  EXPECT_EQ(Status("feeds"), "3");
  EXPECT_EQ(Status("cuts"), "4");
  EXPECT_EQ(Status("barcodes"), "2");
  EXPECT_EQ(Status("prints"), "1");
  EXPECT_EQ(Status("ignored"), "2");  // the oversized raster image and the missing logo

  // The receipts as pictures: only feeds in the first two, the images in the third; the
  // text after the last image has no picture.
  const std::vector<PrintedImage> receipts = ReceiptsBetweenCuts(dir);
  ASSERT_EQ(receipts.size(), 3u);
  EXPECT_EQ(receipts[0].height, 2 * kJournalDotsPerLine);
  EXPECT_EQ(receipts[1].height, 5);
  const PrintedImage& images = receipts[2];
  ASSERT_EQ(images.width, 32);
  ASSERT_EQ(images.height, 3 + 6 + 10 + 2 + 16);
  EXPECT_TRUE(ShowsAt(images, 0, raster));
  EXPECT_TRUE(ShowsAt(images, 3, Scaled(raster, 2, 2)));
  EXPECT_TRUE(BlankRows(images, 9, 10));
  EXPECT_TRUE(ShowsAt(images, 19, Scaled(FromRows(10, 2, nvRows), 2, 1)));
  EXPECT_TRUE(ShowsAt(images, 21, Scaled(logoImage, 1, 2)));

  // A new simulator on the same folder appends to the journal and numbers on.
  sim_->Stop();
  StartSim(options);
  ASSERT_TRUE(link_.Send(Cat(RasterImage(0, 2, 3, rows), Text("end\n"))));
  const std::vector<std::string> lines = WaitForJournalLines(dir, expected.size() + 2);
  ASSERT_EQ(lines.size(), expected.size() + 2);
  EXPECT_EQ(lines[expected.size()], "image 5 16x3");
  EXPECT_EQ(lines.back(), "text end");
  EXPECT_EQ(ReadPbm(PrintedImagePath(dir, 5)), raster);
  EXPECT_EQ(ReceiptsBetweenCuts(dir, true).back(), raster);
}

TEST_F(SimPrintTest, FactoryResetRestoresDefaultsAndDeletesStoredImages) {
  const std::string state = testenv::MakeTempDir("factory") + "/printer.state";
  SimProcess::Options options;
  options.statePath = state;
  StartSim(options);
  ASSERT_TRUE(link_.Send(B({0x1D, 0x28, 0x45, 0x03, 0x00, 0x01, 0x49, 0x4E})));
  ASSERT_EQ(link_.ReadBlock(), B({0x37, 0x20, 0x00}));
  ASSERT_TRUE(link_.Send(B({0x1D, 0x28, 0x45, 0x07, 0x00, 0x05, 6, 4, 0, 3, 1, 0})));
  ASSERT_TRUE(link_.Send(Cat(B({0x1D, 0x28, 0x45, 0x0A, 0x00, 0x03, 2}), Text("10000001"))));
  ASSERT_TRUE(link_.Send(Graphics(B({0x30, 0x43, 0x30, 'F', '1', 0x01, 8, 0, 1, 0, 0x31, 0xFF}))));
  ASSERT_TRUE(link_.Send(B({0x1C, 0x71, 0x01, 0x01, 0x00, 0x01, 0x00, 1, 2, 3, 4, 5, 6, 7, 8})));
  ASSERT_TRUE(WaitForStatus(*sim_, "logos", "1"));
  EXPECT_EQ(Status("cv6"), "4");
  EXPECT_EQ(Status("msw2"), "10000001");
  EXPECT_EQ(Status("nvkeys"), "1");

  EXPECT_NE(sim_->Control("help").find("factory"), std::string::npos);
  EXPECT_EQ(sim_->Control("factory now"), "error: factory takes no argument");
  EXPECT_EQ(sim_->Control("factory"), "ok");
  const std::string status = sim_->Control("status");
  EXPECT_EQ(StatusValue(status, "cv6"), "9");
  EXPECT_EQ(StatusValue(status, "cv3"), "6");
  EXPECT_EQ(StatusValue(status, "msw2"), "00000000");
  EXPECT_EQ(StatusValue(status, "nvkeys"), "0");
  EXPECT_EQ(StatusValue(status, "nvfree"), "262144");
  EXPECT_EQ(StatusValue(status, "logos"), "0");
  // Saved at once: the file no longer holds what was set.
  const std::string saved = testenv::ReadFile(state);
  EXPECT_EQ(saved.find("value 6 4"), std::string::npos) << saved;
  EXPECT_EQ(saved.find("nv "), std::string::npos) << saved;
  EXPECT_EQ(saved.find("logo "), std::string::npos) << saved;
}

TEST_F(SimPrintTest, UnusablePrintFolderStopsTheStart) {
  const std::string base = testenv::MakeTempDir("print");
  ASSERT_TRUE(testenv::WriteFile(base + "/file", "not a folder"));
  for (const std::string& dir : {base + "/missing/parent", base + "/file"}) {
    SimProcess::Options options;
    options.printDir = dir;
    SimProcess sim(options);
    EXPECT_FALSE(sim.Start()) << dir;
    EXPECT_EQ(sim.ExitCode(), 1) << dir;
  }
  SimProcess::Options empty;
  empty.extraArgs = {"--print-dir="};
  SimProcess sim(empty);
  EXPECT_FALSE(sim.Start());
  EXPECT_EQ(sim.ExitCode(), 2);
}

}  // namespace
