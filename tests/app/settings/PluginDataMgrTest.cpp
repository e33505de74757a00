#include "app/settings/PluginDataMgr.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace {

std::u16string U(const std::string& s) { return plat::FromUtf8(s); }

// A block of size bytes with a valid header and a payload filled with fill.
std::vector<std::uint8_t> MakeBlock(std::uint32_t id, std::int32_t version, std::int32_t size,
                                    std::uint8_t fill) {
  std::vector<std::uint8_t> b(static_cast<std::size_t>(size), fill);
  std::memcpy(b.data(), "PND", 4);
  WriteLE32(b.data() + 4, id);
  WriteLE32(b.data() + 8, static_cast<std::uint32_t>(version));
  WriteLE32(b.data() + 12, 0);
  std::memset(b.data() + 16, 0, 16);
  return b;
}

TEST(PluginDataMgrBlocks, AddBlockBuildsAZeroedBlockWithHeader) {
  PluginDataMgr mgr;
  ASSERT_EQ(mgr.AddBlock(kPrinterInfoBlockId, 3, kPrinterInfoBlockSize), kSettingOk);
  ASSERT_EQ(mgr.BlockCount(), 1u);
  const PluginDataBlockEntry& e = mgr.GetBlockEntry(0);
  EXPECT_EQ(e.id, kPrinterInfoBlockId);
  EXPECT_EQ(e.version, 3);
  EXPECT_EQ(e.size, kPrinterInfoBlockSize);
  ASSERT_GE(e.current.size(), static_cast<std::size_t>(kPrinterInfoBlockSize));
  EXPECT_EQ(std::memcmp(e.current.data(), "PND", 4), 0);
  EXPECT_EQ(ReadLE32(e.current.data() + 4), kPrinterInfoBlockId);
  EXPECT_EQ(ReadLE32(e.current.data() + 8), 3u);
  EXPECT_EQ(ReadLE32(e.current.data() + 12), 0u) << "size field stays 0 until SetData";
  for (std::size_t i = 16; i < static_cast<std::size_t>(kPrinterInfoBlockSize); ++i)
    ASSERT_EQ(e.current[i], 0) << "byte " << i;
  EXPECT_EQ(e.initial, e.current);
}

TEST(PluginDataMgrBlocks, AddBlockRejectsSizesWithoutData) {
  PluginDataMgr mgr;
  EXPECT_EQ(mgr.AddBlock(1, 1, 0), kSettingBadSize);
  EXPECT_EQ(mgr.AddBlock(1, 1, -100), kSettingBadSize);
  EXPECT_EQ(mgr.AddBlock(1, 1, 32), kSettingBadSize);
  EXPECT_EQ(mgr.BlockCount(), 0u);
  EXPECT_EQ(mgr.AddBlock(1, 1, 33), kSettingOk);
  EXPECT_EQ(mgr.BlockCount(), 1u);
}

TEST(PluginDataMgrBlocks, DuplicateIdsAreKeptAndTheFirstOneIsUsed) {
  PluginDataMgr mgr;
  ASSERT_EQ(mgr.AddBlock(7, 1, 40), kSettingOk);
  ASSERT_EQ(mgr.AddBlock(9, 1, 40), kSettingOk);
  ASSERT_EQ(mgr.AddBlock(7, 2, 50), kSettingOk);
  EXPECT_EQ(mgr.BlockCount(), 3u);
  EXPECT_EQ(mgr.FindBlock(7), 0);
  EXPECT_EQ(mgr.FindBlock(9), 1);
  EXPECT_EQ(mgr.FindBlock(8), kSettingNotFound);

  auto block = MakeBlock(7, 2, 50, 0xAB);
  ASSERT_EQ(mgr.SetData(7, 50, block.data()), kSettingOk);
  EXPECT_EQ(mgr.GetBlockEntry(0).size, 50);
  EXPECT_EQ(mgr.GetBlockEntry(0).current[49], 0xAB);
  EXPECT_EQ(mgr.GetBlockEntry(2).current[49], 0) << "the later duplicate is untouched";
}

TEST(PluginDataMgrBlocks, SetDataStampsTheSizeAndGetDataReturnsTheBlock) {
  PluginDataMgr mgr;
  ASSERT_EQ(mgr.AddBlock(kCommRunnerBlockId, 1, kCommRunnerBlockSize), kSettingOk);
  auto block = MakeBlock(kCommRunnerBlockId, 1, kCommRunnerBlockSize, 0x11);
  WriteLE32(block.data() + kCommRunnerPermissiveOffset, 1);
  ASSERT_EQ(mgr.SetData(kCommRunnerBlockId, kCommRunnerBlockSize, block.data()), kSettingOk);
  EXPECT_EQ(ReadLE32(block.data() + 12), static_cast<std::uint32_t>(kCommRunnerBlockSize))
      << "the caller's block carries its size afterwards";

  std::vector<std::uint8_t> out(kCommRunnerBlockSize, 0xEE);
  ASSERT_EQ(mgr.GetData(kCommRunnerBlockId, out.data(), kCommRunnerBlockSize), kSettingOk);
  EXPECT_EQ(out, block);
  EXPECT_EQ(ReadLE32(out.data() + kCommRunnerPermissiveOffset), 1u);
  EXPECT_EQ(mgr.GetBlockEntry(0).initial[kCommRunnerPermissiveOffset], 0)
      << "the initial copy keeps the block as created";
}

TEST(PluginDataMgrBlocks, GetDataCopiesNoMoreThanTheBufferOrTheBlock) {
  PluginDataMgr mgr;
  ASSERT_EQ(mgr.AddBlock(5, 1, 64), kSettingOk);
  auto block = MakeBlock(5, 1, 64, 0x5A);
  ASSERT_EQ(mgr.SetData(5, 64, block.data()), kSettingOk);

  // Shorter buffer: exactly length bytes, the guard bytes after it stay.
  std::vector<std::uint8_t> small(48, 0xC3);
  ASSERT_EQ(mgr.GetData(5, small.data(), 40), kSettingOk);
  EXPECT_TRUE(std::equal(small.begin(), small.begin() + 40, block.begin()));
  for (std::size_t i = 40; i < small.size(); ++i) EXPECT_EQ(small[i], 0xC3) << "byte " << i;

  // Longer buffer: only the block's size.
  std::vector<std::uint8_t> big(100, 0xC3);
  ASSERT_EQ(mgr.GetData(5, big.data(), 100), kSettingOk);
  EXPECT_TRUE(std::equal(block.begin(), block.end(), big.begin()));
  for (std::size_t i = 64; i < big.size(); ++i) EXPECT_EQ(big[i], 0xC3) << "byte " << i;

  // Nothing to copy: no access to the buffer at all.
  EXPECT_EQ(mgr.GetData(5, nullptr, 0), kSettingOk);
  EXPECT_EQ(mgr.GetData(5, big.data(), -5), kSettingOk);
  EXPECT_EQ(mgr.GetData(5, nullptr, 10), kSettingBadData);
}

TEST(PluginDataMgrBlocks, MissingIdsAndBadArgumentsAreRefused) {
  PluginDataMgr mgr;
  auto block = MakeBlock(3, 1, 40, 1);
  std::vector<std::uint8_t> out(40);
  EXPECT_EQ(mgr.SetData(3, 40, block.data()), kSettingNotFound);
  EXPECT_EQ(mgr.GetData(3, out.data(), 40), kSettingNotFound);

  ASSERT_EQ(mgr.AddBlock(3, 1, 40), kSettingOk);
  EXPECT_EQ(mgr.SetData(3, 40, nullptr), kSettingBadData);
  // A block too small for its header would overrun the caller's memory when its size is
  // stamped, and could not be read back from the data file.
  std::uint8_t tiny[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(mgr.SetData(3, 8, tiny), kSettingBadSize);
  EXPECT_EQ(tiny[7], 8);
  EXPECT_EQ(mgr.SetData(3, 32, block.data()), kSettingBadSize);
  EXPECT_EQ(mgr.GetBlockEntry(0).size, 40) << "a refused store changes nothing";
}

TEST(PluginDataMgrBlocks, ShorterStoreKeepsTheSizeItWasGiven) {
  PluginDataMgr mgr;
  ASSERT_EQ(mgr.AddBlock(4, 1, 5000), kSettingOk);
  auto longBlock = MakeBlock(4, 1, 5000, 0x77);
  ASSERT_EQ(mgr.SetData(4, 5000, longBlock.data()), kSettingOk);
  auto shortBlock = MakeBlock(4, 1, 40, 0x22);
  ASSERT_EQ(mgr.SetData(4, 40, shortBlock.data()), kSettingOk);
  EXPECT_EQ(mgr.GetBlockEntry(0).size, 40);
  std::vector<std::uint8_t> out(5000, 0);
  ASSERT_EQ(mgr.GetData(4, out.data(), 5000), kSettingOk);
  EXPECT_EQ(out[39], 0x22);
  EXPECT_EQ(out[40], 0) << "only the stored size is handed out";
}

TEST(PluginDataMgrBlocks, RemoveBlockAndRemoveAll) {
  PluginDataMgr mgr;
  for (std::uint32_t id = 1; id <= 3; ++id) ASSERT_EQ(mgr.AddBlock(id, 1, 40), kSettingOk);
  mgr.RemoveBlock(1);
  ASSERT_EQ(mgr.BlockCount(), 2u);
  EXPECT_EQ(mgr.FindBlock(2), kSettingNotFound);
  EXPECT_EQ(mgr.FindBlock(3), 1);
  mgr.RemoveBlock(-1);
  mgr.RemoveBlock(2);
  EXPECT_EQ(mgr.BlockCount(), 2u) << "indexes out of range are ignored";
  mgr.RemoveAllBlocks();
  EXPECT_EQ(mgr.BlockCount(), 0u);
  EXPECT_EQ(mgr.FindBlock(1), kSettingNotFound);
}

TEST(PluginDataMgrBlocks, SettingsReadFlagStartsClear) {
  PluginDataMgr mgr;
  EXPECT_EQ(mgr.GetSettingsReadFlag(), kSettingsNotRead);
  mgr.SetSettingsReadFlag(kSettingsRead);
  EXPECT_EQ(mgr.GetSettingsReadFlag(), kSettingsRead);
}

TEST(PluginDataMgrPrinters, FindIsExactAndCaseSensitive) {
  PluginDataMgr mgr;
  mgr.AddPrinterEntry(u"/data", u"XJ-K52II", u"COM1");
  mgr.AddPrinterEntry(u"/data", u"XJ-K52II", u"USB001");
  EXPECT_EQ(mgr.FindPrinterEntry(u"XJ-K52II", u"COM1"), 0);
  EXPECT_EQ(mgr.FindPrinterEntry(u"XJ-K52II", u"USB001"), 1);
  EXPECT_EQ(mgr.FindPrinterEntry(u"xj-k52ii", u"COM1"), kSettingNotFound);
  EXPECT_EQ(mgr.FindPrinterEntry(u"XJ-K52II", u"com1"), kSettingNotFound);
  EXPECT_EQ(mgr.FindPrinterEntry(u"XJ-K52", u"COM1"), kSettingNotFound);
  EXPECT_EQ(mgr.FindPrinterEntry(u"", u"COM1"), kSettingNotFound);
  EXPECT_EQ(mgr.GetSettingDataPath(u"xj-k52ii", u"COM1"), u"");
}

TEST(PluginDataMgrPrinters, AddGivesEachPrinterItsOwnFolder) {
  PluginDataMgr mgr;
  EXPECT_EQ(mgr.AddPrinterEntry(u"/data", u"XJ-K52II", u"COM1"), 0);
  EXPECT_EQ(mgr.AddPrinterEntry(u"/data", u"XJ-K52II", u"COM2"), 1);
  EXPECT_EQ(mgr.AddPrinterEntry(u"/data", u"XJ-K52II", u"192.168.0.5"), 2);
  ASSERT_EQ(mgr.PrinterEntryCount(), 3u);
  const PrinterEntry& third = mgr.GetPrinterEntry(2);
  EXPECT_EQ(plat::FieldText(third.Dir), u"PORT_2");
  EXPECT_EQ(plat::FieldText(third.DataPath), u"/data/PORT_2/XJ-K52II_Setting.DAT");
  EXPECT_EQ(mgr.GetSettingDataPath(u"XJ-K52II", u"COM1"), u"/data/PORT_0/XJ-K52II_Setting.DAT");

  // The same pair again changes nothing.
  EXPECT_EQ(mgr.AddPrinterEntry(u"/other", u"XJ-K52II", u"COM2"), 1);
  EXPECT_EQ(mgr.PrinterEntryCount(), 3u);
  EXPECT_EQ(plat::FieldText(mgr.GetPrinterEntry(1).DataPath), u"/data/PORT_1/XJ-K52II_Setting.DAT");
}

TEST(PluginDataMgrPrinters, NamesThatLeaveTheDataFolderGetNoDataPath) {
  PluginDataMgr mgr;
  mgr.AddPrinterEntry(u"/data", u"../../etc/evil", u"NET1");
  mgr.AddPrinterEntry(u"/data", u"a\\b", u"NET2");
  ASSERT_EQ(mgr.PrinterEntryCount(), 2u);
  EXPECT_EQ(mgr.GetSettingDataPath(u"../../etc/evil", u"NET1"), u"");
  EXPECT_EQ(mgr.GetSettingDataPath(u"a\\b", u"NET2"), u"");
  EXPECT_EQ(mgr.ExistsSettingData(u"NET1", u"../../etc/evil"), kSettingDataMissing);

  mgr.AppendPrinterEntry(u"/data", u"XJ-K52II", u"NET3", u"..");
  EXPECT_EQ(mgr.GetSettingDataPath(u"XJ-K52II", u"NET3"), u"");
  mgr.AppendPrinterEntry(u"/data", u"XJ-K52II", u"NET4", u"x/y");
  EXPECT_EQ(mgr.GetSettingDataPath(u"XJ-K52II", u"NET4"), u"");
  mgr.AppendPrinterEntry(u"/data", u"..", u"NET5", u"PORT_5");
  EXPECT_EQ(mgr.GetSettingDataPath(u"..", u"NET5"), u"/data/PORT_5/.._Setting.DAT")
      << "a name that only looks like a parent folder stays inside its sub-folder";
}

TEST(PluginDataMgrPrinters, APathTooLongForTheFieldIsNotCut) {
  PluginDataMgr mgr;
  const std::u16string folder = u"/" + std::u16string(240, u'd');
  mgr.AddPrinterEntry(folder, u"XJ-K52II", u"COM1");
  EXPECT_EQ(mgr.GetSettingDataPath(u"XJ-K52II", u"COM1"), u"")
      << "a cut path would name another file";
  const std::u16string shorter = u"/" + std::u16string(200, u'd');
  mgr.AddPrinterEntry(shorter, u"XJ-K52II", u"COM2");
  EXPECT_EQ(mgr.GetSettingDataPath(u"XJ-K52II", u"COM2"),
            shorter + u"/PORT_1/XJ-K52II_Setting.DAT");
}

TEST(PluginDataMgrPrinters, ExistsSettingDataNeedsEntryAndFile) {
  const std::u16string data = U(testenv::MakeTempDir("exists"));
  PluginDataMgr mgr;
  EXPECT_EQ(mgr.ExistsSettingData(u"COM1", u"XJ-K52II"), kSettingDataMissing);
  mgr.AddPrinterEntry(data, u"XJ-K52II", u"COM1");
  EXPECT_EQ(mgr.ExistsSettingData(u"COM1", u"XJ-K52II"), kSettingDataMissing) << "entry without file";
  ASSERT_TRUE(testenv::WriteFile(plat::ToUtf8(mgr.GetSettingDataPath(u"XJ-K52II", u"COM1")), "x"));
  EXPECT_EQ(mgr.ExistsSettingData(u"COM1", u"XJ-K52II"), kSettingDataExists);
  EXPECT_EQ(mgr.ExistsSettingData(u"XJ-K52II", u"COM1"), kSettingDataMissing) << "port comes first";
}

}  // namespace
