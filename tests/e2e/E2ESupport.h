#pragma once
// Helpers shared by the end-to-end tests: folders the program uses, simulator counters,
// event order.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "comm/XJC.h"
#include "platform/Text.h"
#include "tests/e2e/AppProcess.h"
#include "tests/support/PortRecords.h"
#include "tests/support/SimProcess.h"
#include "tests/support/TestEnv.h"

namespace e2e {

// The program's data folder below the test's common application data folder.
inline std::string DataFolder() {
  return std::string(std::getenv("XJ_COMMON_APPDATA")) + "/NORVE/XJK52IIUTL";
}

// A value of the simulator's status line ("restarting", "after" ...), empty when absent.
inline std::string SimValue(SimProcess& sim, const std::string& name) {
  const std::string status = sim.Control("status") + " ";
  const std::string key = " " + name + "=";
  const std::size_t at = status.find(key);
  if (at == std::string::npos) return {};
  const std::size_t start = at + key.size();
  return status.substr(start, status.find(' ', start) - start);
}

// A counter of the simulator's status line ("connections", "bytesin" ...), -1 when absent.
inline long SimCounter(SimProcess& sim, const std::string& name) {
  const std::string value = SimValue(sim, name);
  return value.empty() ? -1 : std::strtol(value.c_str(), nullptr, 10);
}

// The names of the logged events, in order, without "plugin-dropped": which menu items
// lose their plug-in depends on the plug-ins the build installs, not on the sequence of
// windows these names are compared for.
inline std::vector<std::string> EventNames(const AppProcess& app) {
  std::vector<std::string> names;
  for (const AppEvent& event : app.Events())
    if (event.name != "plugin-dropped") names.push_back(event.name);
  return names;
}

// The names of the logged events that are among names, in order.
inline std::vector<std::string> EventNamesAmong(const AppProcess& app, const std::vector<std::string>& names) {
  std::vector<std::string> seen;
  for (const AppEvent& event : app.Events()) {
    for (const std::string& name : names) {
      if (event.name == name) seen.push_back(event.name);
    }
  }
  return seen;
}

// The connection path of a simulator's TCP endpoint as the command line gives it.
inline std::string ConnectionPath(const std::string& endpoint) { return "/rtcp://" + endpoint + "/XJ-K52II"; }

// The socket by which a running copy's tagged window (selection dialog or main window)
// is found; it exists while such a window does.
inline std::string RunningCopySocket() {
  return std::string(std::getenv("XDG_RUNTIME_DIR")) + "/XJ-K52II_UTILITY_XJ-K52II";
}

// Waits until path exists while app runs; false when app ended or the time ran out.
inline bool WaitForPath(AppProcess& app, const std::string& path, int timeoutMs = AppProcess::kStartTimeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!std::filesystem::exists(path)) {
    if (!app.Running() || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return true;
}

// The fields of the first event of that name, empty when there is none.
inline std::vector<std::string> EventFields(const AppProcess& app, const std::string& name) {
  for (const AppEvent& event : app.Events()) {
    if (event.name == name) return event.fields;
  }
  return {};
}

// The first field of every event of that name, in order.
inline std::vector<std::string> EventValues(const AppProcess& app, const std::string& name) {
  std::vector<std::string> values;
  for (const AppEvent& event : app.Events()) {
    if (event.name == name) values.push_back(event.fields.empty() ? std::string() : event.fields[0]);
  }
  return values;
}

// Waits until count events of that name with that first field were logged while app
// runs; false when app ended or the time ran out first.
inline bool WaitForEventValue(AppProcess& app, const std::string& name, const std::string& value, std::size_t count = 1,
                              int timeoutMs = AppProcess::kStartTimeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    std::size_t seen = 0;
    for (const std::string& v : EventValues(app, name)) seen += v == value ? 1 : 0;
    if (seen >= count) return true;
    if (!app.Running() || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// Waits until the last event of that name has that first field while app runs; false
// when app ended or the time ran out first.
inline bool WaitForLastEventValue(AppProcess& app, const std::string& name, const std::string& value,
                                  int timeoutMs = AppProcess::kStartTimeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const std::vector<std::string> values = EventValues(app, name);
    if (!values.empty() && values.back() == value) return true;
    if (!app.Running() || std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

// A private installation folder for a test that changes installation files: a copy of
// the program (which finds everything beside itself) and links to everything else of
// the build's installation folder, except the names in leaveOut.
inline std::string PrivateInstallation(const std::vector<std::string>& leaveOut = {}) {
  namespace fs = std::filesystem;
  const fs::path folder = testenv::MakeTempDir("install");
  for (const fs::directory_entry& entry : fs::directory_iterator(AppProcess::InstallationFolder())) {
    const std::string name = entry.path().filename().string();
    if (std::find(leaveOut.begin(), leaveOut.end(), name) != leaveOut.end()) continue;
    if (name == "xjk52util") {
      fs::copy_file(entry.path(), folder / name);
    } else {
      fs::create_symlink(entry.path(), folder / name);
    }
  }
  return folder.string();
}

// A private installation folder whose SETTING.INI selects the language langCode
// ("0411"); returns the program's path there.
inline std::string InstallationWithLanguage(const std::string& langCode) {
  const std::string folder = PrivateInstallation({"SETTING.INI"});
  std::string setting = testenv::ReadFile(AppProcess::InstallationFolder() + "/SETTING.INI");
  const std::size_t at = setting.find("LANGID=");
  if (at != std::string::npos) setting.replace(at, setting.find('\n', at) - at, "LANGID=" + langCode);
  testenv::WriteFile(folder + "/SETTING.INI", setting);
  return folder + "/xjk52util";
}

// Registers the simulator's network port with the communication library the way the
// port setting dialog does (test, then add), with a connection path when one is given,
// so the selection dialog lists it (a driver port path: the "p" option then opens it
// without the selection dialog).
inline void RegisterNetPort(const std::string& endpoint, const std::u16string& path = {}) {
  XJC xjc;
  ASSERT_EQ(xjc.Load(plat::FromUtf8(AppProcess::InstallationFolder() + "/XJComm.so")), XJC_OK);
  const std::u16string portName = plat::FromUtf8(endpoint);
  PortRecord record = MakePortRecord({.kind = kPortKindNet, .portName = portName, .path = path});
  ASSERT_EQ(xjc.XJC_CommunicationTest(&record), XJC_OK);
  ASSERT_EQ(xjc.XJC_AddPort(&record), XJC_OK);
  xjc.XJC_Terminate();
}

// Ends the program with SIGTERM and returns its exit code.
inline int TerminateAndWait(AppProcess& app) {
  app.Terminate();
  return app.WaitForExit();
}

}  // namespace e2e
