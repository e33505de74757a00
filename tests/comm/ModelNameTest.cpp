#include "comm/ModelName.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct RomanCase {
  const char16_t* text;
  std::int64_t value;
  const char16_t* rest;
};

TEST(ReadRomanNumber, ValuesAndWhereReadingStops) {
  const RomanCase cases[] = {
      {u"", 0, u""},          {u"ABC", 0, u"ABC"},  {u"I", 1, u""},        {u"II", 2, u""},
      {u"III", 3, u""},       {u"IV", 4, u""},      {u"V", 5, u""},        {u"VI", 6, u""},
      {u"IX", 9, u""},        {u"X", 10, u""},      {u"XIV", 14, u""},     {u"XXIX", 29, u""},
      {u"iv", 4, u""},        {u"vIi", 7, u""},     {u"II-S", 2, u"-S"},   {u"VIZ", 6, u"Z"},
      {u"II2I", 2, u"2I"},    {u" II", 0, u" II"},  {u"IIV", 2, u"V"},     {u"XXL", 20, u"L"},
  };
  for (const RomanCase& c : cases) {
    std::u16string_view text(c.text);
    EXPECT_EQ(ReadRomanNumber(text), c.value) << std::string(text.begin(), text.end());
    EXPECT_EQ(text, std::u16string_view(c.rest));
  }
}

TEST(ReadRomanNumber, LongRunsDoNotOverflow) {
  const std::u16string many(100000, u'X');
  std::u16string_view text(many);
  // The first run is compared with the starting run of 5000, which it exceeds, so that
  // is subtracted twice: 1000000 - 2 * 5000.
  EXPECT_EQ(ReadRomanNumber(text), 990000);
  EXPECT_TRUE(text.empty());
}

TEST(IsCompatibleModelName, EdgeCases) {
  EXPECT_TRUE(IsCompatibleModelName(kModelName));
  EXPECT_FALSE(IsCompatibleModelName(u"")) << "no prefix";
  EXPECT_FALSE(IsCompatibleModelName(u"K52II")) << "no prefix";
  EXPECT_FALSE(IsCompatibleModelName(u"xj-K52II")) << "the prefix is case-sensitive";
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-")) << "nothing after the prefix";
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-T52II")) << "other series letter";
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-k52II")) << "series letter is case-sensitive";
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-K53II")) << "other number";
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-K152II")) << "100 apart matters only in series J";
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-K")) << "no number reads 0";
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-K" + std::u16string(40, u'9') + u"II"))
      << "an overlong number is simply another number";
}

TEST(IsCompatibleModelName, SeriesJNumbers100Apart) {
  const std::u16string_view model = u"XJ-J300";
  EXPECT_TRUE(IsCompatibleModelName(u"XJ-J300", model));
  EXPECT_TRUE(IsCompatibleModelName(u"XJ-J200", model));
  EXPECT_TRUE(IsCompatibleModelName(u"XJ-J400", model));
  EXPECT_TRUE(IsCompatibleModelName(u"XJ-J400ZZ-whatever", model)) << "true at once";
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-J250", model));
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-J500", model));
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-J300L", model)) << "equal numbers go on to the suffix";
}

TEST(IsCompatibleModelName, RomanNumeralAndRestRules) {
  // A smaller numeral needs "Series" in one of the rests.
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-K52"));
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-K52I"));
  EXPECT_TRUE(IsCompatibleModelName(u"XJ-K52 Series"));
  EXPECT_TRUE(IsCompatibleModelName(u"XJ-K52I Series"));
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-K52 series")) << "\"Series\" is case-sensitive";
  EXPECT_TRUE(IsCompatibleModelName(u"XJ-K52II", u"XJ-K52III Series")) << "Series in the model";
  // An equal or greater numeral: both rests begin with "-" or neither does.
  EXPECT_TRUE(IsCompatibleModelName(u"XJ-K52III"));
  EXPECT_TRUE(IsCompatibleModelName(u"XJ-K52IV"));
  EXPECT_TRUE(IsCompatibleModelName(u"XJ-K52IIB"));
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-K52II-S"));
  EXPECT_TRUE(IsCompatibleModelName(u"XJ-K52II-S", u"XJ-K52II-B"));
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-K52II", u"XJ-K52II-B"));
}

TEST(IsCompatibleModelName, SuffixLetters) {
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-K52LII")) << "suffix L against none";
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-K52ii")) << "lower-case numerals belong to the suffix";
  EXPECT_TRUE(IsCompatibleModelName(u"XJ-K52LII", u"XJ-K52LII"));
  EXPECT_FALSE(IsCompatibleModelName(u"XJ-K52MII", u"XJ-K52LII"));
}

TEST(IsCompatibleModelName, RealisticNames) {
  struct Case {
    const char16_t* name;
    bool compatible;
  };
  const Case cases[] = {
      {u"NORVE XJ-K52II", true},
      {u"NORVE XJ-K52II Receipt", true},
      {u"XJ-K052II", true},
      {u"XJ-K52II Series", true},
      {u"XJ-K50II", false},
      {u"TX-K52II", false},
      {u"Generic / Text Only", false},
  };
  for (const Case& c : cases) {
    const std::u16string_view name(c.name);
    EXPECT_EQ(IsCompatibleModelName(name), c.compatible) << std::string(name.begin(), name.end());
  }
}

}  // namespace
