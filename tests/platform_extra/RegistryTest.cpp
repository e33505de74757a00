#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/Folders.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "tests/support/TestEnv.h"

using namespace plat;

namespace {

// Each test writes the registry file of its own process's common folder.
class RegistryTest : public testing::Test {
 protected:
  void Write(const std::string& text) { ASSERT_TRUE(testenv::WriteFile(ToUtf8(RegistryFilePath()), text)); }
  void TearDown() override { RemoveFile(RegistryFilePath()); }
};

}  // namespace

TEST_F(RegistryTest, FileLivesInTheCommonDataFolder) {
  EXPECT_EQ(RegistryFilePath(), CommonAppDataFolder() + u"/registry.ini");
  EXPECT_EQ(ToUtf8(CommonAppDataFolder()), testenv::Root() + "/common");
}

TEST_F(RegistryTest, MissingFileMeansMissingKeys) {
  std::u16string value = u"unchanged";
  EXPECT_FALSE(RegKeyExists(kPosPrinterKey));
  EXPECT_FALSE(RegQueryString(kPosPrinterKey, u"Port", value));
  EXPECT_EQ(value, u"unchanged");
  EXPECT_TRUE(RegEnumSubKeys(kPosPrinterKey).empty());
}

TEST_F(RegistryTest, ReadsValuesWithEitherRootNameAndAnyLetterCase) {
  Write(
      "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt1]\n"
      "Port = ZLDPRT001\n"
      "Quoted=\"C:\\Program Files\\x\"\n"
      "Empty=\n");
  std::u16string value;
  ASSERT_TRUE(RegQueryString(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt1",
                             u"Port", value));
  EXPECT_EQ(value, u"ZLDPRT001");
  ASSERT_TRUE(RegQueryString(u"hklm\\software\\oleforretail\\serviceopos\\posprinter\\RECEIPT1\\", u"PORT", value));
  EXPECT_EQ(value, u"ZLDPRT001");
  ASSERT_TRUE(RegQueryString(u"HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt1", u"Quoted", value));
  EXPECT_EQ(value, u"C:\\Program Files\\x");
  ASSERT_TRUE(RegQueryString(u"HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt1", u"Empty", value));
  EXPECT_EQ(value, u"");
  value = u"kept";
  EXPECT_FALSE(RegQueryString(u"HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt1", u"Missing", value));
  EXPECT_FALSE(RegQueryString(u"HKCU\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt1", u"Port", value));
  EXPECT_EQ(value, u"kept");
}

TEST_F(RegistryTest, ValueLongerThanTheBufferIsNotReturned) {
  // 129 characters fit a 260-byte buffer with the terminator; 130 do not.
  Write("[HKLM\\K]\nFits=" + std::string(129, 'a') + "\nTooLong=" + std::string(130, 'b') + "\n");
  std::u16string value;
  ASSERT_TRUE(RegQueryString(u"HKLM\\K", u"Fits", value, 260));
  EXPECT_EQ(value.size(), 129u);
  EXPECT_FALSE(RegQueryString(u"HKLM\\K", u"TooLong", value, 260));
  ASSERT_TRUE(RegQueryString(u"HKLM\\K", u"TooLong", value, 520));
  EXPECT_EQ(value.size(), 130u);
}

TEST_F(RegistryTest, EnumeratesDirectSubkeysOnceInFileOrder) {
  Write(
      "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt2]\nPort=ZLDPRT002\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt1]\nPort=ZLDPRT001\n"
      "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\receipt2\\Deeper]\nX=1\n"
      "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\OnlyDeep\\Child]\nX=1\n"
      "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinterX\\NotMine]\nX=1\n"
      "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter]\nX=1\n");
  const std::vector<std::u16string> keys = RegEnumSubKeys(kPosPrinterKey);
  ASSERT_EQ(keys.size(), 3u);
  EXPECT_EQ(keys[0], u"Receipt2");
  EXPECT_EQ(keys[1], u"Receipt1");
  EXPECT_EQ(keys[2], u"OnlyDeep");
  EXPECT_TRUE(RegKeyExists(kPosPrinterKey));
  EXPECT_TRUE(RegEnumSubKeys(u"").empty());
}

TEST(RegistryEnvironment, ExpandsVariablesAndProgramFiles) {
  setenv("XJ_TEST_TOOL_DIR", "/srv/tools", 1);
  unsetenv("ProgramFiles");
  EXPECT_EQ(ProgramFilesFolder(), u"/opt");
  EXPECT_EQ(ExpandEnvironmentStrings(u"%ProgramFiles%/NORVE/x"), u"/opt/NORVE/x");
  EXPECT_EQ(ExpandEnvironmentStrings(u"%XJ_TEST_TOOL_DIR%/bin"), u"/srv/tools/bin");
  EXPECT_EQ(ExpandEnvironmentStrings(u"100%"), u"100%");
  EXPECT_EQ(ExpandEnvironmentStrings(u"%XJ_NOT_SET_ANYWHERE%/a"), u"%XJ_NOT_SET_ANYWHERE%/a");
  EXPECT_EQ(ExpandEnvironmentStrings(u"50% and %XJ_TEST_TOOL_DIR%"), u"50% and /srv/tools");
  setenv("ProgramFiles", "/tmp/pf", 1);
  EXPECT_EQ(ExpandEnvironmentStrings(u"%programfiles%\\a"), u"/tmp/pf\\a");
  unsetenv("ProgramFiles");
}
