#pragma once
// The print driver's conversion: the pages of a print server raster stream (1-bit or
// 8-bit gray, or 8-bit RGB, at the printer's 203 dpi) become the printer's commands for a
// receipt: raster image bands (GS v 0), paper feed (ESC J for blank rows, ESC d before a
// cut) and cuts (GS V).
//
//  - A page wider than the paper is cut at the paper's printable width (384 dots on 58 mm
//    paper, 576 on 80 mm), never sent wider.
//  - Gray dots print when they are darker than the density's threshold.
//  - Bands of blank rows become paper feed; the blank rows below a page's last printed
//    row are not fed, so a receipt ends after its last line. A page without any dot
//    prints nothing (and is not cut).
//  - The cancel flag is looked at between bands: a cancelled job stops after the band
//    being sent, so the printer never waits for the rest of an image command.
//
// Threads: one job per call; the cancel flag may be set from a signal handler.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <cups/raster.h>

namespace receipt {

enum class CutMode { None, EachPage, EndOfJob };

// Dot widths of the print head on the two paper widths, and where they part: a page up to
// this many points wide is taken as 58 mm paper.
inline constexpr std::uint32_t kDots58mm = 384;
inline constexpr std::uint32_t kDots80mm = 576;
inline constexpr std::uint32_t kMaxPoints58mm = 170;
// Rows per image command.
inline constexpr std::uint32_t kBandRows = 24;
// Gray thresholds (0 black … 255 white) of the densities: a dot prints below it.
inline constexpr int kThresholdLight = 96;
inline constexpr int kThresholdNormal = 128;
inline constexpr int kThresholdDark = 176;
// The widest raster line read, in bytes; a wider page is refused.
inline constexpr std::uint32_t kMaxBytesPerLine = 65536;

struct JobOptions {
  CutMode cut = CutMode::EndOfJob;
  bool partialCut = true;
  int threshold = kThresholdNormal;
  // Lines fed after the last printed row, so that it passes the cutter or tear bar.
  int feedLinesBeforeCut = 4;
  // Rows read of one page at most; 0: no limit.
  std::uint32_t maxPageRows = 0;
};

struct JobReport {
  int pages = 0;          // pages read
  int blankPages = 0;     // of those, pages without a dot
  bool cancelled = false;
  bool failed = false;    // a page the driver cannot print, or the output failed
  std::string error;      // why it failed
};

// Where the commands go; false when they could not be written (the job then stops).
using CommandOutput = std::function<bool(const std::uint8_t* data, std::size_t size)>;

// Converts every page of raster into commands. The stream's end (or a header that
// cannot be read) ends the job.
JobReport ConvertRaster(cups_raster_t* raster, const JobOptions& options, const CommandOutput& output,
                        const std::atomic<bool>& cancel);

// The same over a raster stream held in memory.
JobReport ConvertRasterBytes(const std::uint8_t* data, std::size_t size, const JobOptions& options,
                             const CommandOutput& output);

// The printable width in dots of a page of this header.
std::uint32_t PrintableDots(const cups_page_header2_t& header);

// The job's options: the defaults of the driver description (its "*DefaultXJAutoCut: Page"
// lines), then the job's own option text ("XJAutoCut=None XJDensity=Dark"). Unknown options
// and values are left alone.
JobOptions ReadJobOptions(std::string_view ppdText, std::string_view jobOptions);

}  // namespace receipt
