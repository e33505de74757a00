#include "tests/support/PrintJournal.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <ostream>
#include <sstream>
#include <thread>

namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(10);

// The number after `prefix` at the start of `line`, or -1.
int NumberAfter(const std::string& line, const std::string& prefix) {
  if (line.rfind(prefix, 0) != 0) return -1;
  int value = -1;
  std::istringstream in(line.substr(prefix.size()));
  in >> value;
  return in ? value : -1;
}

// The image (or blank rows) one journal line adds to a receipt.
struct Piece {
  PrintedImage image;  // width 0: blank rows
  int blankRows = 0;
};

PrintedImage Stack(const std::vector<Piece>& pieces) {
  PrintedImage out;
  for (const Piece& piece : pieces) {
    out.width = std::max(out.width, piece.image.width);
    out.height += piece.image.width > 0 ? piece.image.height : piece.blankRows;
  }
  out.dots.assign(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height), 0);
  int top = 0;
  for (const Piece& piece : pieces) {
    if (piece.image.width == 0) {
      top += piece.blankRows;
      continue;
    }
    for (int y = 0; y < piece.image.height; ++y)
      std::copy_n(piece.image.dots.begin() + static_cast<std::ptrdiff_t>(y) * piece.image.width, piece.image.width,
                  out.dots.begin() + static_cast<std::ptrdiff_t>(top + y) * out.width);
    top += piece.image.height;
  }
  return out;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const PrintedImage& image) {
  constexpr int kMaxDrawnWidth = 200;
  out << image.width << 'x' << image.height;
  if (image.width > kMaxDrawnWidth) return out;
  for (int y = 0; y < image.height; ++y) {
    out << '\n';
    for (int x = 0; x < image.width; ++x) out << (image.Dot(x, y) ? '#' : '.');
  }
  return out;
}

std::vector<std::string> ReadJournalLines(const std::string& dir) {
  std::vector<std::string> lines;
  std::ifstream in(dir + "/journal.txt", std::ios::binary);
  std::string line;
  // A line still being written has no line end yet and is left for the next read.
  while (std::getline(in, line) && !in.eof()) lines.push_back(line);
  return lines;
}

std::vector<std::string> WaitForJournalLines(const std::string& dir, std::size_t count, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::vector<std::string> lines = ReadJournalLines(dir);
    if (lines.size() >= count || std::chrono::steady_clock::now() >= deadline) return lines;
    std::this_thread::sleep_for(kPollInterval);
  }
}

std::string PrintedImagePath(const std::string& dir, int number) {
  char name[32];
  std::snprintf(name, sizeof name, "image-%04d.pbm", number);
  return dir + "/" + name;
}

PrintedImage ReadPbm(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  int width = 0;
  int height = 0;
  if (!(in >> magic >> width >> height) || magic != "P4" || width <= 0 || height <= 0) return {};
  in.get();  // the one white-space byte before the data
  const std::size_t stride = static_cast<std::size_t>((width + 7) / 8);
  std::vector<char> packed(stride * static_cast<std::size_t>(height));
  if (!in.read(packed.data(), static_cast<std::streamsize>(packed.size()))) return {};
  PrintedImage image{width, height, {}};
  image.dots.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const auto byte = static_cast<unsigned char>(packed[static_cast<std::size_t>(y) * stride + x / 8]);
      image.dots[static_cast<std::size_t>(y) * width + x] = (byte >> (7 - x % 8)) & 1;
    }
  return image;
}

std::vector<PrintedImage> ReceiptsBetweenCuts(const std::string& dir, bool withUncut) {
  std::vector<PrintedImage> receipts;
  std::vector<Piece> pieces;
  auto finish = [&] {
    PrintedImage receipt = Stack(pieces);
    if (receipt.height > 0) receipts.push_back(std::move(receipt));
    pieces.clear();
  };
  for (const std::string& line : ReadJournalLines(dir)) {
    if (const int number = NumberAfter(line, "image "); number >= 0) {
      pieces.push_back(Piece{ReadPbm(PrintedImagePath(dir, number)), 0});
    } else if (const int dots = NumberAfter(line, "feed dots "); dots >= 0) {
      pieces.push_back(Piece{{}, dots});
    } else if (const int lines = NumberAfter(line, "feed lines "); lines >= 0) {
      pieces.push_back(Piece{{}, lines * kJournalDotsPerLine});
    } else if (line.rfind("cut ", 0) == 0) {
      finish();
    }
  }
  if (withUncut) finish();
  return receipts;
}
