#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "printdriver/ReceiptRaster.h"
#include "tests/support/RasterPages.h"

using namespace receipt;

namespace {

struct Converted {
  JobReport report;
  std::string bytes;
  std::vector<std::string> commands;
  std::vector<PrintedReceipt> receipts;
};

Converted Convert(const std::vector<RasterPage>& pages, const JobOptions& options = {}) {
  Converted out;
  const std::string stream = RasterStream(pages);
  out.report = ConvertRasterBytes(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size(), options,
                                  [&](const std::uint8_t* data, std::size_t size) {
                                    out.bytes.append(reinterpret_cast<const char*>(data), size);
                                    return true;
                                  });
  out.commands = ReadReceiptCommands(out.bytes, &out.receipts);
  return out;
}

// A page with a diagonal and a frame: every dot differs from its neighbours' rows.
RasterPage Pattern(unsigned width, unsigned height, unsigned pagePoints = 204) {
  RasterPage page = RasterPage::Bits(width, height, pagePoints);
  for (unsigned y = 0; y < height; ++y) {
    page.Set(y % width, y);
    page.Set(0, y);
    page.Set(width - 1, y);
  }
  return page;
}

void ExpectSameDots(const RasterPage& page, const PrintedReceipt& receipt, unsigned width, unsigned firstRow = 0) {
  for (unsigned y = 0; y < page.header.cupsHeight; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      const std::uint8_t byte = page.data[static_cast<std::size_t>(y) * page.header.cupsBytesPerLine + x / 8];
      const bool black = (byte & (0x80 >> (x % 8))) != 0;
      ASSERT_EQ(receipt.Dot(x, firstRow + y), black) << "dot " << x << "," << y;
    }
  }
}

}  // namespace

TEST(ReceiptRaster, PagesBecomeImageBandsThenFeedAndCut) {
  const RasterPage page = Pattern(384, 40, 136);
  const Converted out = Convert({page});
  EXPECT_FALSE(out.report.failed) << out.report.error;
  EXPECT_EQ(out.report.pages, 1);
  EXPECT_EQ(out.commands,
            (std::vector<std::string>{"image 384x24", "image 384x16", "feed lines 4", "cut partial"}));
  ASSERT_EQ(out.receipts.size(), 1u);
  ExpectSameDots(page, out.receipts[0], 384);

  // Cut after each page, full; a leading blank band is fed, the trailing one is not.
  RasterPage second = RasterPage::Bits(576, 60);
  second.Set(5, 30);
  JobOptions options;
  options.cut = CutMode::EachPage;
  options.partialCut = false;
  const Converted two = Convert({page, second}, options);
  EXPECT_EQ(two.commands, (std::vector<std::string>{"image 384x24", "image 384x16", "feed lines 4", "cut full",
                                                    "feed dots 24", "image 576x24", "feed lines 4", "cut full"}));
  ASSERT_EQ(two.receipts.size(), 2u);
  EXPECT_TRUE(two.receipts[1].Dot(5, 30));

  // No cut: the paper is still fed past the tear bar after the job.
  options.cut = CutMode::None;
  EXPECT_EQ(Convert({page}, options).commands,
            (std::vector<std::string>{"image 384x24", "image 384x16", "feed lines 4"}));
}

TEST(ReceiptRaster, PageWiderThanThePaperIsClippedAtThePrintableWidth) {
  RasterPage wide = Pattern(700, 30, 136);  // 58 mm paper
  const Converted narrow = Convert({wide});
  ASSERT_EQ(narrow.receipts.size(), 1u);
  EXPECT_EQ(narrow.commands.front(), "image 384x24");
  EXPECT_EQ(narrow.receipts[0].widthBytes, 48u);
  ExpectSameDots(wide, narrow.receipts[0], 384);

  wide.header.PageSize[0] = 204;  // 80 mm paper
  const Converted broad = Convert({wide});
  EXPECT_EQ(broad.commands.front(), "image 576x24");
  ExpectSameDots(wide, broad.receipts[0], 576);
  // A page narrower than a whole byte keeps its width and clears the dots beyond it.
  RasterPage odd = RasterPage::Bits(13, 2);
  std::fill(odd.data.begin(), odd.data.end(), 0xFF);
  const Converted thin = Convert({odd});
  EXPECT_EQ(thin.commands.front(), "image 16x2");
  EXPECT_TRUE(thin.receipts[0].Dot(12, 1));
  EXPECT_FALSE(thin.receipts[0].Dot(13, 1));
}

TEST(ReceiptRaster, GrayDotsPrintBelowTheThresholdOfTheDensity) {
  RasterPage gray = RasterPage::Gray(64, 3);
  gray.Set(1, 0, 0);    // black
  gray.Set(2, 0, 110);  // dark gray
  gray.Set(3, 0, 150);  // light gray
  gray.Set(4, 0, 250);  // almost white
  for (const auto& [threshold, dots] : std::vector<std::pair<int, std::vector<bool>>>{
           {kThresholdLight, {true, false, false, false}},
           {kThresholdNormal, {true, true, false, false}},
           {kThresholdDark, {true, true, true, false}}}) {
    JobOptions options;
    options.threshold = threshold;
    const Converted out = Convert({gray}, options);
    ASSERT_EQ(out.receipts.size(), 1u);
    for (unsigned i = 0; i < dots.size(); ++i) EXPECT_EQ(out.receipts[0].Dot(i + 1, 0), dots[i]) << threshold << " " << i;
  }
  // Black ink values (K) and RGB colours are read as darkness too.
  RasterPage ink = RasterPage::Make(8, 1, CUPS_CSPACE_K, 8);
  ink.data[2] = 200;
  RasterPage rgb = RasterPage::Make(8, 1, CUPS_CSPACE_RGB, 8);
  rgb.data[3 * 4] = rgb.data[3 * 4 + 1] = rgb.data[3 * 4 + 2] = 20;
  const Converted both = Convert({ink, rgb}, JobOptions{.cut = CutMode::EachPage});
  ASSERT_EQ(both.receipts.size(), 2u);
  EXPECT_TRUE(both.receipts[0].Dot(2, 0));
  EXPECT_FALSE(both.receipts[0].Dot(3, 0));
  EXPECT_TRUE(both.receipts[1].Dot(4, 0));
  EXPECT_FALSE(both.receipts[1].Dot(0, 0));
}

TEST(ReceiptRaster, BlankPagesPrintNothingAndBlankBandsAreFed) {
  const RasterPage blank = RasterPage::Bits(384, 100);
  const Converted nothing = Convert({blank, blank});
  EXPECT_EQ(nothing.report.pages, 2);
  EXPECT_EQ(nothing.report.blankPages, 2);
  EXPECT_TRUE(nothing.bytes.empty());

  RasterPage gaps = RasterPage::Bits(384, 200);
  gaps.Set(10, 0);
  gaps.Set(10, 130);  // two blank bands and a part of one in between
  const Converted fed = Convert({gaps, blank}, JobOptions{.cut = CutMode::EachPage});
  EXPECT_EQ(fed.commands, (std::vector<std::string>{"image 384x24", "feed dots 96", "image 384x24", "feed lines 4",
                                                    "cut partial"}));
  EXPECT_EQ(fed.report.blankPages, 1);
  ASSERT_EQ(fed.receipts.size(), 1u);
  ExpectSameDots(gaps, fed.receipts[0], 384);  // rows beyond the last band read as blank
  // Long blank stretches take several feed commands of at most 255 dots.
  RasterPage far = RasterPage::Bits(384, 600);
  far.Set(0, 599);
  EXPECT_EQ(Convert({far}).commands,
            (std::vector<std::string>{"feed dots 255", "feed dots 255", "feed dots 66", "image 384x24",
                                      "feed lines 4", "cut partial"}));
}

TEST(ReceiptRaster, CancelledJobStopsAfterTheBandBeingSent) {
  const std::string stream = RasterStream({Pattern(384, 240)});
  std::atomic<bool> cancel{false};
  std::string bytes;
  cups_raster_t* raster = nullptr;
  struct Source {
    const std::string* data;
    std::size_t at = 0;
  } source{&stream};
  raster = cupsRasterOpenIO(
      [](void* ctx, unsigned char* buffer, size_t length) -> ssize_t {
        auto* s = static_cast<Source*>(ctx);
        const std::size_t n = std::min(length, s->data->size() - s->at);
        std::memcpy(buffer, s->data->data() + s->at, n);
        s->at += n;
        return static_cast<ssize_t>(n);
      },
      &source, CUPS_RASTER_READ);
  const JobReport report = ConvertRaster(raster, JobOptions{}, [&](const std::uint8_t* data, std::size_t size) {
    bytes.append(reinterpret_cast<const char*>(data), size);
    cancel = true;  // the job is cancelled while its first command is sent
    return true;
  }, cancel);
  cupsRasterClose(raster);
  EXPECT_TRUE(report.cancelled);
  EXPECT_FALSE(report.failed);
  // The whole first band, and nothing after it (no cut of a half receipt).
  EXPECT_EQ(ReadReceiptCommands(bytes), (std::vector<std::string>{"image 384x24"}));
}

TEST(ReceiptRaster, InputThatIsNoPrintablePageFailsTheJob) {
  const std::string text = "%PDF-1.4 this is not raster";
  const JobReport notRaster = ConvertRasterBytes(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(),
                                                 JobOptions{}, [](const std::uint8_t*, std::size_t) { return true; });
  EXPECT_TRUE(notRaster.failed);
  EXPECT_EQ(notRaster.error, "not a raster stream");

  const Converted cmyk = Convert({RasterPage::Make(16, 4, CUPS_CSPACE_CMYK, 8)});
  EXPECT_TRUE(cmyk.report.failed);
  EXPECT_NE(cmyk.report.error.find("unsupported raster page"), std::string::npos) << cmyk.report.error;
  EXPECT_TRUE(cmyk.bytes.empty());
  // A color space number outside the known ones (found by fuzzing).
  RasterPage strange = RasterPage::Gray(16, 4);
  const unsigned space = 4227858435u;
  std::memcpy(&strange.header.cupsColorSpace, &space, sizeof space);
  EXPECT_EQ(Convert({strange}).report.error,
            "unsupported raster page: color space 4227858435, 8 bits per color, 8 bits per pixel");

  // A stream cut in the middle of a page prints what arrived and ends.
  std::string cut = RasterStream({Pattern(384, 48)});
  cut.resize(cut.size() - 48 * 30);
  const JobReport partial = ConvertRasterBytes(reinterpret_cast<const std::uint8_t*>(cut.data()), cut.size(),
                                               JobOptions{}, [](const std::uint8_t*, std::size_t) { return true; });
  EXPECT_EQ(partial.pages, 1);
  EXPECT_FALSE(partial.failed);

  // Output that cannot be written stops the job with the reason.
  const std::string stream = RasterStream({Pattern(384, 48)});
  int writes = 0;
  const JobReport broken = ConvertRasterBytes(reinterpret_cast<const std::uint8_t*>(stream.data()), stream.size(),
                                              JobOptions{}, [&](const std::uint8_t*, std::size_t) { return ++writes < 2; });
  EXPECT_TRUE(broken.failed);
  EXPECT_EQ(broken.error, "the commands could not be sent");
}

TEST(ReceiptRaster, JobOptionsComeFromTheDriverDefaultsAndTheJob) {
  const std::string ppd = "*DefaultXJAutoCut: Page\r\n*DefaultXJCutKind: Full\n*DefaultXJDensity:  Dark \n"
                          "*DefaultPageSize: X80MMY297MM\n";
  const JobOptions defaults = ReadJobOptions(ppd, "");
  EXPECT_EQ(defaults.cut, CutMode::EachPage);
  EXPECT_FALSE(defaults.partialCut);
  EXPECT_EQ(defaults.threshold, kThresholdDark);
  const JobOptions job = ReadJobOptions(ppd, "XJAutoCut=None XJCutKind=Partial XJDensity=Light media=X58MMY100MM");
  EXPECT_EQ(job.cut, CutMode::None);
  EXPECT_TRUE(job.partialCut);
  EXPECT_EQ(job.threshold, kThresholdLight);
  const JobOptions unknown = ReadJobOptions("", "XJAutoCut=Sometimes XJDensity='Very Dark'");
  EXPECT_EQ(unknown.cut, CutMode::EndOfJob);
  EXPECT_EQ(unknown.threshold, kThresholdNormal);
}
