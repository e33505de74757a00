#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/InstalledPrinters.h"
#include "tests/support/TestEnv.h"

using namespace plat;

TEST(InstalledPrinters, SuppliedListReplacesThePrintSystemUntilRestored) {
  const std::vector<InstalledPrinter> fake = {
      {u"Receipt A", u"Receipt A", u"NORVE XJ-K52II Receipt5"},
      {u"Office", u"Office", u"Generic PostScript"},
  };
  InstalledPrinterSource previous = SetInstalledPrinterSource([fake] { return fake; });
  EXPECT_FALSE(previous);
  const std::vector<InstalledPrinter> got = EnumInstalledPrinters();
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].name, u"Receipt A");
  EXPECT_EQ(got[1].driverName, u"Generic PostScript");
  InstalledPrinterSource mine = SetInstalledPrinterSource({});
  EXPECT_TRUE(mine);
}

TEST(InstalledPrinters, UnreachablePrintServerGivesAnEmptyList) {
  // A print server socket that does not exist in this test's private folder: the query
  // must fail cleanly and report no printers.
  const std::string socket = testenv::MakeTempDir("cups") + "/no-server.sock";
  setenv("CUPS_SERVER", socket.c_str(), 1);
  EXPECT_TRUE(EnumInstalledPrinters().empty());
  unsetenv("CUPS_SERVER");
}
