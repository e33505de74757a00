#include "sim/StateFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>

namespace sim {
namespace {

constexpr const char* kMagic = "xjk52-sim-state";
constexpr int kFormatVersion = 1;

const char kHex[] = "0123456789abcdef";

std::string ToHex(const std::vector<std::uint8_t>& data) {
  std::string out;
  out.reserve(data.size() * 2);
  for (std::uint8_t b : data) {
    out.push_back(kHex[b >> 4]);
    out.push_back(kHex[b & 0x0F]);
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool FromHex(const std::string& text, std::vector<std::uint8_t>& out) {
  if (text.size() % 2 != 0) return false;
  out.clear();
  out.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = HexDigit(text[i]);
    const int lo = HexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
  }
  return true;
}

// Reads a whole decimal number from the stream; false for anything else.
bool ReadInt(std::istringstream& in, long long& value) {
  std::string word;
  if (!(in >> word) || word.empty() || word.size() > 12) return false;
  std::size_t i = word[0] == '-' ? 1 : 0;
  if (i == word.size()) return false;
  for (; i < word.size(); ++i)
    if (word[i] < '0' || word[i] > '9') return false;
  value = std::stoll(word);
  return true;
}

bool AtEnd(std::istringstream& in) {
  std::string rest;
  return !(in >> rest);
}

std::string SysError(const std::string& what, const std::string& path) {
  return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

bool StateFile::Load(NvSettings& settings, std::string& error) const {
  std::ifstream in(path_, std::ios::binary);
  if (!in) {
    if (access(path_.c_str(), F_OK) != 0 && errno == ENOENT) return true;  // nothing kept yet
    error = SysError("cannot read state file", path_);
    return false;
  }
  NvSettings loaded;
  std::string line;
  int lineNo = 0;
  bool sawMagic = false;
  std::set<int> seenValues;
  std::set<int> seenSwitches;
  std::set<std::uint16_t> seenKeys;
  std::vector<LogoImage> logos;
  auto fail = [&](const std::string& why) {
    error = "state file " + path_ + ": line " + std::to_string(lineNo) + ": " + why;
    return false;
  };
  while (std::getline(in, line)) {
    ++lineNo;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty() || line[0] == '#') continue;
    std::istringstream words(line);
    std::string kind;
    words >> kind;
    if (!sawMagic) {
      long long version = 0;
      if (kind != kMagic || !ReadInt(words, version) || !AtEnd(words)) return fail("not a simulator state file");
      if (version != kFormatVersion) return fail("unsupported format version " + std::to_string(version));
      sawMagic = true;
      continue;
    }
    if (kind == "value") {
      long long number = 0, value = 0;
      if (!ReadInt(words, number) || !ReadInt(words, value) || !AtEnd(words)) return fail("malformed value line");
      if (number < 0 || number > 255 || value < 0 || value > 0xFFFF ||
          !NvSettings::IsValidCustomizedValue(static_cast<int>(number), static_cast<int>(value)))
        return fail("customized value " + std::to_string(number) + " = " + std::to_string(value) + " is not allowed");
      if (!seenValues.insert(static_cast<int>(number)).second) return fail("customized value given twice");
      loaded.SetCustomizedValue(static_cast<int>(number), static_cast<int>(value));
    } else if (kind == "switch") {
      long long number = 0;
      std::string bits;
      if (!ReadInt(words, number) || !(words >> bits) || !AtEnd(words) || bits.size() != 8 ||
          bits.find_first_not_of("01") != std::string::npos)
        return fail("malformed switch line");
      if (number < kFirstMemorySwitch || number > kLastMemorySwitch) return fail("no such memory switch");
      if (!seenSwitches.insert(static_cast<int>(number)).second) return fail("memory switch given twice");
      std::uint8_t value = 0;
      for (char c : bits) value = static_cast<std::uint8_t>(value << 1 | (c == '1' ? 1 : 0));
      loaded.SetMemorySwitch(static_cast<int>(number), value);
    } else if (kind == "nv") {
      std::string key, hex;
      long long width = 0, height = 0;
      NvImage image;
      if (!(words >> key) || key.size() != 4 || !ReadInt(words, width) || !ReadInt(words, height) ||
          !(words >> hex) || !AtEnd(words))
        return fail("malformed nv line");
      std::vector<std::uint8_t> keyBytes;
      if (!FromHex(key, keyBytes) || !IsValidKeyCode(keyBytes[0], keyBytes[1])) return fail("bad key code");
      if (width < 1 || width > 8192 || height < 1 || height > 2304) return fail("bad image size");
      if (!FromHex(hex, image.data) ||
          image.data.size() != static_cast<std::size_t>((width + 7) / 8 * height))
        return fail("image data does not match its size");
      image.width = static_cast<int>(width);
      image.height = static_cast<int>(height);
      const std::uint16_t k = MakeKey(keyBytes[0], keyBytes[1]);
      if (!seenKeys.insert(k).second) return fail("key code given twice");
      if (!loaded.DefineNvImage(k, std::move(image))) return fail("NV graphics exceed the memory");
    } else if (kind == "logo") {
      long long x = 0, y = 0;
      std::string hex;
      LogoImage logo;
      if (!ReadInt(words, x) || !ReadInt(words, y) || !(words >> hex) || !AtEnd(words))
        return fail("malformed logo line");
      if (x < 1 || x > 1023 || y < 1 || y > 288) return fail("bad logo size");
      if (!FromHex(hex, logo.data) || logo.data.size() != static_cast<std::size_t>(x * y * 8))
        return fail("logo data does not match its size");
      logo.x = static_cast<int>(x);
      logo.y = static_cast<int>(y);
      logos.push_back(std::move(logo));
    } else {
      return fail("unknown item '" + kind + "'");
    }
  }
  if (in.bad()) {
    error = SysError("cannot read state file", path_);
    return false;
  }
  if (!sawMagic) {
    lineNo = 0;
    return fail("empty, not a simulator state file");
  }
  if (!loaded.SetLogos(std::move(logos))) return fail("logo images exceed the memory");
  settings = std::move(loaded);
  return true;
}

bool StateFile::Save(const NvSettings& settings, std::string& error) const {
  std::ostringstream out;
  out << kMagic << ' ' << kFormatVersion << '\n';
  for (int number : NvSettings::CustomizedValueNumbers())
    out << "value " << number << ' ' << *settings.CustomizedValue(number) << '\n';
  for (int number = kFirstMemorySwitch; number <= kLastMemorySwitch; ++number) {
    const std::uint8_t bits = *settings.MemorySwitch(number);
    out << "switch " << number << ' ';
    for (int bit = 7; bit >= 0; --bit) out << (((bits >> bit) & 1) ? '1' : '0');
    out << '\n';
  }
  for (const auto& [key, image] : settings.NvImages()) {
    out << "nv " << ToHex({static_cast<std::uint8_t>(key >> 8), static_cast<std::uint8_t>(key & 0xFF)}) << ' '
        << image.width << ' ' << image.height << ' ' << ToHex(image.data) << '\n';
  }
  for (const auto& logo : settings.Logos())
    out << "logo " << logo.x << ' ' << logo.y << ' ' << ToHex(logo.data) << '\n';
  const std::string text = out.str();

  const std::string temp = path_ + ".tmp-" + std::to_string(getpid());
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    error = SysError("cannot create", temp);
    return false;
  }
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      error = SysError("cannot write", temp);
      close(fd);
      unlink(temp.c_str());
      return false;
    }
    written += static_cast<std::size_t>(n);
  }
  if (fsync(fd) != 0) {
    error = SysError("cannot sync", temp);
    close(fd);
    unlink(temp.c_str());
    return false;
  }
  close(fd);
  if (rename(temp.c_str(), path_.c_str()) != 0) {
    error = SysError("cannot replace", path_);
    unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace sim
