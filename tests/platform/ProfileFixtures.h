#pragma once
// Helpers of the profile tests: files written from bytes, lists read back from buffers.
#include <string>
#include <vector>

#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace plat::testing {

// Writes bytes to a new file in a fresh folder and returns its path.
inline std::u16string NewProfile(const std::string& bytes, const std::string& name = "test.ini") {
  const std::string path = testenv::MakeTempDir("profile") + "/" + name;
  testenv::WriteFile(path, bytes);
  return FromUtf8(path);
}

inline std::string Bytes(const std::u16string& path) { return testenv::ReadFile(ToUtf8(path)); }

// A UTF-16LE file image with byte order mark.
inline std::string Utf16Le(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  return bytes;
}

// The items of a NUL-separated list of `count` characters.
inline std::vector<std::u16string> SplitList(const char16_t* buf, std::size_t count) {
  std::vector<std::u16string> items;
  std::u16string current;
  for (std::size_t i = 0; i < count; ++i) {
    if (buf[i] == u'\0') {
      items.push_back(current);
      current.clear();
    } else {
      current.push_back(buf[i]);
    }
  }
  if (!current.empty()) items.push_back(current);
  return items;
}

}  // namespace plat::testing
