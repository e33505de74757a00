// The printer's NV graphics as the logo pages build them, without a printer: the
// commands byte for byte, key codes, the logo file of file mode and the copies of
// registered logos.
#include "plugins/logo/NvGraphics.h"

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace {

using namespace logo;
using Bytes = std::vector<std::uint8_t>;

MonoBitmap Pattern(int width, int height) {
  MonoBitmap bitmap = MonoBitmap::White(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) bitmap.SetDot(x, y, (x * 7 + y * 3) % 5 == 0);
  }
  return bitmap;
}

TEST(NvGraphicsTest, CommandsAreThoseOfThePrintersCommandLanguage) {
  MonoBitmap bitmap = MonoBitmap::White(9, 2);
  bitmap.SetDot(0, 0, true);
  bitmap.SetDot(8, 1, true);
  const KeyCode key = *ParseKeyCode(u"A1");
  EXPECT_EQ(DefineCommand(key, bitmap), (Bytes{0x1D, 0x28, 0x4C, 0x0F, 0x00, 0x30, 0x43, 0x30, 'A', '1', 0x01, 0x09, 0x00,
                                               0x02, 0x00, 0x31, 0x80, 0x00, 0x00, 0x80}));
  EXPECT_EQ(DeleteCommand(key), (Bytes{0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x42, 'A', '1'}));
  EXPECT_EQ(DeleteAllCommand(), (Bytes{0x1D, 0x28, 0x4C, 0x05, 0x00, 0x30, 0x41, 'C', 'L', 'R'}));
  EXPECT_EQ(PrintCommand(key), (Bytes{0x1D, 0x28, 0x4C, 0x06, 0x00, 0x30, 0x45, 'A', '1', 0x01, 0x01}));
  EXPECT_EQ(FeedAndCutCommand(), (Bytes{0x1D, 0x56, 0x42, 0x00}));

  // Data beyond the 2-byte length: GS 8 L with a 4-byte length.
  const MonoBitmap large = MonoBitmap::White(576, 1000);  // 72,000 bytes
  const Bytes command = DefineCommand(key, large);
  ASSERT_EQ(command.size(), 7u + 11u + 72000u);
  EXPECT_EQ(Bytes(command.begin(), command.begin() + 18),
            (Bytes{0x1D, 0x38, 0x4C, 0x4B, 0x19, 0x01, 0x00, 0x30, 0x43, 0x30, 'A', '1', 0x01, 0x40, 0x02, 0xE8, 0x03, 0x31}));
  // The largest that still fits the short form.
  const MonoBitmap edge = MonoBitmap::White(8, 65535 - 11);
  EXPECT_EQ(DefineCommand(key, edge)[1], 0x28);
}

TEST(NvGraphicsTest, KeyCodesAreTwoPrintableCharactersAndNumberedFromZeroOne) {
  EXPECT_EQ(ParseKeyCode(u"A1"), KeyCode(0x4131));
  EXPECT_EQ(ParseKeyCode(u" ~"), KeyCode(0x207E));
  for (const std::u16string_view bad : {u"", u"A", u"ABC", u"A\x7F", u"\x1F" u"A", u"Aé", u"ロゴ"}) {
    EXPECT_FALSE(ParseKeyCode(bad)) << plat::ToUtf8(bad);
  }
  EXPECT_EQ(KeyCodeText(0x4131), u"A1");
  EXPECT_TRUE(IsValidKeyCode(0x2020));
  EXPECT_FALSE(IsValidKeyCode(0x1F41));
  EXPECT_FALSE(IsValidKeyCode(0x417F));

  EXPECT_EQ(NextFreeKeyCode({}), *ParseKeyCode(u"01"));
  EXPECT_EQ(NextFreeKeyCode({*ParseKeyCode(u"01"), *ParseKeyCode(u"AB"), *ParseKeyCode(u"02")}), *ParseKeyCode(u"03"));
  std::vector<KeyCode> used;
  for (int n = 1; n <= 99; ++n) used.push_back(static_cast<KeyCode>(((u'0' + n / 10) << 8) | (u'0' + n % 10)));
  EXPECT_EQ(NextFreeKeyCode(used), KeyCode(0x2020)) << "then the first pair in order";
  used.clear();
  for (int a = kFirstKeyByte; a <= kLastKeyByte; ++a) {
    for (int b = kFirstKeyByte; b <= kLastKeyByte; ++b) used.push_back(static_cast<KeyCode>((a << 8) | b));
  }
  EXPECT_FALSE(NextFreeKeyCode(used));
}

TEST(NvGraphicsTest, TheLogoFileOfFileModeHoldsDefineCommandsOnly) {
  const std::vector<StoredLogo> logos = {
      {*ParseKeyCode(u"01"), Pattern(13, 5)}, {*ParseKeyCode(u"B2"), Pattern(576, 200)}, {*ParseKeyCode(u"L!"), Pattern(576, 1000)}};
  const Bytes file = BuildLogoFile(logos);
  std::vector<StoredLogo> parsed;
  ASSERT_TRUE(ParseLogoFile(file.data(), file.size(), parsed));
  EXPECT_EQ(parsed, logos);

  // The same key defined again keeps the later image, in the first one's place.
  std::vector<StoredLogo> twice = logos;
  twice.push_back({*ParseKeyCode(u"01"), Pattern(8, 1)});
  const Bytes redefined = BuildLogoFile(twice);
  ASSERT_TRUE(ParseLogoFile(redefined.data(), redefined.size(), parsed));
  ASSERT_EQ(parsed.size(), 3u);
  EXPECT_EQ(parsed[0].bitmap, Pattern(8, 1));

  // Anything else, or a file cut short, is no logo file; what was parsed stays.
  const std::vector<StoredLogo> kept = parsed;
  Bytes other = file;
  other.insert(other.end(), {0x1D, 0x28, 0x4C, 0x04, 0x00, 0x30, 0x42, 'A', '1'});  // a delete
  Bytes badSize = BuildLogoFile({logos[0]});
  badSize[11] = 0x11;  // width 17: the data no longer matches
  for (const Bytes& bad : {other, Bytes(file.begin(), file.end() - 1), Bytes{0x1D, 0x28}, badSize}) {
    EXPECT_FALSE(ParseLogoFile(bad.data(), bad.size(), parsed));
    EXPECT_EQ(parsed, kept);
  }
  ASSERT_TRUE(ParseLogoFile(nullptr, 0, parsed));
  EXPECT_TRUE(parsed.empty());

  // Written, read back, removed when it holds no logo.
  const std::u16string path = plat::FromUtf8(testenv::MakeTempDir("logofile") + "/K52IILOGO.tlg");
  ASSERT_TRUE(ReadLogoFile(path, parsed));
  EXPECT_TRUE(parsed.empty()) << "no file: no logos";
  ASSERT_TRUE(WriteLogoFile(path, logos));
  ASSERT_TRUE(ReadLogoFile(path, parsed));
  EXPECT_EQ(parsed, logos);
  ASSERT_TRUE(WriteLogoFile(path, {}));
  EXPECT_TRUE(testenv::ReadFile(plat::ToUtf8(path)).empty());
  ASSERT_TRUE(testenv::WriteFile(plat::ToUtf8(path), "damaged"));
  EXPECT_FALSE(ReadLogoFile(path, parsed));
}

TEST(NvGraphicsTest, CopiesOfRegisteredLogosAreKeptPerPrinter) {
  const std::string data = testenv::MakeTempDir("copies");
  const LogoCopies bySerial(plat::FromUtf8(data), u"K52S/0001", u"127.0.0.1:9100", u"XJ-K52II");
  const LogoCopies byPort(plat::FromUtf8(data), u"", u"../127.0.0.1:9100", u"XJ-K52II");
  const LogoCopies otherPort(plat::FromUtf8(data), u"", u"127.0.0.1:9101", u"XJ-K52II");
  EXPECT_NE(bySerial.Folder(), byPort.Folder());
  EXPECT_NE(byPort.Folder(), otherPort.Folder());
  for (const LogoCopies* copies : {&bySerial, &byPort}) {
    EXPECT_EQ(copies->Folder().find(u"/../"), std::u16string::npos);
    EXPECT_EQ(copies->Folder().rfind(plat::FromUtf8(data) + u"/LOGO/", 0), 0u) << plat::ToUtf8(copies->Folder());
  }

  const KeyCode slash = *ParseKeyCode(u"/.");
  const KeyCode plain = *ParseKeyCode(u"01");
  ASSERT_TRUE(bySerial.Save(slash, Pattern(100, 20)));
  ASSERT_TRUE(bySerial.Save(plain, Pattern(7, 3)));
  EXPECT_EQ(bySerial.Load(slash), Pattern(100, 20));
  EXPECT_EQ(bySerial.Load(plain), Pattern(7, 3));
  EXPECT_FALSE(byPort.Load(plain)) << "another printer's copies are not shown";
  bySerial.KeepOnly({plain});
  EXPECT_FALSE(bySerial.Load(slash));
  EXPECT_TRUE(bySerial.Load(plain));
  bySerial.Remove(plain);
  EXPECT_FALSE(bySerial.Load(plain));

  // PBM: read back equal; anything else is no copy.
  const MonoBitmap odd = Pattern(13, 4);
  EXPECT_EQ(DecodePbm(EncodePbm(odd)), odd);
  EXPECT_EQ(DecodePbm("P4\n# comment\n8 1\n\xFF"), [] {
    MonoBitmap b = MonoBitmap::White(8, 1);
    b.data[0] = 0xFF;
    return b;
  }());
  for (const std::string_view bad : {"P5\n8 1\n\xFF", "P4\n8 2\n\xFF", "P4\n0 1\n", "P4\n99999 1\n", "P4"}) {
    EXPECT_FALSE(DecodePbm(bad)) << bad;
  }
}

}  // namespace
