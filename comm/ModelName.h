#pragma once
// Model names: which reported device names belong to the served printer's family.
//
// Threads: pure functions, any thread.
#include <cstdint>
#include <string_view>

// The served model.
inline constexpr char16_t kModelName[] = u"XJ-K52II";
// Every model of the family begins with this prefix.
inline constexpr char16_t kModelFamilyPrefix[] = u"XJ-";

// True when candidate names a model of the same family as model: after the prefix
// (found anywhere in the candidate) the series letter must match and the numbers must
// be equal (in the series "J" numbers 100 apart also match at once); then the suffix
// letters must be equal. A candidate with a smaller Roman numeral than model is
// accepted only when "Series" follows in either name; otherwise both rests must begin
// with "-" or neither.
// Used when the program was started by the printer driver; in every other mode the
// reported name must equal kModelName exactly.
bool IsCompatibleModelName(std::u16string_view candidate,
                           std::u16string_view model = kModelName);

// True when a printer reporting deviceName is accepted: with acceptFamily (the program
// was started by the printer driver) any model of the served model's family
// (IsCompatibleModelName), otherwise exactly kModelName.
bool IsAcceptedModel(std::u16string_view deviceName, bool acceptFamily);

// Reads a Roman numeral of the letters I, V and X (either case) from the start of text
// and removes what was read from text. Runs of one repeated letter are added; a run
// larger than the run before it subtracts that earlier run twice ("IV" is 4, "IX" 9);
// a larger run right after a run of two or more letters ends the reading before it
// ("IIV" reads 2 and leaves "V"), and so does the first character that is not a numeral.
// Text without a numeral reads 0.
std::int64_t ReadRomanNumber(std::u16string_view& text);
