#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/Profile.h"
#include "tests/platform/ProfileFixtures.h"

namespace plat {
namespace {

namespace fs = std::filesystem;
using plat::testing::NewProfile;
using plat::testing::Utf16Le;

std::string Bytes(const std::u16string& path) { return testenv::ReadFile(ToUtf8(path)); }

// What the folder holding file contains (to find stray temporary files).
std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

bool Write(const std::u16string& file, const char16_t* section, const char16_t* key,
           const char16_t* value) {
  return WritePrivateProfileStringW(section, key, value, file.c_str());
}

TEST(ProfileWriteTest, CreatesTheFileAndAppendsSectionsAndKeysTidily) {
  const std::string dir = testenv::MakeTempDir("write");
  const std::u16string file = FromUtf8(dir + "/SETTING.INI");
  ASSERT_TRUE(Write(file, u"LANGUAGE", u"LANGID", u"0411"));
  ASSERT_TRUE(Write(file, u"INFO", u"COUNT", u"2"));
  ASSERT_TRUE(Write(file, u"language", u"Other", u"x"));
  EXPECT_EQ(Bytes(file), "[LANGUAGE]\nLANGID=0411\nOther=x\n\n[INFO]\nCOUNT=2\n");
  EXPECT_EQ(FolderEntries(dir), std::vector<std::string>{"SETTING.INI"});

  // The file's own line ends are used; comments leading to the next section stay there.
  const auto crlf = NewProfile("[A]\r\nx=1\r\n\r\n; about B\r\n[B]\r\ny=2");
  ASSERT_TRUE(Write(crlf, u"A", u"z", u"3"));
  ASSERT_TRUE(Write(crlf, u"B", u"w", u"4"));
  ASSERT_TRUE(Write(crlf, u"C", u"v", u"5"));
  EXPECT_EQ(Bytes(crlf), "[A]\r\nx=1\r\nz=3\r\n\r\n; about B\r\n[B]\r\ny=2\r\nw=4\r\n\r\n[C]\r\nv=5\r\n");
  const auto blankEnd = NewProfile("[A]\nx=1\n\n");
  ASSERT_TRUE(Write(blankEnd, u"B", u"k", u"v"));
  EXPECT_EQ(Bytes(blankEnd), "[A]\nx=1\n\n[B]\nk=v\n");
}

TEST(ProfileWriteTest, ReplacingAValueKeepsEveryOtherByte) {
  const std::string original =
      "; installation settings\r\norphan line\r\n\r\n"
      "[Font]\r\n  Name  =  Arial\r\nSize=9\r\n\r\n"
      "[IFSetting]\r\ngarbage without equals\r\n  Order = 1,2,3\r\nOrder=duplicate\r\n"
      "[\xE6\x97\xA5]\r\nk=\xFF\xFE odd bytes\r\n";
  const auto file = NewProfile(original);
  ASSERT_TRUE(Write(file, u"ifsetting", u"ORDER", u"3,2,1"));
  ASSERT_TRUE(Write(file, u"Font", u"NAME", u"Courier New"));
  std::string expected = original;
  expected.replace(expected.find("1,2,3"), 5, "3,2,1");
  expected.replace(expected.find("Arial"), 5, "Courier New");
  EXPECT_EQ(Bytes(file), expected);
}

TEST(ProfileWriteTest, NullValueRemovesTheKeyAndNullKeyTheSection) {
  const auto file = NewProfile("[A]\nx=1\nX=dup\ny=2\n\n[B]\nk=1\n\n[a]\nx=3\n\n[C]\nq=1\n");
  ASSERT_TRUE(Write(file, u"a", u"X", nullptr));
  EXPECT_EQ(Bytes(file), "[A]\ny=2\n\n[B]\nk=1\n\n[a]\nx=3\n\n[C]\nq=1\n");
  ASSERT_TRUE(Write(file, u"A", nullptr, nullptr));
  EXPECT_EQ(Bytes(file), "[B]\nk=1\n\n[C]\nq=1\n");
  ASSERT_TRUE(Write(file, u"C", nullptr, nullptr));
  EXPECT_EQ(Bytes(file), "[B]\nk=1\n");

  // Nothing to remove and nothing to change: no file created, no file replaced.
  const std::u16string missing = FromUtf8(testenv::MakeTempDir("absent") + "/none.ini");
  EXPECT_TRUE(Write(missing, u"S", nullptr, nullptr));
  EXPECT_TRUE(Write(missing, u"S", u"k", nullptr));
  EXPECT_FALSE(fs::exists(ToUtf8(missing)));
  struct stat before {}, after {};
  ASSERT_EQ(::stat(ToUtf8(file).c_str(), &before), 0);
  EXPECT_TRUE(Write(file, u"B", u"k", u"1"));
  ASSERT_EQ(::stat(ToUtf8(file).c_str(), &after), 0);
  EXPECT_EQ(before.st_ino, after.st_ino);
}

TEST(ProfileWriteTest, EncodingsLinksAndPermissions) {
  const auto wide = NewProfile(Utf16Le(u"[LANGUAGE]\r\nLANGID=0409\r\nName=\u65E5\r\n"));
  ASSERT_TRUE(Write(wide, u"LANGUAGE", u"LANGID", u"0411"));
  EXPECT_EQ(Bytes(wide), "[LANGUAGE]\r\nLANGID=0411\r\nName=\xE6\x97\xA5\r\n");
  const auto bom = NewProfile("\xEF\xBB\xBF[S]\nk=1\n");
  ASSERT_TRUE(Write(bom, u"S", u"k", u"\u00E4"));
  EXPECT_EQ(Bytes(bom), "\xEF\xBB\xBF[S]\nk=\xC3\xA4\n");

  const std::string dir = testenv::MakeTempDir("link");
  testenv::WriteFile(dir + "/real.ini", "[S]\nk=1\n");
  ASSERT_EQ(::chmod((dir + "/real.ini").c_str(), 0640), 0);
  fs::create_symlink("real.ini", dir + "/link.ini");
  ASSERT_TRUE(ProfileWrite(u"S", u"k", u"2", FromUtf8(dir + "/link.ini")));
  EXPECT_TRUE(fs::is_symlink(dir + "/link.ini"));
  EXPECT_EQ(testenv::ReadFile(dir + "/real.ini"), "[S]\nk=2\n");
  struct stat st {};
  ASSERT_EQ(::stat((dir + "/real.ini").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST(ProfileWriteTest, RefusesTextThatWouldBreakTheFileStructure) {
  const std::string original = "[S]\nk=1\n";
  const auto file = NewProfile(original);
  EXPECT_FALSE(Write(file, u"S", u"k", u"1\n[Evil]\nx=2"));
  for (const char16_t* key : {u"a=b", u";c", u"[T]", u"  "}) EXPECT_FALSE(Write(file, u"S", key, u"1"));
  EXPECT_FALSE(Write(file, u"", u"k", u"1"));
  EXPECT_FALSE(Write(file, u"S\r\n[T", u"k", u"1"));
  EXPECT_FALSE(Write(file, nullptr, u"k", u"1"));
  EXPECT_FALSE(WritePrivateProfileStringW(u"S", u"k", u"1", nullptr));
  EXPECT_FALSE(ProfileWrite(u"S", u"k", std::u16string(u"a\0b", 3), file));
  // An unpaired surrogate has no UTF-8 form: written, it would read back as U+FFFD.
  for (const std::u16string& bad : {std::u16string(1, u'\xD800'), u"x" + std::u16string(1, u'\xDC00')}) {
    EXPECT_FALSE(ProfileWrite(u"S", u"k", bad, file));
    EXPECT_FALSE(ProfileWrite(u"S", bad, u"1", file));
    EXPECT_FALSE(ProfileWrite(bad, u"k", u"1", file));
  }
  EXPECT_EQ(Bytes(file), original);
  // A UTF-16 file may hold one (found by fuzzing): its key reads, but is not written to.
  const auto utf16 = NewProfile(Utf16Le(u"[LANGUAGE]\r\nLANG\xD800ID=0409\r\n"));
  const std::u16string key = u"LANG\xD800ID";
  EXPECT_EQ(ProfileString(u"LANGUAGE", key, u"", utf16), u"0409");
  EXPECT_FALSE(ProfileWrite(u"LANGUAGE", key, u"0411", utf16));
  EXPECT_EQ(ProfileString(u"LANGUAGE", key, u"", utf16), u"0409");
  // A pair is a character like any other.
  EXPECT_TRUE(ProfileWrite(u"S", u"k", u"\U0001F600", file));
  EXPECT_EQ(ProfileString(u"S", u"k", u"", file), u"\U0001F600");
}

TEST(ProfileWriteTest, SeveralChangesGoInTogetherOrNotAtAll) {
  const auto file = NewProfile("[S]\nk=1\nold=x\n\n[T]\nt=1\n");
  ASSERT_TRUE(ProfileWriteChanges(file, {{u"S", u"k", u"2"},
                                         {u"T", std::nullopt, std::nullopt},
                                         {u"U", u"n", u"3"},
                                         {u"S", u"old", std::nullopt},
                                         {u"U", u"n", u"4"}}));
  EXPECT_EQ(Bytes(file), "[S]\nk=2\n\n[U]\nn=4\n");
  EXPECT_EQ(FolderEntries(fs::path(ToUtf8(file)).parent_path()), std::vector<std::string>{"test.ini"});

  // One change that would break the file refuses them all.
  EXPECT_FALSE(ProfileWriteChanges(file, {{u"S", u"k", u"5"}, {u"S", u"a=b", u"1"}}));
  EXPECT_FALSE(ProfileWriteChanges(file, {{u"S", u"k", u"5"}, {u"", u"k", u"1"}}));
  EXPECT_FALSE(ProfileWriteChanges(u"", {{u"S", u"k", u"5"}}));
  EXPECT_EQ(Bytes(file), "[S]\nk=2\n\n[U]\nn=4\n");
  // Changes that change nothing leave the file as it is.
  EXPECT_TRUE(ProfileWriteChanges(file, {{u"S", u"k", u"2"}, {u"V", u"gone", std::nullopt}}));
  EXPECT_TRUE(ProfileWriteChanges(file, {}));
  EXPECT_EQ(Bytes(file), "[S]\nk=2\n\n[U]\nn=4\n");
}

TEST(ProfileWriteTest, FailuresLeaveTheOldFileAndNoTemporaryFile) {
  const std::string dir = testenv::MakeTempDir("fail");
  testenv::WriteFile(dir + "/plain", "not a folder");
  EXPECT_FALSE(Write(FromUtf8(dir + "/plain/SETTING.INI"), u"S", u"k", u"v"));
  fs::create_directory(dir + "/sub.ini");  // a folder where the file should be
  EXPECT_FALSE(Write(FromUtf8(dir + "/sub.ini"), u"S", u"k", u"v"));
  EXPECT_EQ(FolderEntries(dir), (std::vector<std::string>{"plain", "sub.ini"}));
  EXPECT_EQ(testenv::ReadFile(dir + "/plain"), "not a folder");
  // Far too large to be a profile file (sparse, so it costs no disk): not read, not
  // rewritten.
  const std::string huge = testenv::MakeTempDir("huge") + "/huge.ini";
  testenv::WriteFile(huge, "[S]\nk=1\n");
  fs::resize_file(huge, 65 << 20);
  EXPECT_EQ(ProfileInt(u"S", u"k", 7, FromUtf8(huge)), 7);
  EXPECT_FALSE(ProfileWrite(u"S", u"k", u"2", FromUtf8(huge)));
  EXPECT_EQ(fs::file_size(huge), std::uintmax_t{65} << 20);

  // A file size limit stops the write part-way, whoever runs the test (even root).
  const std::string original = "[S]\nk=old\n; keep me\n";
  const auto file = NewProfile(original);
  const std::u16string big(100000, u'v');
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 4096;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(2);
    ::_exit(ProfileWrite(u"S", u"k", big, file) ? 3 : 0);
  }
  int status = -1;
  ASSERT_EQ(::waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(Bytes(file), original);
  EXPECT_EQ(FolderEntries(fs::path(ToUtf8(file)).parent_path()), std::vector<std::string>{"test.ini"});
  EXPECT_TRUE(ProfileWrite(u"S", u"k", big, file));  // without the limit it works
  EXPECT_EQ(ProfileString(u"S", u"k", u"", file), big);
}

TEST(ProfileWriteTest, WritersInSeveralProcessesLoseNoUpdate) {
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
    int status = -1;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  for (int p = 0; p < kProcs; ++p) {
    EXPECT_EQ(ProfileSectionLines(NameIndex(u"P", p), file).size(), static_cast<std::size_t>(kKeys));
  }
}

}  // namespace
}  // namespace plat
