#include "platform/Text.h"

#include <gtest/gtest.h>

#include <climits>

namespace plat {
namespace {

TEST(TextTest, Utf8ConversionsReplaceWhatIsInvalid) {
  const std::u16string text = u"A\u00E4\u65E5\U0001F600";
  EXPECT_EQ(ToUtf8(text), "A\xC3\xA4\xE6\x97\xA5\xF0\x9F\x98\x80");
  EXPECT_EQ(FromUtf8(ToUtf8(text)), text);
  EXPECT_EQ(ToUtf8(std::u16string{char16_t(0xDC00), char16_t(0xD800), u'a'}),
            "\xEF\xBF\xBD\xEF\xBF\xBD" "a");
  EXPECT_EQ(FromUtf8("\x80" "a"), u"\uFFFDa");                     // stray continuation
  EXPECT_EQ(FromUtf8("\xE2\x82" "A\xE2\x82"), u"\uFFFDA\uFFFD");  // cut sequences
  EXPECT_EQ(FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");                // overlong
  EXPECT_EQ(FromUtf8("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD");      // encoded surrogate
  EXPECT_EQ(FromUtf8("\xF4\x90\x80\x80"), u"\uFFFD\uFFFD\uFFFD\uFFFD");  // above U+10FFFF
  // Exactly the texts whose surrogates UTF-8 would replace.
  EXPECT_FALSE(HasUnpairedSurrogate(text));
  EXPECT_FALSE(HasUnpairedSurrogate(u""));
  EXPECT_TRUE(HasUnpairedSurrogate(std::u16string{char16_t(0xDC00), char16_t(0xD800), u'a'}));
  EXPECT_TRUE(HasUnpairedSurrogate(std::u16string{u'a', char16_t(0xD800)}));
  EXPECT_TRUE(HasUnpairedSurrogate(std::u16string{char16_t(0xD800), char16_t(0xD800), char16_t(0xDC00)}));
}

TEST(TextTest, FieldsAndBoundedCopies) {
  char16_t field[4] = {u'a', u'b', u'\0', u'x'};
  EXPECT_EQ(FieldText(field), u"ab");
  char16_t full[3] = {u'a', u'b', u'c'};
  EXPECT_EQ(FieldText(full), u"abc");

  char16_t buf[8];
  std::fill(std::begin(buf), std::end(buf), u'#');
  CopyText(buf, 5, u"abcdefgh");
  EXPECT_EQ(std::u16string(buf), u"abcd");
  EXPECT_EQ(buf[5], u'#');  // beyond the capacity given
  CopyText(buf, 8, u"abcdef", 2);
  EXPECT_EQ(std::u16string(buf, 8), std::u16string(u"ab\0\0\0\0\0\0", 8));
  buf[0] = u'#';
  CopyText(buf, 0, u"abc");
  EXPECT_EQ(buf[0], u'#');
  char16_t name[260];
  CopyText(name, std::u16string(300, u'x'));
  EXPECT_EQ(FieldText(name).size(), 259u);
  char16_t small[3];
  CopyText(small, u"a\U0001F600");  // the pair does not fit: neither half is kept
  EXPECT_EQ(std::u16string(small), u"a");
}

TEST(TextTest, FormatsAndPaths) {
  EXPECT_EQ(FormatHex04(0x411), u"0411");
  EXPECT_EQ(FormatHex04(0), u"0000");
  EXPECT_EQ(FormatHex04(0xFFFFFFFFu), u"FFFFFFFF");
  EXPECT_EQ(FormatInt(LLONG_MIN), u"-9223372036854775808");
  EXPECT_EQ(FormatIPv4(192, 168, 0, 10), u"192.168.0.10");
  EXPECT_EQ(NameIndex(u"PORT", 3), u"PORT_3");
  EXPECT_EQ(JoinPath(u"/a/b", u"c.ini"), u"/a/b/c.ini");
  EXPECT_EQ(JoinPath(u"/a/b/", u"c.ini"), u"/a/b/c.ini");
  EXPECT_EQ(JoinPath(u"", u"c.ini"), u"/c.ini");
}

TEST(TextTest, NumberParsers) {
  EXPECT_EQ(ParseStrictNumber(u"0x"), 0);
  EXPECT_EQ(ParseStrictNumber(u"0x1A"), 26);
  EXPECT_EQ(ParseStrictNumber(u"0X1a"), 26);
  EXPECT_EQ(ParseStrictNumber(u"007"), 7);
  EXPECT_EQ(ParseStrictNumber(u"0xFFFFFFFF"), -1);  // wraps into int32
  EXPECT_EQ(ParseStrictNumber(u"4294967297"), 1);
  for (const char16_t* bad : {u"-1", u"1a", u"", u" 1", u"1 ", u"+1", u"0x1G", u"x1"}) {
    EXPECT_FALSE(ParseStrictNumber(bad).has_value()) << ToUtf8(bad);
  }
  EXPECT_EQ(ParseLangIdCode(u"411"), 0x411u);
  EXPECT_EQ(ParseLangIdCode(u"abcdef01"), 0xABCDEF01u);
  for (const char16_t* bad : {u"000000411", u"04G9", u"", u" 411"}) {
    EXPECT_EQ(ParseLangIdCode(bad), 0u) << ToUtf8(bad);
  }
  EXPECT_EQ(ParseLeadingInt(u"12abc"), 12);
  EXPECT_EQ(ParseLeadingInt(u" \t-5"), -5);
  EXPECT_EQ(ParseLeadingInt(u"+7x"), 7);
  EXPECT_EQ(ParseLeadingInt(u"- 5"), 0);
  EXPECT_EQ(ParseLeadingInt(u""), 0);
  EXPECT_EQ(ParseLeadingInt(u"99999999999"), INT32_MAX);
  EXPECT_EQ(ParseLeadingInt(u"-2147483648"), INT32_MIN);
  EXPECT_EQ(ParseLeadingInt(u"-99999999999"), INT32_MIN);
}

TEST(TextTest, CaseFoldingTouchesOnlyAsciiLetters) {
  EXPECT_EQ(ToLowerAscii(u"AbC.DLL_\u00C4"), u"abc.dll_\u00C4");
  EXPECT_TRUE(EqualsNoCase(u"Settings", u"sETTINGS"));
  EXPECT_FALSE(EqualsNoCase(u"\u00C4", u"\u00E4"));
  EXPECT_FALSE(EqualsNoCase(u"abc", u"abcd"));
  EXPECT_FALSE(EqualsNoCase(u"[", u"{"));  // not letters, though 32 apart
}

}  // namespace
}  // namespace plat
