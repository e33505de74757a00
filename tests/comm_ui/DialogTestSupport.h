#pragma once
// Shared set-up of the dialog tests: a private installation folder with the shipped
// language files and SETTING.INI, an application settings block pointing at it, the
// real communication library, and modal dialogs driven from inside their event loop.
// (Message boxes: tests/support/MessageBoxRecorder.h.)
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sdk/AppSettingsBlock.h"
#include "app/settings/PluginDataMgr.h"
#include "comm/XJC.h"
#include "platform/Text.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/TestEnv.h"

namespace dlgtest {

// The installation folder of one test: LANG/ with the shipped files (or the ones
// named), SETTING.INI, and the settings block that points at it.
struct Installation {
  std::string exeDir;  // no trailing "/"
  std::unique_ptr<AppSettingsBlock> block = std::make_unique<AppSettingsBlock>();
  PluginDataMgr dataMgr;

  explicit Installation(const std::vector<std::string>& languages = {"0409", "0411"}) {
    exeDir = testenv::MakeTempDir("install");
    std::filesystem::create_directories(exeDir + "/LANG");
    for (const std::string& lang : languages) {
      std::filesystem::copy_file(std::string(XJ_LANG_SOURCE_DIR) + "/" + lang + ".DAT",
                                 exeDir + "/LANG/" + lang + ".DAT");
    }
    testenv::WriteFile(exeDir + "/SETTING.INI", "[LANGUAGE]\nLANGID=0409\n");
    std::memset(block.get(), 0, sizeof(AppSettingsBlock));
    SetLanguage(0x0409);
    plat::CopyText(block->exeFolder, plat::FromUtf8(exeDir + "/"));
    plat::CopyText(block->langFolder, plat::FromUtf8(exeDir + "/LANG"));
    plat::CopyText(block->dataFolder, plat::FromUtf8(testenv::MakeTempDir("data")));
    const int order[5] = {0, 1, 2, 3, 4};
    std::memcpy(block->ifOrder, order, sizeof(order));
    block->defaultIfType = 2;
    block->dataMgr = &dataMgr;
    // The maker's tools are looked for in folders of this test only, never in the
    // machine's program folders or application menus; the port registry and the other
    // files of the common and user data folders start empty for every test.
    setenv("ProgramFiles", testenv::MakeTempDir("programs").c_str(), 1);
    setenv("XDG_DATA_DIRS", testenv::MakeTempDir("share").c_str(), 1);
    setenv("XDG_DATA_HOME", testenv::MakeTempDir("user").c_str(), 1);
    setenv("XJ_COMMON_APPDATA", testenv::MakeTempDir("common").c_str(), 1);
  }

  void SetLanguage(std::int32_t langId) {
    block->langId = langId;
    plat::CopyText(block->langCode, plat::FormatHex04(static_cast<std::uint32_t>(langId)));
  }
  void SetInterfaces(std::vector<int> order, int defaultInterface) {
    for (int i = 0; i < 5; ++i) block->ifOrder[i] = i < static_cast<int>(order.size()) ? order[i] : -1;
    block->defaultIfType = defaultInterface;
  }
  std::string SettingIni() const { return testenv::ReadFile(exeDir + "/SETTING.INI"); }
};

// Loads the built communication library by its path.
inline void LoadLibrary(XJC& xjc) {
  ASSERT_EQ(xjc.Load(plat::FromUtf8(XJ_XJCOMM_PATH)), XJC_OK) << "cannot load " << XJ_XJCOMM_PATH;
}

// Runs action on the first modal window of type T once it is the active modal widget
// (polled from the event loop; the action runs inside that window's modal loop).
template <typename T>
void WhenModal(std::function<void(T*)> action) {
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [action, poll] {
    if (T* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
      action(window);
      *poll = nullptr;  // breaks the self-reference
      return;
    }
    QTimer::singleShot(5, *poll);
  };
  QTimer::singleShot(0, *poll);
}

// Runs action from the event loop as soon as ready() holds (polled).
inline void When(std::function<bool()> ready, std::function<void()> action) {
  auto poll = std::make_shared<std::function<void()>>();
  *poll = [ready, action, poll] {
    if (ready()) {
      action();
      *poll = nullptr;
      return;
    }
    QTimer::singleShot(5, *poll);
  };
  QTimer::singleShot(0, *poll);
}

// Runs body once the dialog's modal loop runs, then returns exec's result. The body
// decides whether the dialog ends; a dialog still open after it is rejected.
template <typename D>
int RunModal(D& dialog, std::function<void()> body) {
  QTimer::singleShot(0, &dialog, [&dialog, body] {
    body();
    if (dialog.isVisible()) dialog.QDialog::reject();
  });
  return dialog.exec();
}

}  // namespace dlgtest
