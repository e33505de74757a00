#include <gtest/gtest.h>

#include "comm/PrinterListRules.h"
#include "platform/Folders.h"
#include "platform/Registry.h"
#include "platform/Text.h"
#include "tests/support/PortRecords.h"
#include "tests/support/TestEnv.h"

namespace {

class DriverPortTest : public testing::Test {
 protected:
  void WriteRegistry(const std::string& text) {
    ASSERT_TRUE(testenv::WriteFile(plat::ToUtf8(plat::RegistryFilePath()), text));
  }
  void TearDown() override { plat::RemoveFile(plat::RegistryFilePath()); }
};

}  // namespace

TEST(PrinterListRules, DriverPortNameComesFromThePipePath) {
  EXPECT_EQ(DriverPortNameFromPath(u"PIPE://XJ/ZLDPRT003"), u"ZLDPRT003");
  EXPECT_EQ(DriverPortNameFromPath(u"pipe://xj/queue/ZldPrt12/more"), u"ZldPrt12");
  EXPECT_EQ(DriverPortNameFromPath(u"pipe://xj/\"zldprt7\" rest"), u"zldprt7");
  // A quote ends the name before a slash does.
  EXPECT_EQ(DriverPortNameFromPath(u"pipe://xj/zldprt7/a\"b"), u"zldprt7/a");
  // The name must follow the pipe prefix.
  EXPECT_EQ(DriverPortNameFromPath(u"zldprt1 pipe://xj/other"), u"");
  EXPECT_EQ(DriverPortNameFromPath(u"tcp://127.0.0.1/zldprt1"), u"");
  EXPECT_EQ(DriverPortNameFromPath(u""), u"");
}

TEST(PrinterListRules, DriverPortNumberNeverReadsPastShortTexts) {
  EXPECT_EQ(DriverPortNumber(u"ZLDPRT012"), 12);
  EXPECT_EQ(DriverPortNumber(u"ZLDPRT"), 0);
  EXPECT_EQ(DriverPortNumber(u"ZLD"), 0);
  EXPECT_EQ(DriverPortNumber(u"ZLDPRTx5"), 0);
}

TEST_F(DriverPortTest, ColumnShowsTheMatchingPosDevicePort) {
  WriteRegistry(
      "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Short]\nPort=ZLD\n"
      "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt2]\nPort=ZLDPRT002\n"
      "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Receipt1]\nPort=ZLDPRT001\n"
      "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Again1]\nPort=ZLDPRT01\n"
      "[HKLM\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter\\Zero]\nPort=ZLDPRT000\n");
  EXPECT_EQ(DriverPortColumnText(u"pipe://xj/ZLDPRT1"), u"(ZLDPRT001)");
  EXPECT_EQ(DriverPortColumnText(u"pipe://xj/zldprt002"), u"(ZLDPRT002)");
  EXPECT_EQ(DriverPortColumnText(u"pipe://xj/ZLDPRT0"), u"");  // number 0 never matches
  EXPECT_EQ(DriverPortColumnText(u"pipe://xj/ZLDPRT9"), u"");
  EXPECT_EQ(DriverPortColumnText(u"127.0.0.1"), u"");
}

TEST(PrinterListRules, PathPieces) {
  EXPECT_EQ(PathLastSegment(u"pipe://xj/ZLDPRT001"), u"ZLDPRT001");
  EXPECT_EQ(PathLastSegment(u"queue"), u"queue");
  EXPECT_EQ(PathLastSegment(u"a/"), u"");
  EXPECT_EQ(PathUpToLastSlash(u"pipe://xj/ZLDPRT001"), u"pipe://xj/");
  EXPECT_EQ(PathUpToLastSlash(u"queue"), u"");
}

TEST(PrinterListRules, InstalledPrintersAreFilteredAndBound) {
  std::vector<PortRecord> ports = {MakePortRecord({.kind = u"NET", .portName = u"first", .path = u"pipe://xj/Q1"}),
                                   MakePortRecord({.kind = u"NET", .portName = u"second", .path = u"Q2"}),
                                   MakePortRecord({.kind = u"NET", .portName = u"duplicate", .path = u"pipe://xj/Q1"})};
  const std::vector<plat::InstalledPrinter> printers = {
      {u"A", u"Q1", u"NORVE XJ-K52II Receipt5"},
      {u"B", u"Q2", u"NORVE XJ-K52II Label5 v2"},
      {u"C", u"Q3", u"NORVE XJ-K52II Receipt5"},
      {u"D", u"Q1", u"NORVE XJ-K52II"},          // no kind mark
      {u"E", u"Q1", u"NORVE XJ-K52IIReceipt5"},  // the mark needs its blank
      {u"F", u"Q1", u"OTHER Receipt5"},          // driver filter
  };
  const auto entries = BuildInstalledPrinterEntries(printers, ports.data(), ports.size(), u"NORVE XJ-K52II", u"");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, u"A");
  EXPECT_EQ(entries[0].record, &ports[0]);
  EXPECT_EQ(entries[0].ownedRecord, nullptr);
  EXPECT_EQ(entries[1].record, &ports[1]);
  EXPECT_EQ(entries[2].name, u"C");
  ASSERT_NE(entries[2].ownedRecord, nullptr);
  EXPECT_EQ(entries[2].record, entries[2].ownedRecord.get());
  EXPECT_EQ(plat::FieldText(entries[2].record->portName), u"Q3");
  EXPECT_EQ(plat::FieldText(entries[2].record->deviceName), u"NORVE XJ-K52II Receipt5");
  EXPECT_EQ(entries[2].record->origin, kPortOriginInstalledPrinter);
  EXPECT_EQ(entries[2].record->kind[0], u'\0');
  EXPECT_EQ(entries[2].record->presetA, 0);

  const auto named = BuildInstalledPrinterEntries(printers, ports.data(), ports.size(), u"NORVE XJ-K52II", u"B");
  ASSERT_EQ(named.size(), 1u);
  EXPECT_EQ(named[0].name, u"B");
  // Without registered ports every printer gets a record of its own.
  const auto unbound = BuildInstalledPrinterEntries(printers, nullptr, 0, u"NORVE XJ-K52II", u"");
  ASSERT_EQ(unbound.size(), 3u);
  EXPECT_NE(unbound[0].ownedRecord, nullptr);
}

TEST(PrinterListRules, UnboundPrinterPrintsThroughThePortOfItsDeviceUri) {
  const std::vector<plat::InstalledPrinter> printers = {
      {u"Counter", u"Counter", u"NORVE XJ-K52II Receipt5", "socket://127.0.0.1:9101"},
      {u"Office", u"Office", u"NORVE XJ-K52II Receipt5", "ipp://server/printers/receipt"},
  };
  const auto entries = BuildInstalledPrinterEntries(printers, nullptr, 0, u"NORVE XJ-K52II", u"");
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].device.problem, QueueDeviceProblem::None);
  EXPECT_EQ(plat::FieldText(entries[0].record->kind), u"NET");
  EXPECT_EQ(plat::FieldText(entries[0].record->portName), u"127.0.0.1:9101");
  EXPECT_EQ(plat::FieldText(entries[0].record->deviceName), u"NORVE XJ-K52II Receipt5");
  EXPECT_EQ(entries[0].record->origin, kPortOriginInstalledPrinter);
  // A queue behind a print server keeps its name as the port and says why.
  EXPECT_EQ(entries[1].device.problem, QueueDeviceProblem::PrintServer);
  EXPECT_EQ(entries[1].deviceUri, "ipp://server/printers/receipt");
  EXPECT_EQ(plat::FieldText(entries[1].record->kind), u"");
  EXPECT_EQ(plat::FieldText(entries[1].record->portName), u"Office");
}

TEST(PrinterListRules, OwnRecordCutsLongNamesToTheField) {
  const std::u16string longName(400, u'q');
  const std::vector<plat::InstalledPrinter> printers = {{u"A", longName, u"NORVE XJ-K52II Receipt5"}};
  const auto entries = BuildInstalledPrinterEntries(printers, nullptr, 0, u"NORVE XJ-K52II", u"");
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(plat::FieldText(entries[0].record->portName).size(), 259u);
}
