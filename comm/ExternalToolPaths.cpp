#include "comm/ExternalToolPaths.h"

#include <cstdlib>

#include "platform/Folders.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/Text.h"

namespace {

constexpr std::size_t kInstallLocationBufferBytes = 520;
constexpr std::size_t kAppPathBufferBytes = 260;
constexpr char16_t kDesktopEntryGroup[] = u"Desktop Entry";
constexpr char16_t kExecKey[] = u"Exec";
constexpr char16_t kApplicationsFolder[] = u"applications";
constexpr char kDefaultDataDirs[] = "/usr/local/share:/usr/share";

std::u16string ExistingFile(std::u16string path) { return plat::FileExists(path) ? path : std::u16string(); }

std::u16string_view TrimBlanks(std::u16string_view text) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  return text;
}

// The first word of an Exec line: quoted with double quotes (backslash escapes the next
// character inside), or up to the first blank.
std::u16string FirstExecWord(std::u16string_view command) {
  command = TrimBlanks(command);
  std::u16string word;
  if (!command.empty() && command.front() == u'"') {
    for (std::size_t i = 1; i < command.size(); ++i) {
      if (command[i] == u'\\' && i + 1 < command.size()) {
        word.push_back(command[++i]);
      } else if (command[i] == u'"') {
        return word;
      } else {
        word.push_back(command[i]);
      }
    }
    return {};  // no closing quote: not a usable command
  }
  const std::size_t blank = command.find_first_of(u" \t");
  return std::u16string(command.substr(0, blank));
}

}  // namespace

std::vector<std::u16string> ApplicationMenuFolders() {
  std::vector<std::u16string> folders;
  const char* dataDirs = std::getenv("XDG_DATA_DIRS");
  const std::u16string dirs = plat::FromUtf8(dataDirs != nullptr && *dataDirs != '\0' ? dataDirs : kDefaultDataDirs);
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t colon = dirs.find(u':', start);
    if (colon == std::u16string::npos) colon = dirs.size();
    const std::u16string_view dir = std::u16string_view(dirs).substr(start, colon - start);
    if (!dir.empty() && dir.front() == u'/') folders.push_back(plat::JoinPath(dir, kApplicationsFolder));
    start = colon + 1;
  }
  folders.push_back(plat::JoinPath(plat::UserAppDataFolder(), kApplicationsFolder));
  return folders;
}

std::u16string ResolveMenuEntry(std::u16string_view entryPath) {
  if (!plat::FileExists(entryPath)) return {};
  for (const std::u16string& line : plat::ProfileSectionLines(kDesktopEntryGroup, entryPath)) {
    const std::size_t eq = line.find(u'=');
    if (eq == std::u16string::npos) continue;
    if (TrimBlanks(std::u16string_view(line).substr(0, eq)) != kExecKey) continue;
    std::u16string program = FirstExecWord(std::u16string_view(line).substr(eq + 1));
    return (!program.empty() && program.front() == u'/') ? program : std::u16string();
  }
  return {};
}

std::u16string FindNetConfigTool() {
  std::u16string location;
  if (plat::RegQueryString(kNetConfigUninstallKey, kNetConfigInstallValue, location, kInstallLocationBufferBytes) &&
      !location.empty()) {
    return ExistingFile(plat::JoinPath(location, kNetConfigToolFile));
  }
  return ExistingFile(plat::JoinPath(plat::ProgramFilesFolder(), kNetConfigToolSubPath));
}

std::u16string FindVirtualPortTool() {
  std::u16string path;
  if (plat::RegQueryString(kVirtualPortAppPathKey, kVirtualPortAppPathValue, path, kAppPathBufferBytes))
    path = plat::ExpandEnvironmentStrings(path);
  // The App Paths value names the folder the tool is installed in; the tool is the
  // program file in it.
  if (!path.empty() && plat::FolderExists(path)) path = plat::JoinPath(path, kVirtualPortToolFile);
  if (path.empty()) {
    for (const std::u16string& folder : ApplicationMenuFolders()) {
      for (const char16_t* entry : {kVirtualPortMenuEntry, kVirtualPortDriverMenuEntry}) {
        path = ResolveMenuEntry(plat::JoinPath(folder, entry));
        if (!path.empty()) break;
      }
      if (!path.empty()) break;
    }
  }
  if (path.empty()) path = plat::JoinPath(plat::ProgramFilesFolder(), kVirtualPortToolSubPath);
  return ExistingFile(path);
}

std::u16string PairedBluetoothPort() {
  const std::u16string file = plat::JoinPath(plat::CommonAppDataFolder(), kBtSettingFileSubPath);
  if (!plat::FileExists(file)) return {};
  return plat::ProfileString(kBtSettingSection, kBtVirtualComPortKey, u"", file);
}

std::u16string FindBluetoothConnector() {
  const std::u16string root = plat::ProgramFilesFolder();
  std::u16string path = ExistingFile(plat::JoinPath(root, kBtConnectorSubPath));
  if (path.empty()) path = ExistingFile(plat::JoinPath(root, kBtConnectorSuiteSubPath));
  return path;
}
