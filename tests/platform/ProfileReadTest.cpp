#include <gtest/gtest.h>

#include "platform/Profile.h"
#include "tests/platform/ProfileFixtures.h"

namespace plat {
namespace {

using plat::testing::NewProfile;
using plat::testing::SplitList;
using plat::testing::Utf16Le;

std::u16string Get(const std::u16string& file, const char16_t* section, const char16_t* key,
                   const char16_t* def = u"<none>") {
  char16_t buf[300];
  const std::uint32_t n = GetPrivateProfileStringW(section, key, def, buf, 300, file.c_str());
  EXPECT_EQ(std::u16string(buf).size(), n);
  return std::u16string(buf, n);
}

TEST(ProfileReadTest, NamesIgnoreLetterCaseAndTheFirstMatchWins) {
  const auto file = NewProfile(
      "[Lang]\nLangId = 0411 \nLANGID=0409\n[LANG]\nlangid=0000\nOther=1\n[Empty]\n");
  EXPECT_EQ(Get(file, u"lang", u"langid"), u"0411");
  EXPECT_EQ(Get(file, u"LANG", u"LANGID"), u"0411");
  // Only the first [Lang] section is looked at, even for keys it lacks.
  EXPECT_EQ(Get(file, u"lang", u"Other"), u"<none>");
  EXPECT_EQ(Get(file, u"language", u"langid"), u"<none>");
  EXPECT_EQ(Get(file, u" Lang ", u" LangId "), u"0411");
}

TEST(ProfileReadTest, TrimsBlanksAndRemovesMatchingQuotes) {
  const auto file = NewProfile(
      "  [ Sec ]  trailing text\n"
      "\tplain =  two words \t\n"
      "dq=\"  quoted  \"\n"
      "sq=' single '\n"
      "mixed=\"abc'\n"
      "lone=\"\n"
      "empty=\n"
      "eq=a=b\n");
  EXPECT_EQ(Get(file, u"Sec", u"plain"), u"two words");
  EXPECT_EQ(Get(file, u"Sec", u"dq"), u"  quoted  ");
  EXPECT_EQ(Get(file, u"Sec", u"sq"), u" single ");
  EXPECT_EQ(Get(file, u"Sec", u"mixed"), u"\"abc'");
  EXPECT_EQ(Get(file, u"Sec", u"lone"), u"\"");
  EXPECT_EQ(Get(file, u"Sec", u"empty"), u"");
  EXPECT_EQ(Get(file, u"Sec", u"eq"), u"a=b");
}

TEST(ProfileReadTest, CommentsLinesWithoutEqualsAndLinesBeforeTheFirstSection) {
  const auto file = NewProfile(
      "top=1\n"
      "[S]\n"
      "; hidden=1\n"
      "   ;also=2\n"
      "just a line  \n"
      "\n"
      "k=v\n");
  EXPECT_EQ(Get(file, u"S", u"top"), u"<none>");
  EXPECT_EQ(Get(file, u"S", u"; hidden"), u"<none>");
  EXPECT_EQ(Get(file, u"S", u"just a line"), u"<none>");
  EXPECT_EQ(ProfileSectionLines(u"S", file), (std::vector<std::u16string>{u"just a line", u"k=v"}));
}

TEST(ProfileReadTest, DefaultLosesTrailingBlanksAndMissingFilesGiveIt) {
  const auto file = NewProfile("[S]\nk=v\n");
  EXPECT_EQ(Get(file, u"S", u"missing", u"  def  "), u"  def");
  EXPECT_EQ(Get(file, u"S", u"missing", nullptr), u"");
  const std::u16string nowhere = file + u".absent";
  EXPECT_EQ(Get(nowhere, u"S", u"k", u"d"), u"d");
  EXPECT_EQ(ProfileString(u"S", u"missing", u"x ", file), u"x");
  EXPECT_EQ(ProfileString(u"s", u"K", u"x", file), u"v");
}

TEST(ProfileReadTest, StringTruncationKeepsSizeMinusOneCharacters) {
  const auto file = NewProfile("[S]\nk=abcdef\n");
  char16_t buf[8];
  std::fill(std::begin(buf), std::end(buf), u'#');
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"k", u"", buf, 4, file.c_str()), 3u);
  EXPECT_EQ(std::u16string(buf), u"abc");
  EXPECT_EQ(buf[4], u'#');
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"k", u"", buf, 7, file.c_str()), 6u);
  EXPECT_EQ(std::u16string(buf), u"abcdef");
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"k", u"", buf, 1, file.c_str()), 0u);
  EXPECT_EQ(buf[0], u'\0');
  buf[0] = u'#';
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"k", u"", buf, 0, file.c_str()), 0u);
  EXPECT_EQ(buf[0], u'#');
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"zz", u"defaults", buf, 5, file.c_str()), 4u);
  EXPECT_EQ(std::u16string(buf), u"defa");
}

TEST(ProfileReadTest, ReadsUtf8WithBomAndNonAsciiText) {
  const auto file = NewProfile("\xEF\xBB\xBF[Sprache]\r\nName=\xE6\x97\xA5\xE6\x9C\xAC\r\n");
  EXPECT_EQ(Get(file, u"Sprache", u"Name"), u"\u65E5\u672C");
  EXPECT_EQ(ProfileSectionNames(file), std::vector<std::u16string>{u"Sprache"});
}

TEST(ProfileReadTest, ReadsUtf16LittleEndianWithBom) {
  const auto crlf = NewProfile(Utf16Le(u"[CMN_STR]\r\nSTR_0=\u65E5\u672C\u8A9E\r\nSTR_1=Two\r\n[X]\r\n"));
  EXPECT_EQ(Get(crlf, u"cmn_str", u"STR_0"), u"\u65E5\u672C\u8A9E");
  EXPECT_EQ(ProfileSectionLines(u"CMN_STR", crlf),
            (std::vector<std::u16string>{u"STR_0=\u65E5\u672C\u8A9E", u"STR_1=Two"}));
  const auto lf = NewProfile(Utf16Le(u"[A]\nk=1\n[B]\nk=2"));
  EXPECT_EQ(ProfileInt(u"B", u"k", 0, lf), 2);
  EXPECT_EQ(ProfileSectionNames(lf), (std::vector<std::u16string>{u"A", u"B"}));
}

TEST(ProfileReadTest, LoneCarriageReturnsEndLines) {
  const auto file = NewProfile("[A]\rk=1\r[B]\rk=2\r");
  EXPECT_EQ(ProfileInt(u"A", u"k", 0, file), 1);
  EXPECT_EQ(ProfileInt(u"B", u"k", 0, file), 2);
}

TEST(ProfileReadTest, IntegersReadLeadingDigitsSignsAndHex) {
  const auto file = NewProfile(
      "[N]\n"
      "a=12abc\n"
      "b=-5\n"
      "c=\" 7\"\n"
      "d=0x1A\n"
      "e=\n"
      "f=abc\n"
      "g=0xFFFFFFFF\n"
      "h=-0x10\n"
      "i=+3\n"
      "j=\"\"\n"
      "k=0x\n");
  const auto f = file.c_str();
  EXPECT_EQ(GetPrivateProfileIntW(u"N", u"a", 99, f), 12);
  EXPECT_EQ(GetPrivateProfileIntW(u"N", u"b", 99, f), -5);
  EXPECT_EQ(GetPrivateProfileIntW(u"N", u"c", 99, f), 7);
  EXPECT_EQ(GetPrivateProfileIntW(u"N", u"d", 99, f), 26);
  EXPECT_EQ(GetPrivateProfileIntW(u"N", u"e", 99, f), 99);
  EXPECT_EQ(GetPrivateProfileIntW(u"N", u"f", 99, f), 0);
  EXPECT_EQ(GetPrivateProfileIntW(u"N", u"g", 99, f), -1);
  EXPECT_EQ(GetPrivateProfileIntW(u"N", u"h", 99, f), -16);
  EXPECT_EQ(GetPrivateProfileIntW(u"N", u"i", 99, f), 3);
  EXPECT_EQ(GetPrivateProfileIntW(u"N", u"j", 99, f), 99);
  EXPECT_EQ(GetPrivateProfileIntW(u"N", u"k", 99, f), 0);
  EXPECT_EQ(GetPrivateProfileIntW(u"N", u"missing", -7, f), -7);
  EXPECT_EQ(GetPrivateProfileIntW(u"Nope", u"a", 4, f), 4);
  EXPECT_EQ(ProfileInt(u"n", u"A", 0, file), 12);
}

TEST(ProfileReadTest, SectionReadGivesTrimmedLinesOfTheFirstSectionInFileOrder) {
  const auto file = NewProfile(
      "[K_STR]\n"
      "  STR_3 =  Hello  \n"
      "STR_0=\"Title\"\n"
      "; note\n"
      "\n"
      "STR_3=Again\n"
      "[Other]\n"
      "x=1\n"
      "[k_str]\n"
      "STR_9=late\n");
  char16_t buf[200];
  const std::uint32_t n = GetPrivateProfileSectionW(u"K_STR", buf, 200, file.c_str());
  const std::u16string expected = std::u16string(u"STR_3=Hello\0STR_0=\"Title\"\0STR_3=Again\0", 38);
  ASSERT_EQ(n, expected.size());
  EXPECT_EQ(std::u16string(buf, n), expected);
  EXPECT_EQ(buf[n], u'\0');
  EXPECT_EQ(GetPrivateProfileSectionW(u"Missing", buf, 200, file.c_str()), 0u);
  EXPECT_EQ(buf[0], u'\0');
}

TEST(ProfileReadTest, SectionListsFollowTheSizeMinusTwoRule) {
  char16_t buf[520];
  // One line of L characters fills L + 1 characters of the list.
  for (const auto& [length, expected] : std::vector<std::pair<int, std::uint32_t>>{
           {516, 517}, {517, 518}, {518, 518}, {519, 518}, {700, 518}}) {
    const std::u16string line = u"k=" + std::u16string(length - 2, u'x');
    const auto file = NewProfile("[S]\n" + ToUtf8(line) + "\n");
    std::fill(std::begin(buf), std::end(buf), u'#');
    const std::uint32_t n = GetPrivateProfileSectionW(u"S", buf, 520, file.c_str());
    EXPECT_EQ(n, expected) << length;
    EXPECT_EQ(std::u16string(buf, std::min<std::size_t>(n, line.size())),
              line.substr(0, std::min<std::size_t>(n, line.size())));
    EXPECT_EQ(buf[n], u'\0') << length;
    EXPECT_EQ(buf[n + 1], u'\0') << length;
  }
}

TEST(ProfileReadTest, LongSectionIsReadWholeByGrowingTheBuffer) {
  std::string text = "[BIG_STR]\n";
  std::vector<std::u16string> lines;
  for (int i = 0; i < 60; ++i) {
    const std::string line = "STR_" + std::to_string(i) + "=" + std::string(20 + i, 'a' + i % 26);
    text += line + "\r\n";
    lines.push_back(FromUtf8(line));
  }
  text += "[NEXT]\nx=1\n";
  const auto file = NewProfile(text);
  std::uint32_t size = 520;
  std::vector<char16_t> buf;
  std::uint32_t n = 0;
  int rounds = 0;
  for (;;) {
    buf.assign(size, u'\0');
    n = GetPrivateProfileSectionW(u"BIG_STR", buf.data(), size, file.c_str());
    if (n != size - 2) break;
    size += 260;
    ++rounds;
  }
  EXPECT_GT(rounds, 0);
  EXPECT_EQ(SplitList(buf.data(), n), lines);
  EXPECT_EQ(ProfileSectionLines(u"big_str", file), lines);
}

TEST(ProfileReadTest, SectionNamesFillingA520CharacterBuffer) {
  char16_t buf[520];
  for (const auto& [length, expected] : std::vector<std::pair<int, std::uint32_t>>{
           {516, 517}, {517, 518}, {518, 518}, {600, 518}}) {
    // Two names whose lengths (with terminators) add up to length + 1.
    const std::string first = "MENUITEM_A";
    const std::string second = "N" + std::string(length - first.size() - 2, 'x');
    const auto file = NewProfile("[" + first + "]\n[" + second + "]\nk=1\n");
    std::fill(std::begin(buf), std::end(buf), u'#');
    const std::uint32_t n = GetPrivateProfileSectionNamesW(buf, 520, file.c_str());
    EXPECT_EQ(n, expected) << length;
    EXPECT_EQ(buf[n], u'\0');
    EXPECT_EQ(buf[n + 1], u'\0');
    EXPECT_EQ(SplitList(buf, n).front(), FromUtf8(first));
  }
}

TEST(ProfileReadTest, NameListsSkipDuplicatesAndFollowFileOrder) {
  const auto file = NewProfile(
      "[B]\nk1=1\nK1=2\nline\n=v\nk2=3\n[a]\n[b]\nk3=1\n[]\n[C]\n");
  char16_t buf[100];
  std::uint32_t n = GetPrivateProfileStringW(nullptr, nullptr, u"", buf, 100, file.c_str());
  EXPECT_EQ(SplitList(buf, n), (std::vector<std::u16string>{u"B", u"a", u"C"}));
  EXPECT_EQ(buf[n], u'\0');
  n = GetPrivateProfileStringW(u"b", nullptr, u"", buf, 100, file.c_str());
  EXPECT_EQ(SplitList(buf, n), (std::vector<std::u16string>{u"k1", u"k2"}));
  n = GetPrivateProfileStringW(u"b", nullptr, u"", buf, 6, file.c_str());
  EXPECT_EQ(n, 4u);
  EXPECT_EQ(std::u16string(buf, 6), std::u16string(u"k1\0k\0\0", 6));
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 2, file.c_str()), 0u);
  EXPECT_EQ(buf[0], u'\0');
  EXPECT_EQ(buf[1], u'\0');
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 1, file.c_str()), 0u);
  EXPECT_EQ(buf[0], u'\0');
  const auto none = NewProfile("");
  buf[0] = buf[1] = u'#';
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 10, none.c_str()), 0u);
  EXPECT_EQ(buf[0], u'\0');
}

TEST(ProfileReadTest, AFolderOrAMissingPathReadsAsAnEmptyFile) {
  const std::u16string folder = FromUtf8(testenv::MakeTempDir("asfolder"));
  EXPECT_EQ(ProfileInt(u"S", u"k", 5, folder), 5);
  EXPECT_TRUE(ProfileSectionNames(folder).empty());
  EXPECT_EQ(ProfileString(u"S", u"k", u"d", u""), u"d");
}

}  // namespace
}  // namespace plat
