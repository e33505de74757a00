#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/Profile.h"
#include "tests/platform/ProfileFixtures.h"

namespace plat {
namespace {

using plat::testing::NewProfile;
using plat::testing::SplitList;
using plat::testing::Utf16Le;
using Lines = std::vector<std::u16string>;

std::u16string Get(const std::u16string& file, const char16_t* section, const char16_t* key,
                   const char16_t* def = u"<none>") {
  char16_t buf[300];
  const std::uint32_t n = GetPrivateProfileStringW(section, key, def, buf, 300, file.c_str());
  EXPECT_EQ(std::u16string(buf).size(), n);
  return std::u16string(buf, n);
}

TEST(ProfileReadTest, NamesQuotesBlanksAndComments) {
  const auto file = NewProfile(
      "top=1\n"
      "  [ Lang ]  trailing text\n"
      "LangId = 0411 \nLANGID=0409\n"
      "dq=\"  quoted  \"\nsq=' single '\nmixed=\"abc'\nlone=\"\nempty=\neq=a=b\n"
      "; hidden=1\n"
      "just a line\n"
      "[LANG]\nlangid=0000\nOther=1\n");
  EXPECT_EQ(Get(file, u"lang", u"LANGID"), u"0411");
  EXPECT_EQ(Get(file, u" LANG ", u" langid "), u"0411");
  EXPECT_EQ(Get(file, u"Lang", u"Other"), u"<none>");  // only the first [Lang] counts
  EXPECT_EQ(Get(file, u"Lang", u"top"), u"<none>");    // before any section
  EXPECT_EQ(Get(file, u"Lang", u"dq"), u"  quoted  ");
  EXPECT_EQ(Get(file, u"Lang", u"sq"), u" single ");
  EXPECT_EQ(Get(file, u"Lang", u"mixed"), u"\"abc'");
  EXPECT_EQ(Get(file, u"Lang", u"lone"), u"\"");
  EXPECT_EQ(Get(file, u"Lang", u"empty"), u"");
  EXPECT_EQ(Get(file, u"Lang", u"eq"), u"a=b");
  EXPECT_EQ(Get(file, u"Lang", u"; hidden"), u"<none>");
  EXPECT_EQ(Get(file, u"Lang", u"just a line"), u"<none>");
  EXPECT_EQ(Get(file, u"Lang", u"missing", u"  def  "), u"  def");
  EXPECT_EQ(Get(file, u"Lang", u"missing", nullptr), u"");
  EXPECT_EQ(Get(file + u".absent", u"Lang", u"LangId", u"d"), u"d");
  EXPECT_EQ(ProfileString(u"LANG", u"eq", u"", file), u"a=b");
}

TEST(ProfileReadTest, StringTruncation) {
  const auto file = NewProfile("[S]\nk=abcdef\n");
  char16_t buf[8];
  std::fill(std::begin(buf), std::end(buf), u'#');
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"k", u"", buf, 4, file.c_str()), 3u);
  EXPECT_EQ(std::u16string(buf, 5), std::u16string(u"abc\0#", 5));
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"k", u"", buf, 7, file.c_str()), 6u);
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"k", u"", buf, 1, file.c_str()), 0u);
  EXPECT_EQ(buf[0], u'\0');
  buf[0] = u'#';
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"k", u"", buf, 0, file.c_str()), 0u);
  EXPECT_EQ(buf[0], u'#');
  EXPECT_EQ(GetPrivateProfileStringW(u"S", u"zz", u"defaults", buf, 5, file.c_str()), 4u);
  EXPECT_EQ(std::u16string(buf), u"defa");
}

TEST(ProfileReadTest, EncodingsAndLineEnds) {
  const auto bom = NewProfile("\xEF\xBB\xBF[Sprache]\r\nName=\xE6\x97\xA5\xE6\x9C\xAC\r\n");
  EXPECT_EQ(Get(bom, u"Sprache", u"Name"), u"\u65E5\u672C");
  const auto wide = NewProfile(Utf16Le(u"[CMN_STR]\r\nSTR_0=\u65E5\u672C\r\nSTR_1=Two\r\n[X]\r\n"));
  EXPECT_EQ(ProfileSectionLines(u"cmn_str", wide), (Lines{u"STR_0=\u65E5\u672C", u"STR_1=Two"}));
  // The same lines visited in place; a missing or empty section has none.
  Lines visited;
  EXPECT_EQ(ForEachProfileSectionLine(u"CMN_STR", wide, [&](std::u16string_view line) { visited.emplace_back(line); }),
            2u);
  EXPECT_EQ(visited, ProfileSectionLines(u"cmn_str", wide));
  for (const char16_t* none : {u"X", u"missing"})
    EXPECT_EQ(ForEachProfileSectionLine(none, wide, [](std::u16string_view) { ADD_FAILURE(); }), 0u);
  const auto wideLf = NewProfile(Utf16Le(u"[A]\nk=1\n[B]\nk=2"));
  EXPECT_EQ(ProfileInt(u"B", u"k", 0, wideLf), 2);
  const auto cr = NewProfile("[A]\rk=1\r[B]\rk=2\r");
  EXPECT_EQ(ProfileSectionNames(cr), (Lines{u"A", u"B"}));
  EXPECT_EQ(ProfileInt(u"A", u"k", 0, cr), 1);
}

TEST(ProfileReadTest, Integers) {
  const auto file = NewProfile(
      "[N]\na=12abc\nb=-5\nc=\" 7\"\nd=0x1A\ne=\nf=abc\ng=0xFFFFFFFF\nh=-0x10\nj=\"\"\n");
  const std::vector<std::pair<const char16_t*, std::int32_t>> cases = {
      {u"a", 12}, {u"b", -5}, {u"c", 7},   {u"d", 26},       {u"e", 99},
      {u"f", 0},  {u"g", -1}, {u"h", -16}, {u"j", 99}, {u"missing", 99}};
  for (const auto& [key, expected] : cases) {
    EXPECT_EQ(GetPrivateProfileIntW(u"n", key, 99, file.c_str()), expected) << ToUtf8(key);
  }
  EXPECT_EQ(GetPrivateProfileIntW(u"Nope", u"a", 4, file.c_str()), 4);
}

TEST(ProfileReadTest, SectionReadGivesTrimmedLinesOfTheFirstSectionInOrder) {
  const auto file = NewProfile(
      "[K_STR]\n  STR_3 =  Hello  \nSTR_0=\"Title\"\n; note\n\n  a line \nSTR_3=Again\n"
      "[Other]\nx=1\n[k_str]\nSTR_9=late\n");
  char16_t buf[200];
  const std::uint32_t n = GetPrivateProfileSectionW(u"K_STR", buf, 200, file.c_str());
  EXPECT_EQ(SplitList(buf, n), (Lines{u"STR_3=Hello", u"STR_0=\"Title\"", u"a line", u"STR_3=Again"}));
  EXPECT_EQ(n, 45u);
  EXPECT_EQ(buf[n], u'\0');
  EXPECT_EQ(GetPrivateProfileSectionW(u"Missing", buf, 200, file.c_str()), 0u);
  EXPECT_EQ(buf[0], u'\0');
}

TEST(ProfileReadTest, ListsThatDoNotFitReturnSizeMinusTwo) {
  char16_t buf[520];
  // One line of L characters fills L + 1 characters of the list; so do two section names
  // of 10 and L - 11 characters.
  for (const auto& [length, expected] : std::vector<std::pair<int, std::uint32_t>>{
           {516, 517}, {517, 518}, {518, 518}, {700, 518}}) {
    const std::string line = "k=" + std::string(length - 2, 'x');
    const auto file = NewProfile("[MENUITEM_A]\n[" + std::string(length - 11, 'N') + "]\n" + line + "\n");
    std::fill(std::begin(buf), std::end(buf), u'#');
    std::uint32_t n = GetPrivateProfileSectionW(std::u16string(length - 11, u'N').c_str(), buf, 520,
                                                file.c_str());
    EXPECT_EQ(n, expected) << length;
    EXPECT_EQ(ToUtf8(std::u16string(buf, std::min<std::size_t>(n, line.size()))),
              line.substr(0, n)) << length;
    EXPECT_EQ(std::u16string(buf + n, 2), std::u16string(2, u'\0')) << length;
    std::fill(std::begin(buf), std::end(buf), u'#');
    n = GetPrivateProfileSectionNamesW(buf, 520, file.c_str());
    EXPECT_EQ(n, expected) << length;
    EXPECT_EQ(std::u16string(buf, 11), std::u16string(u"MENUITEM_A\0", 11));
    EXPECT_EQ(std::u16string(buf + n, 2), std::u16string(2, u'\0')) << length;
  }
}

TEST(ProfileReadTest, LongSectionIsReadWholeByGrowingTheBuffer) {
  std::string text = "[BIG_STR]\n";
  Lines lines;
  for (int i = 0; i < 60; ++i) {
    const std::string line = "STR_" + std::to_string(i) + "=" + std::string(20 + i, 'a' + i % 26);
    text += line + "\r\n";
    lines.push_back(FromUtf8(line));
  }
  const auto file = NewProfile(text + "[NEXT]\nx=1\n");
  std::vector<char16_t> buf;
  std::uint32_t n = 0;
  int rounds = 0;
  for (std::uint32_t size = 520;; size += 260, ++rounds) {
    buf.assign(size, u'\0');
    n = GetPrivateProfileSectionW(u"BIG_STR", buf.data(), size, file.c_str());
    if (n != size - 2) break;
  }
  EXPECT_GT(rounds, 0);
  EXPECT_EQ(SplitList(buf.data(), n), lines);
}

TEST(ProfileReadTest, ASettledFileIsReadAgainOnceItChanges) {
  const auto file = NewProfile("[S]\nk=1\n[L]\n" + std::string(3000, 'x') + "\n");
  const std::string path = ToUtf8(file);
  // Parsed copies are kept only for files left unchanged for a few seconds.
  std::this_thread::sleep_for(std::chrono::milliseconds(3500));
  EXPECT_EQ(ProfileInt(u"S", u"k", 0, file), 1);
  char16_t buf[520];
  EXPECT_EQ(GetPrivateProfileSectionW(u"L", buf, 520, file.c_str()), 518u);
  EXPECT_EQ(ProfileSectionLines(u"s", file), Lines{u"k=1"});
  testenv::WriteFile(path, "[S]\nk=2\n[L]\n" + std::string(3000, 'y') + "\n");  // in place, same size
  EXPECT_EQ(ProfileInt(u"S", u"k", 0, file), 2);
  EXPECT_EQ(GetPrivateProfileSectionW(u"L", buf, 520, file.c_str()), 518u);
  EXPECT_EQ(buf[0], u'y');
}

TEST(ProfileReadTest, NameListsSkipDuplicatesAndEmptyNames) {
  const auto file = NewProfile("[B]\nk1=1\nK1=2\nline\n=v\nk2=3\n[a]\n[b]\nk3=1\n[]\n[C]\n");
  char16_t buf[100];
  std::uint32_t n = GetPrivateProfileStringW(nullptr, nullptr, u"", buf, 100, file.c_str());
  EXPECT_EQ(SplitList(buf, n), (Lines{u"B", u"a", u"C"}));
  n = GetPrivateProfileStringW(u"b", nullptr, u"", buf, 100, file.c_str());
  EXPECT_EQ(SplitList(buf, n), (Lines{u"k1", u"k2"}));
  EXPECT_EQ(GetPrivateProfileStringW(u"b", nullptr, u"", buf, 6, file.c_str()), 4u);
  EXPECT_EQ(std::u16string(buf, 6), std::u16string(u"k1\0k\0\0", 6));
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 2, file.c_str()), 0u);
  EXPECT_EQ(std::u16string(buf, 2), std::u16string(2, u'\0'));
  EXPECT_EQ(GetPrivateProfileSectionNamesW(buf, 1, file.c_str()), 0u);
  EXPECT_EQ(buf[0], u'\0');
  EXPECT_TRUE(ProfileSectionNames(FromUtf8(testenv::MakeTempDir("folder-as-file"))).empty());
}

}  // namespace
}  // namespace plat
