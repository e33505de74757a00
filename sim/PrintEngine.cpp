#include "sim/PrintEngine.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace sim {
namespace {

constexpr std::uint8_t kLf = 0x0A;
constexpr std::uint8_t kCr = 0x0D;
constexpr const char* kJournalName = "journal.txt";
constexpr const char* kImagePrefix = "image-";
constexpr const char* kImageSuffix = ".pbm";
constexpr int kMaxImageNumber = 99999999;

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

// Printable ASCII stays, a backslash is doubled, every other byte becomes \xHH.
std::string Escape(const std::uint8_t* data, std::size_t size) {
  std::string out;
  out.reserve(size);
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t b = data[i];
    if (b == '\\') {
      out += "\\\\";
    } else if (b >= 0x20 && b <= 0x7E) {
      out.push_back(static_cast<char>(b));
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      out += hex;
    }
  }
  return out;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// The number of an image file name "image-<digits>.pbm"; 0 for any other name.
int ImageNumber(const std::string& name) {
  const std::size_t prefix = std::strlen(kImagePrefix);
  const std::size_t suffix = std::strlen(kImageSuffix);
  if (name.size() <= prefix + suffix || name.compare(0, prefix, kImagePrefix) != 0 ||
      name.compare(name.size() - suffix, suffix, kImageSuffix) != 0)
    return 0;
  const std::string digits = name.substr(prefix, name.size() - prefix - suffix);
  if (digits.size() > 8) return 0;
  for (char c : digits)
    if (c < '0' || c > '9') return 0;
  return std::stoi(digits);
}

}  // namespace

Bitmap ScaleBitmap(const Bitmap& image, int xScale, int yScale) {
  if (xScale == 1 && yScale == 1) return image;
  Bitmap out;
  out.width = image.width * xScale;
  out.height = image.height * yScale;
  const std::size_t stride = out.Stride();
  out.rows.assign(stride * static_cast<std::size_t>(out.height), 0);
  for (int y = 0; y < image.height; ++y) {
    // Each source row is widened once and then repeated yScale times.
    std::uint8_t* row = out.rows.data() + static_cast<std::size_t>(y * yScale) * stride;
    for (int x = 0; x < out.width; ++x)
      if (image.Dot(x / xScale, y)) row[x / 8] = static_cast<std::uint8_t>(row[x / 8] | (0x80 >> (x % 8)));
    for (int copy = 1; copy < yScale; ++copy) std::memcpy(row + static_cast<std::size_t>(copy) * stride, row, stride);
  }
  return out;
}

Bitmap BitmapFromLogo(const LogoImage& logo) {
  Bitmap out;
  out.width = logo.x * 8;
  out.height = logo.y * 8;
  out.rows.assign(out.Stride() * static_cast<std::size_t>(out.height), 0);
  const std::size_t columnBytes = static_cast<std::size_t>(logo.y);
  for (int x = 0; x < out.width; ++x) {
    for (int y = 0; y < out.height; ++y) {
      const std::uint8_t b = logo.data[static_cast<std::size_t>(x) * columnBytes + static_cast<std::size_t>(y / 8)];
      if ((b >> (7 - y % 8)) & 1) {
        std::uint8_t& target = out.rows[static_cast<std::size_t>(y) * out.Stride() + static_cast<std::size_t>(x / 8)];
        target = static_cast<std::uint8_t>(target | (0x80 >> (x % 8)));
      }
    }
  }
  return out;
}

PrintEngine::~PrintEngine() {
  if (journalFd_ >= 0) close(journalFd_);
}

bool PrintEngine::OpenJournal(const std::string& dir, std::string& error) {
  if (dir.empty()) {
    error = "--print-dir needs a folder name";
    return false;
  }
  if (mkdir(dir.c_str(), 0777) != 0 && errno != EEXIST) {
    error = Errno("cannot create the print folder " + dir);
    return false;
  }
  struct stat st {};
  if (stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    error = "the print folder is not a folder: " + dir;
    return false;
  }
  // Image files are created in the folder as printing goes on: it must be writable now.
  if (access(dir.c_str(), W_OK | X_OK) != 0) {
    error = Errno("cannot write in the print folder " + dir);
    return false;
  }
  DIR* listing = opendir(dir.c_str());
  if (listing == nullptr) {
    error = Errno("cannot read the print folder " + dir);
    return false;
  }
  int highest = 0;
  while (const dirent* entry = readdir(listing)) {
    const int number = ImageNumber(entry->d_name);
    if (number > highest) highest = number;
  }
  closedir(listing);
  const std::string journal = dir + "/" + kJournalName;
  const int fd = open(journal.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    error = Errno("cannot open the print journal " + journal);
    return false;
  }
  if (journalFd_ >= 0) close(journalFd_);
  journalFd_ = fd;
  dir_ = dir;
  lastImage_ = highest;
  return true;
}

void PrintEngine::PrintData(const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    const std::uint8_t b = data[i];
    if (b == kLf) {
      PrintLine();
    } else if (b != kCr) {
      line_.push_back(b);
      if (line_.size() >= kMaxLineBytes) FlushLine();
    }
  }
}

void PrintEngine::DiscardLine() { line_.clear(); }

void PrintEngine::PrintLine() {
  ++counters_.textLines;
  WriteLine("text " + Escape(line_.data(), line_.size()));
  line_.clear();
}

void PrintEngine::FlushLine() {
  if (!line_.empty()) PrintLine();
}

void PrintEngine::FeedLines(int lines) {
  FlushLine();
  ++counters_.feeds;
  WriteLine("feed lines " + std::to_string(lines));
}

void PrintEngine::FeedDots(int dots) {
  FlushLine();
  ++counters_.feeds;
  WriteLine("feed dots " + std::to_string(dots));
}

void PrintEngine::Cut(bool full) {
  FlushLine();
  ++counters_.cuts;
  WriteLine(full ? "cut full" : "cut partial");
}

void PrintEngine::Barcode(int system, const std::uint8_t* data, std::size_t size) {
  FlushLine();
  ++counters_.barcodes;
  WriteLine("barcode " + std::to_string(system) + " " + Escape(data, size));
}

void PrintEngine::Image(const Bitmap& image) {
  FlushLine();
  ++counters_.images;
  if (journalFd_ < 0) return;
  if (lastImage_ < kMaxImageNumber) ++lastImage_;
  char name[32];
  std::snprintf(name, sizeof name, "%s%04d%s", kImagePrefix, lastImage_, kImageSuffix);
  // The file is complete before its journal line appears, so a reader that sees the
  // line can read the image.
  WritePbm(dir_ + "/" + name, image);
  WriteLine("image " + std::to_string(lastImage_) + " " + std::to_string(image.width) + "x" +
            std::to_string(image.height));
}

bool PrintEngine::WritePbm(const std::string& path, const Bitmap& image) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    ReportFailure(Errno("cannot write " + path));
    return false;
  }
  const std::string header = "P4\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n";
  bool ok = WriteAll(fd, header.data(), header.size()) &&
            WriteAll(fd, reinterpret_cast<const char*>(image.rows.data()), image.rows.size());
  if (close(fd) != 0) ok = false;
  if (!ok) {
    ReportFailure(Errno("cannot write " + path));
    return false;
  }
  return true;
}

void PrintEngine::WriteLine(const std::string& line) {
  if (journalFd_ < 0) return;
  const std::string text = line + "\n";
  // One write per line: a reader never sees half a line followed by another one.
  if (!WriteAll(journalFd_, text.data(), text.size())) {
    ReportFailure(Errno("cannot write the print journal in " + dir_));
    return;
  }
  failing_ = false;
}

void PrintEngine::ReportFailure(const std::string& message) {
  ++counters_.journalFailures;
  if (!failing_) std::fprintf(stderr, "xjk52-sim: %s\n", message.c_str());
  failing_ = true;
}

}  // namespace sim
