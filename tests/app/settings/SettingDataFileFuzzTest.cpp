// Random and damaged data files: the reader must answer every one of them with a result
// code (never a crash, a sanitizer report or a huge allocation), leave no blocks behind
// on failure, and on success hold exactly the blocks the file announces, which written
// out again give the file's blocks back byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "app/settings/PluginDataMgr.h"
#include "app/settings/SettingDataFile.h"
#include "platform/Text.h"
#include "tests/app/settings/AllocationProbe.h"
#include "tests/app/settings/DataFileBuilder.h"
#include "tests/support/TestEnv.h"

namespace {

std::u16string U(const std::string& s) { return plat::FromUtf8(s); }

class Generator {
 public:
  explicit Generator(std::uint32_t seed) : rng_(seed) {}

  std::size_t Below(std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_); }

  std::string RandomBytes(std::size_t n) {
    std::string s(n, '\0');
    for (auto& c : s) c = static_cast<char>(Below(256));
    return s;
  }

  // A well-formed file with up to six blocks of distinct ids.
  std::string ValidFile() {
    std::vector<std::string> blocks;
    const std::size_t count = Below(7);
    for (std::size_t i = 0; i < count; ++i) {
      const auto id = static_cast<std::uint32_t>(0x00010001u + i * 0x101u);
      blocks.push_back(datafile::Block(id, static_cast<std::uint32_t>(Below(4)), RandomBytes(1 + Below(300))));
    }
    return datafile::File(blocks);
  }

  // A valid file with a few of: flipped bytes, a size field set to a random or extreme
  // value, a count changed, the end cut off or garbage appended.
  std::string Mutated() {
    std::string f = ValidFile();
    const std::size_t edits = 1 + Below(4);
    for (std::size_t e = 0; e < edits; ++e) {
      switch (Below(6)) {
        case 0:
          if (!f.empty()) f[Below(f.size())] = static_cast<char>(Below(256));
          break;
        case 1:
          if (f.size() > 136 + 16) {
            static const std::uint32_t extremes[] = {0, 1, 31, 32, 33, 0x7FFFFFFF, 0x80000000u,
                                                     0xFFFFFFFFu, 0x10000};
            const std::uint32_t v = Below(2) ? extremes[Below(std::size(extremes))]
                                             : static_cast<std::uint32_t>(Below(2000));
            datafile::PutLE32(f, 136 + 12, v);
          }
          break;
        case 2:
          if (f.size() >= 16) datafile::PutLE32(f, 12, static_cast<std::uint32_t>(Below(10)));
          break;
        case 3:
          f.resize(Below(f.size() + 1));
          break;
        case 4:
          f += RandomBytes(Below(200));
          break;
        default:
          if (f.size() >= 16) datafile::PutLE32(f, 12, 0xFFFFFFFFu);
          break;
      }
    }
    return f;
  }

 private:
  std::mt19937 rng_;
};

void CheckOne(const std::string& bytes, const std::string& path, const std::string& rewritten,
              std::size_t index) {
  ASSERT_TRUE(testenv::WriteFile(path, bytes));
  PluginDataMgr mgr;
  allocprobe::Reset();
  const std::int32_t rc = ReadSettingData(mgr, U(path));
  // Every allocation stays within what the file itself could hold (plus the reader's
  // fixed needs): nothing is sized from an unchecked field.
  ASSERT_LE(allocprobe::LargestRequest(), bytes.size() + 64 * 1024) << "file " << index;
  ASSERT_TRUE(rc == kSettingOk || rc == kSettingBadData || rc == kSettingReadError)
      << "file " << index << " result " << rc;
  if (rc != kSettingOk) {
    ASSERT_EQ(mgr.BlockCount(), 0u) << "file " << index;
    return;
  }
  ASSERT_GE(bytes.size(), 136u);
  ASSERT_EQ(mgr.BlockCount(), datafile::GetLE32(bytes, 12)) << "file " << index;

  std::set<std::uint32_t> ids;
  for (std::size_t i = 0; i < mgr.BlockCount(); ++i) ids.insert(mgr.GetBlockEntry(i).id);
  if (ids.size() != mgr.BlockCount()) return;  // duplicates: the earlier entry took the data

  mgr.SetSettingsReadFlag(kSettingsRead);
  ASSERT_EQ(WriteSettingData(mgr, u"XJ-K52II", U(rewritten), 1, 1), kSettingDataWritten);
  const std::string out = testenv::ReadFile(rewritten);
  ASSERT_GE(out.size(), 136u);
  ASSERT_LE(out.size(), bytes.size());
  EXPECT_EQ(out.substr(136), bytes.substr(136, out.size() - 136)) << "file " << index;
}

TEST(SettingDataFileFuzz, RandomFilesAreAnsweredWithResultCodes) {
  const std::string folder = testenv::MakeTempDir("fuzz-random");
  const std::string path = folder + "/f.DAT";
  const std::string rewritten = folder + "/r.DAT";
  Generator gen(20240601u);
  for (std::size_t i = 0; i < 1000; ++i) {
    std::string bytes = gen.RandomBytes(gen.Below(600));
    // Half of them start with the right magic, to get past the first check.
    if (i % 2 == 0 && bytes.size() >= 4) bytes.replace(0, 4, std::string("PSD\0", 4));
    ASSERT_NO_FATAL_FAILURE(CheckOne(bytes, path, rewritten, i));
  }
}

TEST(SettingDataFileFuzz, MutatedFilesAreAnsweredWithResultCodes) {
  const std::string folder = testenv::MakeTempDir("fuzz-mutated");
  const std::string path = folder + "/f.DAT";
  const std::string rewritten = folder + "/r.DAT";
  Generator gen(77u);
  std::size_t successes = 0;
  for (std::size_t i = 0; i < 2500; ++i) {
    const std::string bytes = i % 10 == 0 ? gen.ValidFile() : gen.Mutated();
    ASSERT_NO_FATAL_FAILURE(CheckOne(bytes, path, rewritten, i));
    PluginDataMgr probe;
    if (ReadSettingData(probe, U(path)) == kSettingOk) ++successes;
  }
  // The generator must exercise both outcomes, or the test proves little.
  EXPECT_GT(successes, 250u);
  EXPECT_LT(successes, 2250u);
}

}  // namespace
