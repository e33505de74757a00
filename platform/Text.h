#pragma once
// Wide texts and the few printf-style formats the program uses. Program texts are
// UTF-16 (char16_t, std::u16string); UTF-8 appears only at the edges (file names, Qt).
// Every function here works on its arguments alone and may be called from any thread.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace plat {

// UTF-16 <-> UTF-8. Unpaired surrogates and invalid UTF-8 become U+FFFD.
std::string ToUtf8(std::u16string_view text);
std::u16string FromUtf8(std::string_view text);
// True when text holds a surrogate without its other half: UTF-8 has no form for it.
bool HasUnpairedSurrogate(std::u16string_view text);

// Length of a NUL-terminated text stored in a field of `capacity` characters
// (a field without terminator counts as full).
std::size_t FieldLength(const char16_t* field, std::size_t capacity);

// The text of a fixed field such as char16_t[260], up to its terminator.
template <std::size_t N>
std::u16string_view FieldText(const char16_t (&field)[N]) {
  return std::u16string_view(field, FieldLength(field, N));
}

// Bounded copy into a fixed field: copies at most maxChars characters and never more
// than capacity - 1, NUL-terminates and zero-fills the rest of the field. A cut that would
// separate the two halves of a surrogate pair drops the high half too. Capacity 0 (or a
// null dst) writes nothing.
void CopyText(char16_t* dst, std::size_t capacity, std::u16string_view src,
              std::size_t maxChars = SIZE_MAX);
template <std::size_t N>
void CopyText(char16_t (&dst)[N], std::u16string_view src, std::size_t maxChars = N - 1) {
  CopyText(dst, N, src, maxChars);
}

// "%d", "%04X" (upper-case, at least four digits), "%d.%d.%d.%d", "%s_%d".
std::u16string FormatInt(long long value);
std::u16string FormatHex04(std::uint32_t value);
std::u16string FormatIPv4(unsigned a, unsigned b, unsigned c, unsigned d);
std::u16string NameIndex(std::u16string_view name, long long index);
// text with its first "%s" replaced by value (text unchanged when it has none).
std::u16string FillPlaceholder(std::u16string text, std::u16string_view value);

// Paths built with "%s\\%s" on the original platform: folder + "/" + name. A folder
// that already ends in "/" gets no second one; an empty folder gives "/" + name.
std::u16string JoinPath(std::u16string_view folder, std::u16string_view name);

// Numbers of the language files: "0x"/"0X" followed by hexadecimal digits (the prefix
// alone reads 0), or decimal digits only. Empty text, signs, blanks or any other
// character: no value. Values wrap modulo 2^32 into a signed 32-bit int.
std::optional<std::int32_t> ParseStrictNumber(std::u16string_view text);

// A language code such as "0411": read as hexadecimal when it has at most 8
// characters, all of them 0-9, A-F or a-f; any other text (also empty) gives 0.
std::uint32_t ParseLangIdCode(std::u16string_view code);

// Like the C runtime's atoi on wide text: optional leading blanks, optional sign,
// leading decimal digits; no digits gives 0. Saturates at the int32 limits.
std::int32_t ParseLeadingInt(std::u16string_view text);

// ASCII-only letter case folding and comparison (section and key names, ".dll").
std::u16string ToLowerAscii(std::u16string_view text);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

}  // namespace plat
