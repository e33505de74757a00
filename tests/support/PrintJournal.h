#pragma once
// Reads what the printer simulator printed (xjk52-sim --print-dir DIR, see "Print
// journal" in sim/README.md): the lines of DIR/journal.txt, the PBM images, and the
// receipts as pictures, for tests that check what a feature printed.
//
// The simulator writes the journal while it runs; a test that has just sent print data
// waits for the lines with WaitForJournalLines. Functions of this file may be called
// from any thread; they only read files.
#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

// A printed image: width x height dots, one byte per dot (1 black, 0 white), row by row.
struct PrintedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> dots;

  bool Dot(int x, int y) const { return dots[static_cast<std::size_t>(y) * width + x] != 0; }
  bool operator==(const PrintedImage&) const = default;
};
// "WxH" and, for images up to 200 dots wide, one line of '#' and '.' per row (shown
// by test frameworks when a comparison fails).
std::ostream& operator<<(std::ostream& out, const PrintedImage& image);

// Rows of paper one `feed lines` line moves.
inline constexpr int kJournalDotsPerLine = 30;

// The lines of DIR/journal.txt without their line ends; empty when there is no journal.
std::vector<std::string> ReadJournalLines(const std::string& dir);
// Reads the journal until it has at least `count` lines or timeoutMs passed; returns
// what it has then.
std::vector<std::string> WaitForJournalLines(const std::string& dir, std::size_t count, int timeoutMs = 5000);
// The path of image number `number` in DIR ("DIR/image-0007.pbm").
std::string PrintedImagePath(const std::string& dir, int number);
// Reads a binary PBM (P4) file; an empty image (0 x 0) when it is missing or malformed.
PrintedImage ReadPbm(const std::string& path);
// The receipts of the journal, each ended by a cut, as one picture: images stacked top
// to bottom, left aligned, as wide as the widest; `feed dots N` adds N blank rows and
// `feed lines N` N * 30. Text lines and barcodes do not appear in the picture. Receipts
// with no rows are left out; so is what follows the last cut, unless `withUncut`.
std::vector<PrintedImage> ReceiptsBetweenCuts(const std::string& dir, bool withUncut = false);
