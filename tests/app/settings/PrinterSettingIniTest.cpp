#include "app/settings/PrinterSettingIni.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/settings/PluginDataMgr.h"
#include "platform/Profile.h"
#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace {

std::u16string U(const std::string& s) { return plat::FromUtf8(s); }

class PrinterSettingIniTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = testenv::MakeTempDir("ini");
    ini_ = folder_ + "/PrinterSetting.INI";
  }
  std::u16string Folder() const { return U(folder_); }
  std::string folder_;
  std::string ini_;
};

TEST_F(PrinterSettingIniTest, MissingFileGivesNoEntries) {
  PluginDataMgr mgr;
  EXPECT_EQ(LoadPrinterSettingIni(mgr, Folder(), Folder()), 0);
  EXPECT_EQ(mgr.PrinterEntryCount(), 0u);
  // The first printer added afterwards gets the first folder.
  mgr.AddPrinterEntry(Folder(), u"XJ-K52II", u"COM1");
  EXPECT_EQ(plat::FieldText(mgr.GetPrinterEntry(0).Dir), u"PORT_0");
}

TEST_F(PrinterSettingIniTest, CountAnnouncesEntriesEvenWithoutTheirSections) {
  ASSERT_TRUE(testenv::WriteFile(ini_,
                                 "[INFO]\r\nCOUNT=2\r\n"
                                 "[PORT_0]\r\nDeviceName=XJ-K52II\r\nPortName=COM3\r\nDir=PORT_0\r\n"));
  const std::u16string data = U(testenv::MakeTempDir("data"));
  PluginDataMgr mgr;
  EXPECT_EQ(LoadPrinterSettingIni(mgr, Folder(), data), 2);
  ASSERT_EQ(mgr.PrinterEntryCount(), 2u);

  const PrinterEntry& first = mgr.GetPrinterEntry(0);
  EXPECT_EQ(plat::FieldText(first.DeviceName), u"XJ-K52II");
  EXPECT_EQ(plat::FieldText(first.PortName), u"COM3");
  EXPECT_EQ(plat::FieldText(first.Dir), u"PORT_0");
  EXPECT_EQ(plat::FieldText(first.DataPath), data + u"/PORT_0/XJ-K52II_Setting.DAT");

  const PrinterEntry& second = mgr.GetPrinterEntry(1);
  EXPECT_EQ(plat::FieldText(second.DeviceName), u"");
  EXPECT_EQ(plat::FieldText(second.PortName), u"");
  EXPECT_EQ(plat::FieldText(second.Dir), u"");
  EXPECT_EQ(plat::FieldText(second.DataPath), data + u"/_Setting.DAT");

  // A new printer continues the numbering after the announced entries.
  EXPECT_EQ(mgr.AddPrinterEntry(data, u"XJ-K52II", u"COM4"), 2);
  EXPECT_EQ(plat::FieldText(mgr.GetPrinterEntry(2).Dir), u"PORT_2");
}

TEST_F(PrinterSettingIniTest, SectionNamesAreMatchedWithoutLetterCase) {
  ASSERT_TRUE(testenv::WriteFile(ini_,
                                 "[info]\ncount = 2\n"
                                 "[port_1]\ndevicename = XJ-K52II\nPORTNAME=LPT1\ndir=PORT_1\n"));
  PluginDataMgr mgr;
  EXPECT_EQ(LoadPrinterSettingIni(mgr, Folder(), Folder()), 2);
  EXPECT_EQ(mgr.FindPrinterEntry(u"XJ-K52II", u"LPT1"), 1);
}

TEST_F(PrinterSettingIniTest, DamagedCountIsBounded) {
  ASSERT_TRUE(testenv::WriteFile(ini_, "[INFO]\nCOUNT=-3\n[PORT_0]\nDeviceName=A\n"));
  PluginDataMgr none;
  EXPECT_EQ(LoadPrinterSettingIni(none, Folder(), Folder()), 0);

  ASSERT_TRUE(testenv::WriteFile(ini_, "[INFO]\nCOUNT=2000000000\n[PORT_0]\nDeviceName=A\nPortName=B\nDir=PORT_0\n"));
  PluginDataMgr many;
  EXPECT_EQ(LoadPrinterSettingIni(many, Folder(), Folder()), kMaxPrinterEntries);
  EXPECT_EQ(many.FindPrinterEntry(u"A", u"B"), 0);

  ASSERT_TRUE(testenv::WriteFile(ini_, "[INFO]\nCOUNT=abc\n"));
  PluginDataMgr text;
  EXPECT_EQ(LoadPrinterSettingIni(text, Folder(), Folder()), 0);
}

TEST_F(PrinterSettingIniTest, SaveWithoutEntriesLeavesTheFileAlone) {
  const std::string original = "; kept exactly\r\n[INFO]\r\nCOUNT=5\r\n[PORT_0]\r\nDir=PORT_0\r\n";
  ASSERT_TRUE(testenv::WriteFile(ini_, original));
  PluginDataMgr mgr;
  EXPECT_EQ(SavePrinterSettingIni(mgr, Folder()), 0);
  EXPECT_EQ(testenv::ReadFile(ini_), original);

  const std::string empty = testenv::MakeTempDir("empty");
  EXPECT_EQ(SavePrinterSettingIni(mgr, U(empty)), 0);
  EXPECT_FALSE(std::filesystem::exists(empty + "/PrinterSetting.INI"));
}

TEST_F(PrinterSettingIniTest, SaveWritesEveryEntryAndLoadReadsThemBack) {
  PluginDataMgr mgr;
  mgr.AddPrinterEntry(Folder(), u"XJ-K52II", u"COM1");
  mgr.AddPrinterEntry(Folder(), u"XJ-K52II", u"192.168.1.20");
  mgr.AddPrinterEntry(Folder(), u"XJ-K52II", u"USB\u00e9\u65e5");
  EXPECT_EQ(SavePrinterSettingIni(mgr, Folder()), 3);

  const std::u16string ini = U(ini_);
  EXPECT_EQ(plat::ProfileString(u"INFO", u"COUNT", u"", ini), u"3");
  EXPECT_EQ(plat::ProfileString(u"PORT_1", u"PortName", u"", ini), u"192.168.1.20");
  EXPECT_EQ(plat::ProfileString(u"PORT_2", u"Dir", u"", ini), u"PORT_2");
  EXPECT_EQ(plat::ProfileString(u"PORT_2", u"DeviceName", u"", ini), u"XJ-K52II");

  PluginDataMgr again;
  EXPECT_EQ(LoadPrinterSettingIni(again, Folder(), Folder()), 3);
  for (std::size_t i = 0; i < 3; ++i) {
    const PrinterEntry& a = mgr.GetPrinterEntry(i);
    const PrinterEntry& b = again.GetPrinterEntry(i);
    EXPECT_EQ(plat::FieldText(a.DeviceName), plat::FieldText(b.DeviceName));
    EXPECT_EQ(plat::FieldText(a.PortName), plat::FieldText(b.PortName));
    EXPECT_EQ(plat::FieldText(a.Dir), plat::FieldText(b.Dir));
    EXPECT_EQ(plat::FieldText(a.DataPath), plat::FieldText(b.DataPath));
  }
}

TEST_F(PrinterSettingIniTest, SaveKeepsSectionsOfHigherNumbersAndOtherKeys) {
  ASSERT_TRUE(testenv::WriteFile(ini_,
                                 "[INFO]\nCOUNT=4\nOWNER=someone\n"
                                 "[PORT_0]\nDeviceName=OLD\nPortName=OLD\nDir=PORT_0\n"
                                 "[PORT_3]\nDeviceName=XJ-K52II\nPortName=LPT9\nDir=PORT_3\n"));
  PluginDataMgr mgr;
  mgr.AddPrinterEntry(Folder(), u"XJ-K52II", u"COM1");
  EXPECT_EQ(SavePrinterSettingIni(mgr, Folder()), 1);

  const std::u16string ini = U(ini_);
  EXPECT_EQ(plat::ProfileString(u"INFO", u"COUNT", u"", ini), u"1");
  EXPECT_EQ(plat::ProfileString(u"INFO", u"OWNER", u"", ini), u"someone");
  EXPECT_EQ(plat::ProfileString(u"PORT_0", u"PortName", u"", ini), u"COM1");
  EXPECT_EQ(plat::ProfileString(u"PORT_3", u"PortName", u"", ini), u"LPT9");
  EXPECT_EQ(plat::ProfileString(u"PORT_3", u"Dir", u"", ini), u"PORT_3");
}

// The index is replaced in one step: an entry that cannot be written (a line break in a
// name) fails the save before anything of it reaches the file.
TEST_F(PrinterSettingIniTest, AnEntryThatCannotBeWrittenLeavesTheOldIndexWhole) {
  const std::string old = "[INFO]\nCOUNT=1\n[PORT_0]\nDeviceName=OLD\nPortName=OLD\nDir=PORT_0\n";
  ASSERT_TRUE(testenv::WriteFile(ini_, old));
  PluginDataMgr mgr;
  mgr.AddPrinterEntry(Folder(), u"XJ-K52II", u"COM1");
  ASSERT_EQ(mgr.AppendPrinterEntry(Folder(), u"Two\nLines", u"COM2", u"PORT_1"), kSettingOk);
  EXPECT_EQ(SavePrinterSettingIni(mgr, Folder()), kSettingCannotOpen);
  EXPECT_EQ(testenv::ReadFile(ini_), old);
}

// Every entry reads back as it was saved: blanks at either end and a pair of quotes
// around a name survive (found by fuzzing: a port name ending in a tab came back
// without it, so the printer's entry was never found again), an unpaired surrogate is
// kept as the U+FFFD the file holds, and a name of full length with its quotes is read
// whole.
TEST_F(PrinterSettingIniTest, EntriesReadBackAsTheyWereSaved) {
  const std::u16string full(kEntryTextCapacity - 1, u'n');
  const std::u16string names[][3] = {
      {u" XJ-K52II ", u"COM1\t", u"PORT_0"},
      {u"\"quoted\"", u"'single'", u"\"open"},
      {u"Lone \xD800 half", u"NET 10.0.0.1", u"PORT_2"},
      {u" " + full.substr(1), full, u"PORT_3"},
  };
  PluginDataMgr mgr;
  for (const auto& n : names) ASSERT_EQ(mgr.AppendPrinterEntry(Folder(), n[0], n[1], n[2]), kSettingOk);
  ASSERT_EQ(SavePrinterSettingIni(mgr, Folder()), 4);

  PluginDataMgr back;
  ASSERT_EQ(LoadPrinterSettingIni(back, Folder(), Folder()), 4);
  for (std::size_t i = 0; i < 4; ++i) {
    const PrinterEntry& e = back.GetPrinterEntry(i);
    const std::u16string device = i == 2 ? u"Lone \uFFFD half" : names[i][0];
    EXPECT_EQ(plat::FieldText(e.DeviceName), device) << i;
    EXPECT_EQ(plat::FieldText(e.PortName), names[i][1]) << i;
    EXPECT_EQ(plat::FieldText(e.Dir), names[i][2]) << i;
  }
  EXPECT_EQ(back.FindPrinterEntry(u" XJ-K52II ", u"COM1\t"), 0);
}

TEST_F(PrinterSettingIniTest, SaveIntoAFolderThatDoesNotExistReportsFailure) {
  PluginDataMgr mgr;
  mgr.AddPrinterEntry(Folder(), u"XJ-K52II", u"COM1");
  const std::u16string missing = Folder() + u"/no/such/folder";
  EXPECT_EQ(SavePrinterSettingIni(mgr, missing), kSettingCannotOpen);
}

}  // namespace
