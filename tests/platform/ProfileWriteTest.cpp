#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <thread>

#include "platform/Profile.h"
#include "tests/platform/ProfileFixtures.h"

namespace plat {
namespace {

namespace fs = std::filesystem;
using plat::testing::Bytes;
using plat::testing::NewProfile;
using plat::testing::Utf16Le;

// Names of the entries of the folder holding file (to find stray temporary files).
std::vector<std::string> FolderEntries(const std::u16string& file) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(fs::path(ToUtf8(file)).parent_path())) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool Write(const std::u16string& file, const char16_t* section, const char16_t* key,
           const char16_t* value) {
  return WritePrivateProfileStringW(section, key, value, file.c_str());
}

TEST(ProfileWriteTest, CreatesFileAndSectionsAndLeavesNoTemporaryFile) {
  const std::u16string file = FromUtf8(testenv::MakeTempDir("write") + "/SETTING.INI");
  ASSERT_TRUE(Write(file, u"LANGUAGE", u"LANGID", u"0411"));
  EXPECT_EQ(Bytes(file), "[LANGUAGE]\nLANGID=0411\n");
  ASSERT_TRUE(Write(file, u"INFO", u"COUNT", u"2"));
  EXPECT_EQ(Bytes(file), "[LANGUAGE]\nLANGID=0411\n\n[INFO]\nCOUNT=2\n");
  ASSERT_TRUE(Write(file, u"language", u"Other", u"x"));
  EXPECT_EQ(Bytes(file), "[LANGUAGE]\nLANGID=0411\nOther=x\n\n[INFO]\nCOUNT=2\n");
  EXPECT_EQ(FolderEntries(file), std::vector<std::string>{"SETTING.INI"});
  EXPECT_EQ(ProfileString(u"INFO", u"count", u"", file), u"2");
}

TEST(ProfileWriteTest, ReplacingAValueKeepsEveryOtherByte) {
  const std::string original =
      "; installation settings\r\n"
      "orphan line before sections\r\n"
      "\r\n"
      "[Font]\r\n"
      "  Name  =  Arial\r\n"
      "Size=9\r\n"
      "\r\n"
      "; interfaces\r\n"
      "[IFSetting]\r\n"
      "garbage without equals\r\n"
      "  Order = 1,2,3\r\n"
      "Order=ignored duplicate\r\n"
      "[\xE6\x97\xA5]\r\n"
      "k=\xFF\xFE odd bytes\r\n";
  const auto file = NewProfile(original);
  ASSERT_TRUE(Write(file, u"ifsetting", u"ORDER", u"3,2,1"));
  std::string expected = original;
  expected.replace(expected.find("  Order = 1,2,3"), 15, "  Order = 3,2,1");
  EXPECT_EQ(Bytes(file), expected);
  ASSERT_TRUE(Write(file, u"Font", u"NAME", u"Courier New"));
  expected.replace(expected.find("  Name  =  Arial"), 16, "  Name  =  Courier New");
  EXPECT_EQ(Bytes(file), expected);
  EXPECT_EQ(ProfileString(u"IFSetting", u"Order", u"", file), u"3,2,1");
}

TEST(ProfileWriteTest, NewKeyGoesAfterTheLastEntryOfItsSection) {
  const auto file = NewProfile("[A]\r\nx=1\r\n\r\n; about B\r\n[B]\r\ny=2");
  ASSERT_TRUE(Write(file, u"A", u"z", u"3"));
  EXPECT_EQ(Bytes(file), "[A]\r\nx=1\r\nz=3\r\n\r\n; about B\r\n[B]\r\ny=2");
  ASSERT_TRUE(Write(file, u"B", u"w", u"4"));
  EXPECT_EQ(Bytes(file), "[A]\r\nx=1\r\nz=3\r\n\r\n; about B\r\n[B]\r\ny=2\r\nw=4\r\n");
  ASSERT_TRUE(Write(file, u"C", u"v", u"5"));
  EXPECT_EQ(Bytes(file),
            "[A]\r\nx=1\r\nz=3\r\n\r\n; about B\r\n[B]\r\ny=2\r\nw=4\r\n\r\n[C]\r\nv=5\r\n");
}

TEST(ProfileWriteTest, NewSectionAfterATrailingBlankLineAddsNoSecondOne) {
  const auto file = NewProfile("[A]\nx=1\n\n");
  ASSERT_TRUE(Write(file, u"B", u"k", u"v"));
  EXPECT_EQ(Bytes(file), "[A]\nx=1\n\n[B]\nk=v\n");
  const auto empty = NewProfile("");
  ASSERT_TRUE(Write(empty, u"B", u"k", u"v"));
  EXPECT_EQ(Bytes(empty), "[B]\nk=v\n");
}

TEST(ProfileWriteTest, NullValueRemovesTheKeyAndNullKeyTheSection) {
  const auto file = NewProfile(
      "[A]\nx=1\nX=dup\ny=2\n\n[B]\nk=1\n\n[a]\nx=3\n\n[C]\nq=1\n");
  ASSERT_TRUE(Write(file, u"a", u"X", nullptr));
  EXPECT_EQ(Bytes(file), "[A]\ny=2\n\n[B]\nk=1\n\n[a]\nx=3\n\n[C]\nq=1\n");
  EXPECT_EQ(ProfileString(u"A", u"x", u"gone", file), u"gone");
  ASSERT_TRUE(Write(file, u"A", nullptr, nullptr));
  EXPECT_EQ(Bytes(file), "[B]\nk=1\n\n[C]\nq=1\n");
  ASSERT_TRUE(Write(file, u"C", nullptr, nullptr));
  EXPECT_EQ(Bytes(file), "[B]\nk=1\n");
  EXPECT_EQ(ProfileSectionNames(file), std::vector<std::u16string>{u"B"});
}

TEST(ProfileWriteTest, RemovingWhatIsAbsentChangesNothing) {
  const std::u16string folder = FromUtf8(testenv::MakeTempDir("absent"));
  const std::u16string missing = folder + u"/none.ini";
  EXPECT_TRUE(Write(missing, u"S", nullptr, nullptr));
  EXPECT_TRUE(Write(missing, u"S", u"k", nullptr));
  EXPECT_FALSE(fs::exists(ToUtf8(missing)));
  const auto file = NewProfile("[S]\na=1");
  struct stat before {};
  ASSERT_EQ(::stat(ToUtf8(file).c_str(), &before), 0);
  EXPECT_TRUE(Write(file, u"S", u"b", nullptr));
  EXPECT_TRUE(Write(file, u"S", u"a", u"1"));  // same value: no rewrite
  struct stat after {};
  ASSERT_EQ(::stat(ToUtf8(file).c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
  EXPECT_EQ(Bytes(file), "[S]\na=1");
}

TEST(ProfileWriteTest, Utf16FileIsRewrittenAsUtf8AndUtf8BomIsKept) {
  const auto wide = NewProfile(Utf16Le(u"[LANGUAGE]\r\nLANGID=0409\r\nName=\u65E5\r\n"));
  ASSERT_TRUE(Write(wide, u"LANGUAGE", u"LANGID", u"0411"));
  EXPECT_EQ(Bytes(wide), "[LANGUAGE]\r\nLANGID=0411\r\nName=\xE6\x97\xA5\r\n");
  const auto bom = NewProfile("\xEF\xBB\xBF[S]\nk=1\n");
  ASSERT_TRUE(Write(bom, u"S", u"k", u"\u00E4"));
  EXPECT_EQ(Bytes(bom), "\xEF\xBB\xBF[S]\nk=\xC3\xA4\n");
}

TEST(ProfileWriteTest, RefusesTextThatWouldBreakTheFileStructure) {
  const std::string original = "[S]\nk=1\n";
  const auto file = NewProfile(original);
  EXPECT_FALSE(Write(file, u"S", u"k", u"1\n[Evil]\nx=2"));
  EXPECT_FALSE(Write(file, u"S", u"a=b", u"1"));
  EXPECT_FALSE(Write(file, u"S", u";c", u"1"));
  EXPECT_FALSE(Write(file, u"S", u"[T]", u"1"));
  EXPECT_FALSE(Write(file, u"S", u"  ", u"1"));
  EXPECT_FALSE(Write(file, u"", u"k", u"1"));
  EXPECT_FALSE(Write(file, u"S\r\n[T", u"k", u"1"));
  EXPECT_FALSE(Write(file, nullptr, u"k", u"1"));
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"1", nullptr));
  EXPECT_FALSE(ProfileWrite(u"S", u"k", std::u16string(u"a\0b", 3), file));
  EXPECT_EQ(Bytes(file), original);
  // A value with '=' or quotes is fine: reads split at the first '='.
  EXPECT_TRUE(ProfileWrite(u"S", u"k", u"a=b", file));
  EXPECT_EQ(ProfileString(u"S", u"k", u"", file), u"a=b");
}

TEST(ProfileWriteTest, FailsWithoutTouchingAnythingWhenTheFolderIsAFile) {
  const std::string dir = testenv::MakeTempDir("notfolder");
  testenv::WriteFile(dir + "/plain", "not a folder");
  const std::u16string file = FromUtf8(dir + "/plain/SETTING.INI");
  EXPECT_FALSE(Write(file, u"S", u"k", u"v"));
  EXPECT_EQ(testenv::ReadFile(dir + "/plain"), "not a folder");
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  EXPECT_EQ(names, std::vector<std::string>{"plain"});
  // A folder standing where the file should be is not replaced either.
  const std::string asFolder = dir + "/sub.ini";
  fs::create_directory(asFolder);
  EXPECT_FALSE(Write(FromUtf8(asFolder), u"S", u"k", u"v"));
  EXPECT_TRUE(fs::is_directory(asFolder));
}

// Runs body in a child process and returns its exit status (0: all checks passed).
template <typename Body>
int RunInChild(Body body) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  int status = 0;
  if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 100 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

TEST(ProfileWriteTest, AWriteCutShortLeavesTheOldFileAndNoTemporaryFile) {
  const std::string original = "[S]\nk=old\n; keep me\n";
  const auto file = NewProfile(original);
  const std::u16string big(100000, u'v');
  // The file size limit stops the write part-way, whoever runs the test.
  const int status = RunInChild([&] {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 4096;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
    if (ProfileWrite(u"S", u"k", big, file)) return 3;
    return 0;
  });
  ASSERT_EQ(status, 0);
  EXPECT_EQ(Bytes(file), original);
  EXPECT_EQ(FolderEntries(file), std::vector<std::string>{"test.ini"});
  // Without the limit the same write succeeds.
  EXPECT_TRUE(ProfileWrite(u"S", u"k", big, file));
  EXPECT_EQ(ProfileString(u"S", u"k", u"", file), big);
}

TEST(ProfileWriteTest, WritesThroughASymbolicLinkToItsTarget) {
  const std::string dir = testenv::MakeTempDir("link");
  testenv::WriteFile(dir + "/real.ini", "[S]\nk=1\n");
  fs::create_symlink("real.ini", dir + "/link.ini");
  ASSERT_TRUE(ProfileWrite(u"S", u"k", u"2", FromUtf8(dir + "/link.ini")));
  EXPECT_TRUE(fs::is_symlink(dir + "/link.ini"));
  EXPECT_EQ(testenv::ReadFile(dir + "/real.ini"), "[S]\nk=2\n");
}

TEST(ProfileWriteTest, KeepsThePermissionsOfAnExistingFile) {
  const auto file = NewProfile("[S]\nk=1\n");
  ASSERT_EQ(::chmod(ToUtf8(file).c_str(), 0640), 0);
  ASSERT_TRUE(ProfileWrite(u"S", u"k", u"2", file));
  struct stat st {};
  ASSERT_EQ(::stat(ToUtf8(file).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ProfileWriteTest, ConcurrentWritersInThreadsLoseNoUpdate) {
  const std::u16string file = FromUtf8(testenv::MakeTempDir("threads") + "/shared.ini");
  constexpr int kThreads = 4;
  constexpr int kKeys = 15;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t, &file] {
      for (int k = 0; k < kKeys; ++k) {
        ProfileWrite(u"S", NameIndex(u"T" + FormatInt(t), k), FormatInt(t * 100 + k), file);
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int t = 0; t < kThreads; ++t) {
    for (int k = 0; k < kKeys; ++k) {
      EXPECT_EQ(ProfileInt(u"S", NameIndex(u"T" + FormatInt(t), k), -1, file), t * 100 + k);
    }
  }
}

TEST(ProfileWriteTest, ConcurrentWritersInProcessesLoseNoUpdate) {
  const std::u16string file = FromUtf8(testenv::MakeTempDir("procs") + "/shared.ini");
  constexpr int kProcs = 3;
  constexpr int kKeys = 15;
  std::vector<pid_t> children;
  for (int p = 0; p < kProcs; ++p) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      int failures = 0;
      for (int k = 0; k < kKeys; ++k) {
        if (!ProfileWrite(NameIndex(u"P", p), NameIndex(u"K", k), FormatInt(k), file)) ++failures;
      }
      ::_exit(failures);
    }
    ASSERT_GT(pid, 0);
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < kProcs; ++p) {
    EXPECT_EQ(ProfileSectionLines(NameIndex(u"P", p), file).size(), static_cast<std::size_t>(kKeys));
  }
}

}  // namespace
}  // namespace plat
