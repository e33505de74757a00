#include "platform/Text.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace plat {
namespace {

constexpr char32_t kReplacementChar = 0xFFFD;
constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool IsHighSurrogate(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

void AppendUtf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

int HexDigitValue(char16_t c) {
  if (c >= u'0' && c <= u'9') return c - u'0';
  if (c >= u'a' && c <= u'f') return c - u'a' + 10;
  if (c >= u'A' && c <= u'F') return c - u'A' + 10;
  return -1;
}

bool IsDecimalDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

char16_t LowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c; }

std::u16string AsciiToU16(const std::string& s) { return std::u16string(s.begin(), s.end()); }

}  // namespace

std::string ToUtf8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (IsHighSurrogate(c)) {
      if (i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
        const char32_t cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) +
                            (static_cast<char32_t>(text[i + 1]) - 0xDC00);
        AppendUtf8(out, cp);
        ++i;
      } else {
        AppendUtf8(out, kReplacementChar);
      }
    } else if (IsLowSurrogate(c)) {
      AppendUtf8(out, kReplacementChar);
    } else {
      AppendUtf8(out, c);
    }
  }
  return out;
}

// Each maximal invalid subsequence becomes one U+FFFD: a lead byte followed by fewer
// continuation bytes than it announces, overlong forms, encoded surrogates and values
// above U+10FFFF are all rejected at the first byte that cannot belong to a valid form.
bool HasUnpairedSurrogate(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
      return true;
    }
  }
  return false;
}

std::u16string FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char b0 = p[i];
    if (b0 < 0x80) {
      // A run of ASCII is taken as it is, in one go.
      std::size_t end = i + 1;
      while (end < n && p[end] < 0x80) ++end;
      out.append(p + i, p + end);
      i = end;
      continue;
    }
    int need = 0;
    char32_t cp = 0;
    unsigned char lo = 0x80;
    unsigned char hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
      need = 1;
      cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      need = 2;
      cp = b0 & 0x0F;
      if (b0 == 0xE0) lo = 0xA0;  // overlong
      if (b0 == 0xED) hi = 0x9F;  // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      need = 3;
      cp = b0 & 0x07;
      if (b0 == 0xF0) lo = 0x90;  // overlong
      if (b0 == 0xF4) hi = 0x8F;  // above U+10FFFF
    } else {
      out.push_back(static_cast<char16_t>(kReplacementChar));
      ++i;
      continue;
    }
    std::size_t j = i + 1;
    bool ok = true;
    for (int k = 0; k < need; ++k, ++j) {
      if (j >= n) {
        ok = false;
        break;
      }
      const unsigned char b = p[j];
      const unsigned char min = (k == 0) ? lo : 0x80;
      const unsigned char max = (k == 0) ? hi : 0xBF;
      if (b < min || b > max) {
        ok = false;
        break;
      }
      cp = (cp << 6) | (b & 0x3F);
    }
    if (!ok || cp > kMaxCodePoint) {
      out.push_back(static_cast<char16_t>(kReplacementChar));
      i = j;  // the bytes consumed so far form the invalid subsequence
      continue;
    }
    AppendUtf16(out, cp);
    i = j;
  }
  return out;
}

std::size_t FieldLength(const char16_t* field, std::size_t capacity) {
  if (field == nullptr) return 0;
  std::size_t len = 0;
  while (len < capacity && field[len] != u'\0') ++len;
  return len;
}

void CopyText(char16_t* dst, std::size_t capacity, std::u16string_view src, std::size_t maxChars) {
  if (dst == nullptr || capacity == 0) return;
  std::size_t count = std::min({src.size(), maxChars, capacity - 1});
  // A cut between the two halves of a surrogate pair would leave half a character.
  if (count > 0 && count < src.size() && IsHighSurrogate(src[count - 1]) &&
      IsLowSurrogate(src[count])) {
    --count;
  }
  std::copy_n(src.data(), count, dst);
  std::fill(dst + count, dst + capacity, u'\0');
}

std::u16string FormatInt(long long value) { return AsciiToU16(std::to_string(value)); }

std::u16string FormatHex04(std::uint32_t value) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string digits;
  do {
    digits.push_back(kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  while (digits.size() < 4) digits.push_back(u'0');
  std::reverse(digits.begin(), digits.end());
  return digits;
}

std::u16string FormatIPv4(unsigned a, unsigned b, unsigned c, unsigned d) {
  return AsciiToU16(std::to_string(a) + "." + std::to_string(b) + "." + std::to_string(c) + "." +
                    std::to_string(d));
}

std::u16string FillPlaceholder(std::u16string text, std::u16string_view value) {
  const std::size_t at = text.find(u"%s");
  if (at != std::u16string::npos) text.replace(at, 2, value);
  return text;
}

std::u16string NameIndex(std::u16string_view name, long long index) {
  std::u16string out(name);
  out += u'_';
  out += FormatInt(index);
  return out;
}

std::u16string JoinPath(std::u16string_view folder, std::u16string_view name) {
  std::u16string out(folder);
  if (out.empty() || out.back() != u'/') out += u'/';
  out += name;
  return out;
}

std::optional<std::int32_t> ParseStrictNumber(std::u16string_view text) {
  if (text.empty()) return std::nullopt;
  std::uint32_t value = 0;
  if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
    for (std::size_t i = 2; i < text.size(); ++i) {
      const int d = HexDigitValue(text[i]);
      if (d < 0) return std::nullopt;
      value = (value << 4) | static_cast<std::uint32_t>(d);
    }
  } else {
    for (char16_t c : text) {
      if (!IsDecimalDigit(c)) return std::nullopt;
      value = value * 10u + static_cast<std::uint32_t>(c - u'0');
    }
  }
  return static_cast<std::int32_t>(value);
}

std::uint32_t ParseLangIdCode(std::u16string_view code) {
  if (code.empty() || code.size() > 8) return 0;
  std::uint32_t value = 0;
  for (char16_t c : code) {
    const int d = HexDigitValue(c);
    if (d < 0) return 0;
    value = (value << 4) | static_cast<std::uint32_t>(d);
  }
  return value;
}

std::int32_t ParseLeadingInt(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  // Accumulate the magnitude with room for the one extra unit of the negative limit.
  constexpr std::int64_t kLimitPos = std::numeric_limits<std::int32_t>::max();
  constexpr std::int64_t kLimitNeg = kLimitPos + 1;
  const std::int64_t limit = negative ? kLimitNeg : kLimitPos;
  std::int64_t magnitude = 0;
  for (; i < text.size() && IsDecimalDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + (text[i] - u'0');
    if (magnitude > limit) magnitude = limit;
  }
  return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::u16string ToLowerAscii(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = LowerAscii(c);
  return out;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

}  // namespace plat
