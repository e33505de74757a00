#pragma once
// Helpers of the profile tests.
#include <string>
#include <vector>

#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace plat::testing {

// Writes bytes to "test.ini" in a fresh folder and returns its path.
inline std::u16string NewProfile(const std::string& bytes) {
  const std::string path = testenv::MakeTempDir("profile") + "/test.ini";
  testenv::WriteFile(path, bytes);
  return FromUtf8(path);
}

// A UTF-16LE file image with byte order mark.
inline std::string Utf16Le(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) bytes += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

// The items of a NUL-separated list of `count` characters.
inline std::vector<std::u16string> SplitList(const char16_t* buf, std::size_t count) {
  std::vector<std::u16string> items(1);
  for (std::size_t i = 0; i < count; ++i) {
    if (buf[i] == u'\0') items.emplace_back();
    else items.back().push_back(buf[i]);
  }
  if (items.back().empty()) items.pop_back();
  return items;
}

}  // namespace plat::testing
