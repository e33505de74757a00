#include "platform/DynLib.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/Folders.h"
#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace plat {
namespace {

// Built beside the test executable by tests/platform/CMakeLists.txt.
constexpr char16_t kModule[] = u"xj_platform_test_module.so";
using AnswerFn = int (*)();

int CallAnswer(LibHandle lib) {
  auto fn = reinterpret_cast<AnswerFn>(GetProcAddress(lib, "XjTestModuleAnswer"));
  return fn != nullptr ? fn() : -1;
}

TEST(DynLibTest, LoadsABareNameFromTheExecutableFolder) {
  LibHandle lib = LoadLibraryW(kModule);
  ASSERT_NE(lib, nullptr) << LastLoadError();
  EXPECT_EQ(CallAnswer(lib), 42);
  FreeLibrary(lib);
}

TEST(DynLibTest, DllNameInAnyCaseFallsBackToTheSharedObject) {
  for (const char16_t* name : {u"xj_platform_test_module.DLL", u"xj_platform_test_module.dll",
                               u"xj_platform_test_module.Dll"}) {
    LibHandle lib = LoadLibraryW(name);
    ASSERT_NE(lib, nullptr) << ToUtf8(name) << ": " << LastLoadError();
    EXPECT_EQ(CallAnswer(lib), 42);
    FreeLibrary(lib);
  }
  const std::u16string full = ExecutableFolder() + u"xj_platform_test_module.DLL";
  LibHandle lib = LoadLibraryW(full);
  ASSERT_NE(lib, nullptr) << LastLoadError();
  EXPECT_EQ(CallAnswer(lib), 42);
  FreeLibrary(lib);
}

TEST(DynLibTest, MissingSymbolAndMissingLibraryGiveNullWithAMessage) {
  LibHandle lib = LoadLibraryW(kModule);
  ASSERT_NE(lib, nullptr);
  EXPECT_EQ(GetProcAddress(lib, "NoSuchEntryPoint"), nullptr);
  EXPECT_NE(LastLoadError().find("NoSuchEntryPoint"), std::string::npos) << LastLoadError();
  EXPECT_EQ(GetProcAddress(lib, nullptr), nullptr);
  EXPECT_EQ(GetProcAddress(nullptr, "XjTestModuleAnswer"), nullptr);
  FreeLibrary(lib);

  EXPECT_EQ(LoadLibraryW(u"xj_no_such_library.dll"), nullptr);
  EXPECT_NE(LastLoadError().find("xj_no_such_library"), std::string::npos) << LastLoadError();
  EXPECT_EQ(LoadLibraryW(u""), nullptr);
  FreeLibrary(nullptr);  // ignored
}

TEST(DynLibTest, AFileThatIsNotALibraryReportsItsOwnFailure) {
  const std::string dir = testenv::MakeTempDir("dynlib");
  testenv::WriteFile(dir + "/Broken.so", "this is not a shared object");
  EXPECT_EQ(LoadLibraryW(FromUtf8(dir + "/Broken.dll")), nullptr);
  EXPECT_NE(LastLoadError().find("Broken.so"), std::string::npos) << LastLoadError();
  EXPECT_EQ(LoadLibraryW(FromUtf8(dir + "/Broken.so")), nullptr);
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
