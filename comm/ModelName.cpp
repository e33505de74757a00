#include "comm/ModelName.h"

namespace {

// Decimal digits at the start of text, removed from text; no digits reads 0. A value
// beyond any model number saturates instead of overflowing.
std::int64_t ReadDecimal(std::u16string_view& text) {
  constexpr std::int64_t kLimit = 1'000'000'000'000LL;
  std::int64_t value = 0;
  std::size_t i = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
    value = value >= kLimit ? kLimit : value * 10 + (text[i] - u'0');
  text.remove_prefix(i);
  return value;
}

// Characters up to the first blank, upper-case "I", "V" or "X", or the end; removed
// from text.
std::u16string_view ReadSuffix(std::u16string_view& text) {
  const std::size_t end = text.find_first_of(u" IVX");
  const std::u16string_view suffix = text.substr(0, end);
  text.remove_prefix(suffix.size());
  return suffix;
}

int RomanUnit(char16_t c) {
  switch (c) {
    case u'I': case u'i': return 1;
    case u'V': case u'v': return 5;
    case u'X': case u'x': return 10;
    default: return 0;
  }
}

bool StartsWithDash(std::u16string_view text) { return !text.empty() && text.front() == u'-'; }

}  // namespace

std::int64_t ReadRomanNumber(std::u16string_view& text) {
  constexpr std::int64_t kStart = 5000;
  std::int64_t previousRun = kStart;
  std::int64_t previousUnit = kStart;
  std::int64_t sum = 0;
  while (!text.empty()) {
    const int unit = RomanUnit(text.front());
    if (unit == 0) break;
    std::size_t length = 1;
    while (length < text.size() && RomanUnit(text[length]) == unit) ++length;
    const std::int64_t run = static_cast<std::int64_t>(unit) * static_cast<std::int64_t>(length);
    if (run <= previousRun) {
      sum += run;
    } else {
      if (previousUnit < previousRun) break;
      sum += run - 2 * previousRun;
    }
    previousRun = run;
    previousUnit = unit;
    text.remove_prefix(length);
  }
  return sum;
}

bool IsCompatibleModelName(std::u16string_view candidate, std::u16string_view model) {
  const std::u16string_view prefix(kModelFamilyPrefix);
  const std::size_t inCandidate = candidate.find(prefix);
  const std::size_t inModel = model.find(prefix);
  if (inCandidate == std::u16string_view::npos || inModel == std::u16string_view::npos)
    return false;
  std::u16string_view a = model.substr(inModel + prefix.size());
  std::u16string_view b = candidate.substr(inCandidate + prefix.size());

  // Series letter.
  if (a.empty() || b.empty() || a.front() != b.front()) return false;
  const char16_t series = a.front();
  a.remove_prefix(1);
  b.remove_prefix(1);

  // Model number.
  const std::int64_t numberA = ReadDecimal(a);
  const std::int64_t numberB = ReadDecimal(b);
  if (series == u'J' && (numberA - numberB == 100 || numberB - numberA == 100)) return true;
  if (numberA != numberB) return false;

  // Suffix letters, then the generation as a Roman numeral.
  if (ReadSuffix(a) != ReadSuffix(b)) return false;
  const std::int64_t romanA = ReadRomanNumber(a);
  const std::int64_t romanB = ReadRomanNumber(b);
  if (romanA > romanB)
    return a.find(u"Series") != std::u16string_view::npos ||
           b.find(u"Series") != std::u16string_view::npos;
  return StartsWithDash(a) == StartsWithDash(b);
}

bool IsAcceptedModel(std::u16string_view deviceName, bool acceptFamily) {
  return acceptFamily ? IsCompatibleModelName(deviceName) : deviceName == kModelName;
}
