#pragma once
// What the print head of the virtual printer does with what it is given: lines of text,
// paper feeds, cuts, barcodes and raster images. It counts every print event and, when
// a print folder is given (--print-dir), records each one in the print journal
// (DIR/journal.txt, one line per event, written at once) and each image as a PBM file
// (DIR/image-NNNN.pbm). See "Print journal" in sim/README.md for the formats.
//
// There is one engine per printer; every host channel prints through it, as a printer
// has one print buffer. Only the simulator's event-loop thread uses it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sim/PrinterModel.h"

namespace sim {

// A one-colour image: `height` rows of ceil(width/8) bytes, MSB = leftmost dot, 1 = black.
struct Bitmap {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rows;

  std::size_t Stride() const { return static_cast<std::size_t>((width + 7) / 8); }
  bool Dot(int x, int y) const {
    return (rows[static_cast<std::size_t>(y) * Stride() + static_cast<std::size_t>(x / 8)] >> (7 - x % 8)) & 1;
  }
};

// The image with every dot repeated `xScale` times across and `yScale` times down.
Bitmap ScaleBitmap(const Bitmap& image, int xScale, int yScale);
// An image of the older logo command: (x*8) x (y*8) dots stored column by column, each
// column y bytes from the top, MSB = topmost dot of the byte.
Bitmap BitmapFromLogo(const LogoImage& logo);

class PrintEngine {
 public:
  // A text line longer than this is recorded in pieces, so that endless data without a
  // line feed cannot eat the memory.
  static constexpr std::size_t kMaxLineBytes = 65536;
  // Rows of paper a line feed moves (`feed lines N` in the journal).
  static constexpr int kDotsPerLine = 30;

  explicit PrintEngine(Counters& counters) : counters_(counters) {}
  ~PrintEngine();
  PrintEngine(const PrintEngine&) = delete;
  PrintEngine& operator=(const PrintEngine&) = delete;

  // Starts recording into `dir`: creates the folder when it is missing (its parent must
  // exist), opens DIR/journal.txt for appending and finds the highest image number
  // already there. False with a message in `error` when the folder cannot be used.
  bool OpenJournal(const std::string& dir, std::string& error);

  // Print data: LF ends a line (a CR is dropped), other bytes are collected.
  void PrintData(const std::uint8_t* data, std::size_t size);
  // The printer was initialised or restarted: the partial line is discarded.
  void DiscardLine();
  void FeedLines(int lines);
  void FeedDots(int dots);
  void Cut(bool full);
  void Barcode(int system, const std::uint8_t* data, std::size_t size);
  void Image(const Bitmap& image);

 private:
  // Prints the collected bytes as one text line.
  void PrintLine();
  // Prints the partial line, if there is one.
  void FlushLine();
  void WriteLine(const std::string& line);
  bool WritePbm(const std::string& path, const Bitmap& image);
  void ReportFailure(const std::string& message);

  Counters& counters_;
  std::vector<std::uint8_t> line_;
  std::string dir_;
  int journalFd_ = -1;
  int lastImage_ = 0;
  bool failing_ = false;  // the last write failed; the next failure is not reported again
};

}  // namespace sim
