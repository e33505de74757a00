#include "printdriver/ReceiptRaster.h"

#include <cups/cups.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <sstream>

namespace receipt {
namespace {

// The printer's command language.
constexpr std::uint8_t kGs = 0x1D;
constexpr std::uint8_t kEsc = 0x1B;
constexpr std::uint8_t kRasterImage[] = {kGs, 0x76, 0x30, 0x00};  // GS v 0, normal size
constexpr std::uint8_t kFeedDots = 0x4A;                           // ESC J n
constexpr std::uint8_t kFeedLines = 0x64;                          // ESC d n
constexpr std::uint8_t kCut = 0x56;                                // GS V m
constexpr std::uint8_t kCutFull = 0;
constexpr std::uint8_t kCutPartial = 1;
constexpr std::uint32_t kMaxFeedDots = 255;

constexpr int kWhite = 255;

// Turns one raster line into a row of dots (1 bit each, MSB leftmost) for a given
// color space and depth.
class RowConverter {
 public:
  bool Setup(const cups_page_header2_t& h, std::uint32_t widthDots, int threshold, std::string& error) {
    width_ = widthDots;
    threshold_ = threshold;
    // The header comes from outside: its color space may be any number, not only one of
    // the enumeration's.
    unsigned space = 0;
    std::memcpy(&space, &h.cupsColorSpace, sizeof space);
    const bool gray = space == CUPS_CSPACE_W || space == CUPS_CSPACE_SW || space == CUPS_CSPACE_K;
    const bool rgb = space == CUPS_CSPACE_RGB || space == CUPS_CSPACE_SRGB;
    unsigned order = 0;
    std::memcpy(&order, &h.cupsColorOrder, sizeof order);
    inverted_ = space == CUPS_CSPACE_K;
    if (gray && h.cupsBitsPerColor == 1 && h.cupsBitsPerPixel == 1) kind_ = Kind::Bits;
    else if (gray && h.cupsBitsPerColor == 8 && h.cupsBitsPerPixel == 8) kind_ = Kind::Gray;
    else if (rgb && h.cupsBitsPerColor == 8 && h.cupsBitsPerPixel == 24 && order == CUPS_ORDER_CHUNKED)
      kind_ = Kind::Rgb;
    else {
      std::ostringstream s;
      s << "unsupported raster page: color space " << space << ", " << h.cupsBitsPerColor << " bits per color, "
        << h.cupsBitsPerPixel << " bits per pixel";
      error = s.str();
      return false;
    }
    return true;
  }

  // Fills row (ceil(width/8) bytes); true when a dot is set.
  bool Convert(const std::uint8_t* line, std::uint8_t* row) const {
    const std::size_t bytes = (width_ + 7) / 8;
    std::memset(row, 0, bytes);
    bool any = false;
    if (kind_ == Kind::Bits) {
      for (std::size_t i = 0; i < bytes; ++i) row[i] = inverted_ ? line[i] : static_cast<std::uint8_t>(~line[i]);
      if (width_ % 8 != 0) row[bytes - 1] &= static_cast<std::uint8_t>(0xFF << (8 - width_ % 8));
      for (std::size_t i = 0; i < bytes; ++i) any = any || row[i] != 0;
      return any;
    }
    for (std::uint32_t x = 0; x < width_; ++x) {
      int white;
      if (kind_ == Kind::Gray) {
        white = inverted_ ? kWhite - line[x] : line[x];
      } else {
        const std::uint8_t* p = line + 3 * static_cast<std::size_t>(x);
        white = (299 * p[0] + 587 * p[1] + 114 * p[2]) / 1000;
      }
      if (white < threshold_) {
        row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
        any = true;
      }
    }
    return any;
  }

 private:
  enum class Kind { Bits, Gray, Rgb };
  Kind kind_ = Kind::Gray;
  bool inverted_ = false;
  std::uint32_t width_ = 0;
  int threshold_ = kThresholdNormal;
};

class CommandWriter {
 public:
  explicit CommandWriter(const CommandOutput& output) : output_(output) {}
  bool ok() const { return ok_; }

  void Image(const std::vector<std::uint8_t>& band, std::uint32_t bytesPerRow, std::uint32_t rows) {
    std::uint8_t head[sizeof(kRasterImage) + 4];
    std::memcpy(head, kRasterImage, sizeof(kRasterImage));
    head[4] = static_cast<std::uint8_t>(bytesPerRow & 0xFF);
    head[5] = static_cast<std::uint8_t>(bytesPerRow >> 8);
    head[6] = static_cast<std::uint8_t>(rows & 0xFF);
    head[7] = static_cast<std::uint8_t>(rows >> 8);
    Put(head, sizeof head);
    Put(band.data(), static_cast<std::size_t>(bytesPerRow) * rows);
  }
  void FeedDots(std::uint32_t dots) {
    while (dots > 0) {
      const std::uint32_t n = std::min(dots, kMaxFeedDots);
      const std::uint8_t command[] = {kEsc, kFeedDots, static_cast<std::uint8_t>(n)};
      Put(command, sizeof command);
      dots -= n;
    }
  }
  void FeedLinesAndCut(const JobOptions& options, bool cut) {
    if (options.feedLinesBeforeCut > 0) {
      const std::uint8_t feed[] = {kEsc, kFeedLines, static_cast<std::uint8_t>(std::min(options.feedLinesBeforeCut, 255))};
      Put(feed, sizeof feed);
    }
    if (cut) {
      const std::uint8_t command[] = {kGs, kCut, options.partialCut ? kCutPartial : kCutFull};
      Put(command, sizeof command);
    }
  }

 private:
  void Put(const std::uint8_t* data, std::size_t size) {
    if (ok_ && size > 0) ok_ = output_(data, size);
  }
  const CommandOutput& output_;
  bool ok_ = true;
};

// Prints one page; false when the job must stop (cancelled, failed). printed tells
// whether the page had a dot.
bool ConvertPage(cups_raster_t* raster, const cups_page_header2_t& header, const JobOptions& options,
                 CommandWriter& writer, const std::atomic<bool>& cancel, JobReport& report, bool& printed) {
  printed = false;
  if (header.cupsBytesPerLine > kMaxBytesPerLine) {
    report.failed = true;
    report.error = "raster page too wide: " + std::to_string(header.cupsBytesPerLine) + " bytes per line";
    return false;
  }
  const std::uint32_t width = std::min(header.cupsWidth, PrintableDots(header));
  RowConverter converter;
  if (width == 0 || !converter.Setup(header, width, options.threshold, report.error)) {
    report.failed = true;
    if (report.error.empty()) report.error = "raster page without width";
    return false;
  }
  // Enough room for a line even when it is narrower than the dots it declares.
  const std::size_t lineBytes = std::max<std::size_t>(header.cupsBytesPerLine, 3 * static_cast<std::size_t>(width));
  std::vector<std::uint8_t> line(lineBytes, 0);
  const std::uint32_t bytesPerRow = (width + 7) / 8;
  std::vector<std::uint8_t> band(static_cast<std::size_t>(bytesPerRow) * kBandRows, 0);
  std::uint32_t rowsInBand = 0;
  bool bandHasDots = false;
  std::uint32_t pendingFeed = 0;  // blank rows not yet fed

  std::uint32_t rows = header.cupsHeight;
  if (options.maxPageRows != 0) rows = std::min(rows, options.maxPageRows);
  auto flushBand = [&] {
    if (rowsInBand == 0) return;
    if (bandHasDots) {
      writer.FeedDots(pendingFeed);
      pendingFeed = 0;
      writer.Image(band, bytesPerRow, rowsInBand);
      printed = true;
    } else {
      pendingFeed += rowsInBand;
    }
    rowsInBand = 0;
    bandHasDots = false;
  };
  for (std::uint32_t y = 0; y < rows; ++y) {
    if (cupsRasterReadPixels(raster, line.data(), header.cupsBytesPerLine) != header.cupsBytesPerLine) break;
    if (converter.Convert(line.data(), band.data() + static_cast<std::size_t>(rowsInBand) * bytesPerRow))
      bandHasDots = true;
    if (++rowsInBand == kBandRows) {
      flushBand();
      if (!writer.ok()) break;
      if (cancel.load()) {
        report.cancelled = true;
        return false;
      }
    }
  }
  flushBand();
  if (!writer.ok()) {
    report.failed = true;
    report.error = "the commands could not be sent";
    return false;
  }
  return true;
}

struct MemoryStream {
  const std::uint8_t* data;
  std::size_t size;
  std::size_t at = 0;
};

ssize_t ReadMemory(void* context, unsigned char* buffer, size_t length) {
  auto* stream = static_cast<MemoryStream*>(context);
  const std::size_t n = std::min(length, stream->size - stream->at);
  std::memcpy(buffer, stream->data + stream->at, n);
  stream->at += n;
  return static_cast<ssize_t>(n);
}

void ApplyOption(JobOptions& options, std::string_view name, std::string_view value) {
  if (name == "XJAutoCut") {
    if (value == "None") options.cut = CutMode::None;
    else if (value == "Page") options.cut = CutMode::EachPage;
    else if (value == "Job") options.cut = CutMode::EndOfJob;
  } else if (name == "XJCutKind") {
    if (value == "Partial") options.partialCut = true;
    else if (value == "Full") options.partialCut = false;
  } else if (name == "XJDensity") {
    if (value == "Light") options.threshold = kThresholdLight;
    else if (value == "Normal") options.threshold = kThresholdNormal;
    else if (value == "Dark") options.threshold = kThresholdDark;
  }
}

}  // namespace

std::uint32_t PrintableDots(const cups_page_header2_t& header) {
  return header.PageSize[0] > 0 && header.PageSize[0] <= kMaxPoints58mm ? kDots58mm : kDots80mm;
}

JobReport ConvertRaster(cups_raster_t* raster, const JobOptions& options, const CommandOutput& output,
                        const std::atomic<bool>& cancel) {
  JobReport report;
  CommandWriter writer(output);
  bool uncut = false;  // dots printed since the last cut
  cups_page_header2_t header;
  while (!cancel.load() && cupsRasterReadHeader2(raster, &header)) {
    ++report.pages;
    bool printed = false;
    const bool go_on = ConvertPage(raster, header, options, writer, cancel, report, printed);
    if (!printed) ++report.blankPages;
    uncut = uncut || printed;
    if (!go_on) return report;
    if (options.cut == CutMode::EachPage && printed) {
      writer.FeedLinesAndCut(options, true);
      uncut = false;
    }
  }
  if (cancel.load()) {
    report.cancelled = true;
    return report;
  }
  if (uncut) writer.FeedLinesAndCut(options, options.cut != CutMode::None);
  if (!writer.ok()) {
    report.failed = true;
    report.error = "the commands could not be sent";
  }
  return report;
}

JobReport ConvertRasterBytes(const std::uint8_t* data, std::size_t size, const JobOptions& options,
                             const CommandOutput& output) {
  MemoryStream stream{data, size};
  std::unique_ptr<cups_raster_t, void (*)(cups_raster_t*)> raster(
      cupsRasterOpenIO(&ReadMemory, &stream, CUPS_RASTER_READ), &cupsRasterClose);
  if (!raster) {
    JobReport report;
    report.failed = true;
    report.error = "not a raster stream";
    return report;
  }
  const std::atomic<bool> never{false};
  return ConvertRaster(raster.get(), options, output, never);
}

JobOptions ReadJobOptions(std::string_view ppdText, std::string_view jobOptions) {
  JobOptions options;
  // "*DefaultXJAutoCut: Page" lines of the driver description.
  std::size_t start = 0;
  while (start < ppdText.size()) {
    std::size_t end = ppdText.find('\n', start);
    if (end == std::string_view::npos) end = ppdText.size();
    std::string_view line = ppdText.substr(start, end - start);
    start = end + 1;
    if (!line.starts_with("*DefaultXJ")) continue;
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) continue;
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\r' || value.back() == '\t')) value.remove_suffix(1);
    ApplyOption(options, line.substr(std::strlen("*Default"), colon - std::strlen("*Default")), value);
  }
  const std::string text(jobOptions);
  cups_option_t* parsed = nullptr;
  const int count = cupsParseOptions(text.c_str(), 0, &parsed);
  for (int i = 0; i < count; ++i) ApplyOption(options, parsed[i].name, parsed[i].value);
  cupsFreeOptions(count, parsed);
  return options;
}

}  // namespace receipt
