#include "platform/Text.h"

#include <gtest/gtest.h>

namespace plat {
namespace {

TEST(TextTest, FormatsHexWithAtLeastFourUpperCaseDigits) {
  EXPECT_EQ(FormatHex04(0x411), u"0411");
  EXPECT_EQ(FormatHex04(0), u"0000");
  EXPECT_EQ(FormatHex04(0xABCDE), u"ABCDE");
  EXPECT_EQ(FormatHex04(0xFFFFFFFFu), u"FFFFFFFF");
}

}  // namespace
}  // namespace plat
