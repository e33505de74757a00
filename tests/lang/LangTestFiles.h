#pragma once
// Language files written by the tests, in a fresh folder per test.
#include <string>

#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace langtest {

inline std::u16string U16(const std::string& utf8) { return plat::FromUtf8(utf8); }

// Writes name (e.g. "0409.DAT") with the given bytes into folder; false on failure.
inline bool WriteLangFile(const std::string& folder, const std::string& name,
                          const std::string& bytes) {
  return testenv::WriteFile(folder + "/" + name, bytes);
}

// The same text as UTF-16LE with byte order mark.
inline std::string Utf16LeWithBom(const std::u16string& text) {
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>((c >> 8) & 0xFF);
  }
  return bytes;
}

}  // namespace langtest
