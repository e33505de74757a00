#include "platform/Profile.h"

#include <gtest/gtest.h>

#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace plat {
namespace {

std::u16string WriteProfileFile(const std::string& bytes) {
  const std::string path = testenv::MakeTempDir("profile") + "/test.ini";
  EXPECT_TRUE(testenv::WriteFile(path, bytes));
  return FromUtf8(path);
}

TEST(ProfileReadTest, IgnoresLetterCaseAndTakesFirstMatch) {
  const auto file = WriteProfileFile("[Lang]\nLangId = 0411 \nLANGID=0409\n[LANG]\nlangid=0000\n");
  char16_t buf[64];
  EXPECT_EQ(GetPrivateProfileStringW(u"language", u"langid", u"x", buf, 64, file.c_str()), 1u);
  EXPECT_EQ(std::u16string(buf), u"x");
  EXPECT_EQ(GetPrivateProfileStringW(u"LANG", u"langid", u"", buf, 64, file.c_str()), 4u);
  EXPECT_EQ(std::u16string(buf), u"0411");
}

}  // namespace
}  // namespace plat
