#include "app/settings/SettingDataFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/settings/PluginDataMgr.h"
#include "platform/Text.h"
#include "tests/app/settings/AllocationProbe.h"
#include "tests/app/settings/DataFileBuilder.h"
#include "tests/support/TestEnv.h"

namespace fs = std::filesystem;

namespace {

std::u16string U(const std::string& s) { return plat::FromUtf8(s); }

// Stores payload as the block's data through the manager's own interface.
void Store(PluginDataMgr& mgr, std::uint32_t id, std::uint32_t version, const std::string& payload) {
  std::string block = datafile::Block(id, version, payload);
  ASSERT_EQ(mgr.AddBlock(id, static_cast<std::int32_t>(version), static_cast<std::int32_t>(block.size())),
            kSettingOk);
  ASSERT_EQ(mgr.SetData(id, static_cast<std::int32_t>(block.size()), block.data()), kSettingOk);
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  return names;
}

class SettingDataFileTest : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = testenv::MakeTempDir("dat");
    path_ = folder_ + "/XJ-K52II_Setting.DAT";
  }
  std::int32_t Read(PluginDataMgr& mgr) { return ReadSettingData(mgr, U(path_)); }
  std::int32_t ReadBytes(PluginDataMgr& mgr, const std::string& bytes) {
    EXPECT_TRUE(testenv::WriteFile(path_, bytes));
    return Read(mgr);
  }
  std::int32_t Write(const PluginDataMgr& mgr) {
    return WriteSettingData(mgr, u"XJ-K52II", U(path_), kDataFileHeaderValue, kDataFileHeaderValue);
  }
  std::string folder_;
  std::string path_;
};

// ---- writing -------------------------------------------------------------------------

TEST_F(SettingDataFileTest, WrittenFileMatchesTheLayoutByteForByte) {
  PluginDataMgr mgr;
  const std::string info = datafile::Pattern(kPrinterInfoBlockSize - 32, 1);
  const std::string runner = datafile::Pattern(kCommRunnerBlockSize - 32, 2);
  Store(mgr, kPrinterInfoBlockId, 2, info);
  Store(mgr, kCommRunnerBlockId, 1, runner);
  mgr.SetSettingsReadFlag(kSettingsRead);
  ASSERT_EQ(Write(mgr), kSettingDataWritten);

  const std::string expected = datafile::File({datafile::Block(kPrinterInfoBlockId, 2, info),
                                               datafile::Block(kCommRunnerBlockId, 1, runner)});
  const std::string actual = testenv::ReadFile(path_);
  ASSERT_EQ(actual.size(), 136u + 992u + 184u);
  for (std::size_t i = 0; i < expected.size(); ++i)
    ASSERT_EQ(static_cast<int>(static_cast<unsigned char>(actual[i])),
              static_cast<int>(static_cast<unsigned char>(expected[i])))
        << "byte " << i;
  EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"XJ-K52II_Setting.DAT"});
}

TEST_F(SettingDataFileTest, HeaderCarriesTheGivenValuesAndModelName) {
  PluginDataMgr mgr;
  Store(mgr, 9, 1, "abc");
  mgr.SetSettingsReadFlag(kSettingsRead);
  ASSERT_EQ(WriteSettingData(mgr, u"XJ-\u00e9\u65e5", U(path_), 0x11223344, 0x55667788), kSettingDataWritten);
  const std::string f = testenv::ReadFile(path_);
  ASSERT_GE(f.size(), 136u);
  EXPECT_EQ(datafile::GetLE32(f, 4), 0x11223344u);
  EXPECT_EQ(datafile::GetLE32(f, 8), 0x55667788u);
  EXPECT_EQ(datafile::GetLE32(f, 12), 1u);
  EXPECT_EQ(f.substr(80, 6), std::string("XJ-??\0", 6)) << "non-ASCII characters become '?'";

  // A model name longer than its field stops at the field's end.
  ASSERT_EQ(WriteSettingData(mgr, std::u16string(100, u'M'), U(path_), 1, 1), kSettingDataWritten);
  const std::string g = testenv::ReadFile(path_);
  EXPECT_EQ(g.substr(80, 56), std::string(56, 'M'));
  EXPECT_EQ(g.substr(136, 4), std::string("PND\0", 4));
}

TEST_F(SettingDataFileTest, WriteAndReadRoundTrip) {
  PluginDataMgr mgr;
  Store(mgr, kPrinterInfoBlockId, 1, datafile::Pattern(960, 3));
  Store(mgr, 0x00020001, 7, datafile::Pattern(10000, 4));
  Store(mgr, 0x00030001, 1, std::string(1, '\xff'));
  mgr.SetSettingsReadFlag(kSettingsRead);
  ASSERT_EQ(Write(mgr), kSettingDataWritten);

  PluginDataMgr back;
  ASSERT_EQ(Read(back), kSettingOk);
  ASSERT_EQ(back.BlockCount(), mgr.BlockCount());
  for (std::size_t i = 0; i < mgr.BlockCount(); ++i) {
    const PluginDataBlockEntry& a = mgr.GetBlockEntry(i);
    const PluginDataBlockEntry& b = back.GetBlockEntry(i);
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.version, b.version);
    ASSERT_EQ(a.size, b.size);
    std::vector<std::uint8_t> da(static_cast<std::size_t>(a.size)), db(da.size());
    ASSERT_EQ(mgr.GetData(a.id, da.data(), a.size), kSettingOk);
    ASSERT_EQ(back.GetData(b.id, db.data(), b.size), kSettingOk);
    EXPECT_EQ(da, db) << "block " << i;
  }
}

// Whatever the manager holds, the file written reads back with the blocks its lookups
// give, under the same ids: a file that had one id twice (the second block lands in the
// first entry, the second entry stays a zeroed block with a size field of 0), a block
// created and never filled, and a block a page stored with another block's header. Each
// of them used to make the written file unreadable, or file a block under another id.
TEST_F(SettingDataFileTest, WrittenFileReadsBackWhateverTheManagerHolds) {
  PluginDataMgr mgr;
  ASSERT_EQ(ReadBytes(mgr, datafile::File({datafile::Block(0x20001, 1, std::string(8, 'A')),
                                           datafile::Block(0x20001, 1, std::string(16, 'B'))})),
            kSettingOk);
  ASSERT_EQ(mgr.BlockCount(), 2u);
  ASSERT_EQ(mgr.AddBlock(7, 1, 40), kSettingOk);
  std::string foreign = datafile::Block(99, 3, datafile::Pattern(20, 5));
  foreign[0] = 'X';
  ASSERT_EQ(mgr.AddBlock(5, 3, static_cast<std::int32_t>(foreign.size())), kSettingOk);
  ASSERT_EQ(mgr.SetData(5, static_cast<std::int32_t>(foreign.size()), foreign.data()), kSettingOk);
  mgr.SetSettingsReadFlag(kSettingsRead);
  ASSERT_EQ(Write(mgr), kSettingDataWritten);
  EXPECT_EQ(datafile::GetLE32(testenv::ReadFile(path_), 12), 3u) << "one block per id";

  PluginDataMgr back;
  ASSERT_EQ(Read(back), kSettingOk);
  ASSERT_EQ(back.BlockCount(), 3u);
  EXPECT_EQ(back.FindBlock(99), kSettingNotFound);
  for (std::uint32_t id : {0x20001u, 7u, 5u}) {
    const std::int32_t i = mgr.FindBlock(id);
    const std::int32_t j = back.FindBlock(id);
    ASSERT_GE(j, 0) << "block " << id;
    const std::int32_t size = mgr.GetBlockEntry(static_cast<std::size_t>(i)).size;
    ASSERT_EQ(back.GetBlockEntry(static_cast<std::size_t>(j)).size, size) << "block " << id;
    std::string before(static_cast<std::size_t>(size), '\0'), after(before.size(), '\0');
    ASSERT_EQ(mgr.GetData(id, before.data(), size), kSettingOk);
    ASSERT_EQ(back.GetData(id, after.data(), size), kSettingOk);
    // What the reader goes by comes from the entry; everything else is the block's own.
    before.replace(0, 4, std::string("PND\0", 4));
    datafile::PutLE32(before, 4, id);
    datafile::PutLE32(before, 12, static_cast<std::uint32_t>(size));
    EXPECT_EQ(after, before) << "block " << id;
  }
  EXPECT_EQ(back.GetBlockEntry(static_cast<std::size_t>(back.FindBlock(5))).version, 3) << "the block keeps its version";
}

TEST_F(SettingDataFileTest, WriteWithFlagClearTouchesNothing) {
  PluginDataMgr mgr;
  Store(mgr, 1, 1, "data");
  const std::string sub = folder_ + "/PORT_0";
  const std::u16string path = U(sub + "/XJ-K52II_Setting.DAT");
  EXPECT_EQ(WriteSettingData(mgr, u"XJ-K52II", path, kDataFileHeaderValue, kDataFileHeaderValue), kSettingDataNotWritten);
  EXPECT_FALSE(fs::exists(sub));
  mgr.SetSettingsReadFlag(2);
  EXPECT_EQ(WriteSettingData(mgr, u"XJ-K52II", path, kDataFileHeaderValue, kDataFileHeaderValue), kSettingDataNotWritten);
  EXPECT_FALSE(fs::exists(sub));
}

TEST_F(SettingDataFileTest, WriteCreatesOneMissingFolderLevelOnly) {
  PluginDataMgr mgr;
  Store(mgr, 1, 1, "data");
  mgr.SetSettingsReadFlag(kSettingsRead);
  const std::string one = folder_ + "/PORT_0/XJ-K52II_Setting.DAT";
  EXPECT_EQ(WriteSettingData(mgr, u"XJ-K52II", U(one), 1, 1), kSettingDataWritten);
  EXPECT_TRUE(fs::is_regular_file(one));

  const std::string two = folder_ + "/A/B/XJ-K52II_Setting.DAT";
  EXPECT_EQ(WriteSettingData(mgr, u"XJ-K52II", U(two), 1, 1), kSettingDataNotWritten);
  EXPECT_FALSE(fs::exists(folder_ + "/A"));
}

TEST_F(SettingDataFileTest, WriteReplacesTheOldFileCompletely) {
  ASSERT_TRUE(testenv::WriteFile(path_, std::string(5000, 'z')));
  PluginDataMgr mgr;
  Store(mgr, 1, 1, "new");
  mgr.SetSettingsReadFlag(kSettingsRead);
  ASSERT_EQ(Write(mgr), kSettingDataWritten);
  EXPECT_EQ(testenv::ReadFile(path_), datafile::File({datafile::Block(1, 1, "new")}));
}

TEST_F(SettingDataFileTest, WriteOntoAFolderFailsAndLeavesNoTemporaryFile) {
  fs::create_directories(path_);
  PluginDataMgr mgr;
  Store(mgr, 1, 1, "x");
  mgr.SetSettingsReadFlag(kSettingsRead);
  EXPECT_EQ(Write(mgr), kSettingDataNotWritten);
  EXPECT_TRUE(fs::is_directory(path_));
  EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"XJ-K52II_Setting.DAT"});
}

// The write runs in a child process whose files may not grow beyond a few kilobytes, so
// it fails in the middle of the blocks. The old file must survive unchanged.
TEST_F(SettingDataFileTest, WriteThatFailsHalfWayKeepsTheOldFile) {
  const std::string old = datafile::File({datafile::Block(1, 1, datafile::Pattern(100, 9))});
  ASSERT_TRUE(testenv::WriteFile(path_, old));
  PluginDataMgr mgr;
  Store(mgr, 1, 1, datafile::Pattern(6000, 5));
  Store(mgr, 2, 1, datafile::Pattern(6000, 6));
  mgr.SetSettingsReadFlag(kSettingsRead);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit {4096, 4096};
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(99);
    ::_exit(Write(mgr));
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), kSettingDataNotWritten) << "the write must report failure";
  EXPECT_EQ(testenv::ReadFile(path_), old);
  EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{"XJ-K52II_Setting.DAT"});

  // Without the limit the same write succeeds.
  ASSERT_EQ(Write(mgr), kSettingDataWritten);
  EXPECT_EQ(testenv::ReadFile(path_).size(), 136u + 2 * 6032u);
}

// A device name near the file system's limit for one name leaves no room for a suffix
// on the temporary file; the write must still succeed and leave only the data file.
TEST_F(SettingDataFileTest, WriteOfAFileWithALongNameSucceeds) {
  const std::string name = std::string(255 - 12, 'L') + "_Setting.DAT";
  ASSERT_EQ(name.size(), 255u);
  const std::string path = folder_ + "/" + name;
  PluginDataMgr mgr;
  Store(mgr, 1, 1, "long");
  mgr.SetSettingsReadFlag(kSettingsRead);
  ASSERT_EQ(WriteSettingData(mgr, u"XJ-K52II", U(path), 1, 1), kSettingDataWritten);
  EXPECT_EQ(testenv::ReadFile(path).substr(136), datafile::Block(1, 1, "long"));
  EXPECT_EQ(FolderEntries(folder_), std::vector<std::string>{name});
}

// ---- reading -------------------------------------------------------------------------

TEST_F(SettingDataFileTest, MissingOrUnopenableFileGivesMinus2) {
  PluginDataMgr mgr;
  Store(mgr, 1, 1, "kept?");
  EXPECT_EQ(Read(mgr), kSettingCannotOpen);
  EXPECT_EQ(mgr.BlockCount(), 0u) << "a failed read leaves no blocks";

  fs::create_directories(path_);
  PluginDataMgr dir;
  EXPECT_EQ(Read(dir), kSettingCannotOpen);
}

TEST_F(SettingDataFileTest, FileLockedByAnotherReaderGivesMinus2) {
  ASSERT_TRUE(testenv::WriteFile(path_, datafile::File({datafile::Block(1, 1, "abc")})));
  const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
  PluginDataMgr mgr;
  EXPECT_EQ(Read(mgr), kSettingCannotOpen);
  ::close(fd);
  EXPECT_EQ(Read(mgr), kSettingOk) << "readable again once released";
  EXPECT_EQ(mgr.BlockCount(), 1u);
}

TEST_F(SettingDataFileTest, CountZeroIsAnEmptySuccess) {
  PluginDataMgr mgr;
  EXPECT_EQ(ReadBytes(mgr, datafile::Header(0)), kSettingOk);
  EXPECT_EQ(mgr.BlockCount(), 0u);
  // Bytes after the announced blocks are not looked at.
  EXPECT_EQ(ReadBytes(mgr, datafile::Header(0) + "trailing garbage"), kSettingOk);
  EXPECT_EQ(mgr.BlockCount(), 0u);
}

TEST_F(SettingDataFileTest, OnlyMagicCountAndBlocksMatter) {
  std::string f = datafile::File({datafile::Block(4, 2, "payload")});
  for (std::size_t i = 4; i < 136; ++i)
    if (i < 12 || i >= 16) f[i] = '\x5c';
  PluginDataMgr mgr;
  EXPECT_EQ(ReadBytes(mgr, f), kSettingOk);
  ASSERT_EQ(mgr.BlockCount(), 1u);
  EXPECT_EQ(mgr.GetBlockEntry(0).version, 2);
}

TEST_F(SettingDataFileTest, ReadIntoAnEarlierEntryWithTheSameId) {
  PluginDataMgr mgr;
  ASSERT_EQ(mgr.AddBlock(0x10, 1, 40), kSettingOk);
  const std::string payload = datafile::Pattern(8, 7);
  ASSERT_EQ(ReadBytes(mgr, datafile::File({datafile::Block(0x10, 5, payload)})), kSettingOk);
  ASSERT_EQ(mgr.BlockCount(), 2u);
  const PluginDataBlockEntry& earlier = mgr.GetBlockEntry(0);
  const PluginDataBlockEntry& added = mgr.GetBlockEntry(1);
  EXPECT_EQ(earlier.size, 40);
  EXPECT_EQ(std::string(earlier.current.begin() + 32, earlier.current.begin() + 40), payload);
  EXPECT_EQ(datafile::GetLE32(std::string(earlier.current.begin(), earlier.current.end()), 8), 5u)
      << "the file's block replaced the earlier one whole, header included";
  EXPECT_EQ(added.version, 5);
  for (std::size_t i = 32; i < 40; ++i) EXPECT_EQ(added.current[i], 0) << "new entry stays zeroed";
}

TEST_F(SettingDataFileTest, BlockOf32BytesIsMalformedAndRemovesEverything) {
  PluginDataMgr mgr;
  Store(mgr, 0x99, 1, "held before");
  const std::string f = datafile::Header(2) + datafile::Block(1, 1, "good") +
                        datafile::BlockHeader(2, 1, 32);
  EXPECT_EQ(ReadBytes(mgr, f), kSettingBadData);
  EXPECT_EQ(mgr.BlockCount(), 0u);
}

TEST_F(SettingDataFileTest, MalformedFilesGiveMinus3) {
  const std::string good = datafile::File({datafile::Block(1, 1, "abcd")});
  struct Case {
    const char* what;
    std::string bytes;
  };
  std::string badFileMagic = good;
  badFileMagic[1] = 'X';
  std::string badBlockMagic = good;
  badBlockMagic[136 + 2] = 'd';
  std::string zeroSize = good;
  datafile::PutLE32(zeroSize, 136 + 12, 0);
  std::string hugeSize = good;
  datafile::PutLE32(hugeSize, 136 + 12, 0x80000010u);
  const Case cases[] = {{"file magic", badFileMagic},
                        {"block magic", badBlockMagic},
                        {"size 0", zeroSize},
                        {"size beyond the int range", hugeSize}};
  for (const Case& c : cases) {
    PluginDataMgr mgr;
    EXPECT_EQ(ReadBytes(mgr, c.bytes), kSettingBadData) << c.what;
    EXPECT_EQ(mgr.BlockCount(), 0u) << c.what;
  }
}

TEST_F(SettingDataFileTest, TruncatedFilesGiveMinus4) {
  const std::string good = datafile::File({datafile::Block(1, 1, "first"), datafile::Block(2, 1, "second")});
  const std::size_t cuts[] = {0, 3, 135, 136 + 31, 136 + 36, good.size() - 1};
  for (std::size_t cut : cuts) {
    PluginDataMgr mgr;
    Store(mgr, 0x77, 1, "held before");
    EXPECT_EQ(ReadBytes(mgr, good.substr(0, cut)), kSettingReadError) << "cut at " << cut;
    EXPECT_EQ(mgr.BlockCount(), 0u) << "cut at " << cut;
  }
  // A count larger than the blocks present.
  std::string more = good;
  datafile::PutLE32(more, 12, 3);
  PluginDataMgr mgr;
  EXPECT_EQ(ReadBytes(mgr, more), kSettingReadError);
  EXPECT_EQ(mgr.BlockCount(), 0u);
}

TEST_F(SettingDataFileTest, BlockSizeBeyondTheFileIsRejectedBeforeAllocating) {
  const std::uint32_t sizes[] = {0x7FFFFFF0u, 0x10000000u, 1000u};
  for (std::uint32_t size : sizes) {
    const std::string f = datafile::Header(1) + datafile::BlockHeader(1, 1, size) + "short";
    ASSERT_TRUE(testenv::WriteFile(path_, f));
    PluginDataMgr mgr;
    allocprobe::Reset();
    EXPECT_EQ(Read(mgr), kSettingReadError) << size;
    EXPECT_LT(allocprobe::LargestRequest(), 64u * 1024u)
        << "a size field of " << size << " must not be allocated";
    EXPECT_EQ(mgr.BlockCount(), 0u);
  }
}

TEST_F(SettingDataFileTest, HugeBlockCountStopsAtTheEndOfTheFile) {
  std::string f = datafile::File({datafile::Block(1, 1, "only one")});
  datafile::PutLE32(f, 12, 0xFFFFFFFFu);
  PluginDataMgr mgr;
  EXPECT_EQ(ReadBytes(mgr, f), kSettingReadError);
  EXPECT_EQ(mgr.BlockCount(), 0u);
}

}  // namespace
