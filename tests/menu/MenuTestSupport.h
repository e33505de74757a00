#pragma once
// Helpers of the menu tests: the test plug-ins' folder and log, menu and language files
// written into the test's own folders.
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Text.h"
#include "tests/support/TestEnv.h"

namespace menutest {

// A test plug-in by name (tests/plugins), as a menu file would name it.
inline std::u16string PluginPath(const std::string& name) {
  return plat::FromUtf8(std::string(XJ_TEST_PLUGIN_DIR) + "/" + name + ".so");
}

// The lines the test plug-ins logged since the log was pointed at a fresh file.
class PluginLog {
 public:
  PluginLog() : path_(testenv::MakeTempDir("pluginlog") + "/calls.log") {
    setenv("XJ_TEST_PLUGIN_LOG", path_.c_str(), 1);
  }
  ~PluginLog() { unsetenv("XJ_TEST_PLUGIN_LOG"); }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    std::ifstream in(path_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// A language folder with an English file whose [MENU_ITEM_STR] has count entries
// "Label N".
inline std::string LanguageFolder(int count) {
  const std::string folder = testenv::MakeTempDir("lang");
  std::ostringstream text;
  text << "[MENU_ITEM_STR]\n";
  for (int i = 0; i < count; ++i) text << "STR_" << i << "=Label " << i << "\n";
  testenv::WriteFile(folder + "/0409.DAT", text.str());
  return folder;
}

// Writes a menu file and returns its path.
inline std::string MenuFile(const std::string& text) {
  const std::string path = testenv::MakeTempDir("menu") + "/MENUITEM.DAT";
  testenv::WriteFile(path, text);
  return path;
}

}  // namespace menutest
