#include "platform/DynLib.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/Folders.h"
#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace plat {
namespace {

// xj_platform_test_module.so is built beside the test executable.
int CallAnswer(LibHandle lib) {
  using AnswerFn = int (*)();
  auto fn = reinterpret_cast<AnswerFn>(GetProcAddress(lib, "XjTestModuleAnswer"));
  return fn != nullptr ? fn() : -1;
}

TEST(DynLibTest, LoadsByBareNameFullPathAndDllName) {
  const std::u16string exe = ExecutableFolder();
  for (const std::u16string& name :
       {std::u16string(u"xj_platform_test_module.so"), std::u16string(u"xj_platform_test_module.DLL"),
        std::u16string(u"xj_platform_test_module.dll"), exe + u"xj_platform_test_module.Dll"}) {
    LibHandle lib = LoadLibraryW(name);
    ASSERT_NE(lib, nullptr) << ToUtf8(name) << ": " << LastLoadError();
    EXPECT_EQ(CallAnswer(lib), 42);
    EXPECT_EQ(GetProcAddress(lib, "NoSuchEntryPoint"), nullptr);
    EXPECT_NE(LastLoadError().find("NoSuchEntryPoint"), std::string::npos) << LastLoadError();
    FreeLibrary(lib);
  }
  EXPECT_EQ(GetProcAddress(nullptr, "XjTestModuleAnswer"), nullptr);
  FreeLibrary(nullptr);  // ignored
}

TEST(DynLibTest, ADllThatExistsAsWrittenIsLoadedRatherThanItsSoNamesake) {
  const std::string dir = testenv::MakeTempDir("dll-as-written");
  std::filesystem::copy_file(ToUtf8(ExecutableFolder()) + "xj_platform_test_module.so",
                             dir + "/Module.dll");
  testenv::WriteFile(dir + "/Module.so", "this is not a shared object");
  LibHandle lib = LoadLibraryW(FromUtf8(dir + "/Module.dll"));
  ASSERT_NE(lib, nullptr) << LastLoadError();
  EXPECT_EQ(CallAnswer(lib), 42);
  FreeLibrary(lib);
}

TEST(DynLibTest, FailuresGiveNullAndSayWhy) {
  EXPECT_EQ(LoadLibraryW(u"xj_no_such_library.dll"), nullptr);
  EXPECT_NE(LastLoadError().find("xj_no_such_library"), std::string::npos) << LastLoadError();
  EXPECT_EQ(LoadLibraryW(u""), nullptr);
  // A file that exists but is no library: its own failure is reported.
  const std::string dir = testenv::MakeTempDir("dynlib");
  testenv::WriteFile(dir + "/Broken.so", "this is not a shared object");
  EXPECT_EQ(LoadLibraryW(FromUtf8(dir + "/Broken.dll")), nullptr);
  EXPECT_NE(LastLoadError().find(dir + "/Broken.so"), std::string::npos) << LastLoadError();
  // A library cut short at any point is refused with a reason, never mapped past the
  // end of the file (which would end the program with SIGBUS).
  const std::string whole = ToUtf8(ExecutableFolder()) + "xj_platform_test_module.so";
  const auto size = std::filesystem::file_size(whole);
  for (const auto keep : {size / 8, size / 2, size - 1}) {
    const std::string cut = dir + "/Cut" + std::to_string(keep) + ".so";
    std::filesystem::copy_file(whole, cut);
    std::filesystem::resize_file(cut, keep);
    EXPECT_EQ(LoadLibraryW(FromUtf8(cut)), nullptr) << keep;
    EXPECT_NE(LastLoadError().find("cut short"), std::string::npos) << LastLoadError();
  }
}

TEST(DynLibTest, LastLoadErrorBelongsToTheFailingThread) {
  EXPECT_EQ(LoadLibraryW(u"xj_first_missing.so"), nullptr);
  std::string other;
  std::thread t([&] {
    EXPECT_EQ(LoadLibraryW(u"xj_second_missing.so"), nullptr);
    other = LastLoadError();
  });
  t.join();
  EXPECT_NE(other.find("xj_second_missing"), std::string::npos) << other;
  EXPECT_NE(LastLoadError().find("xj_first_missing"), std::string::npos) << LastLoadError();
}

}  // namespace
}  // namespace plat
