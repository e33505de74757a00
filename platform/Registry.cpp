#include "platform/Registry.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Folders.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace plat {
namespace {

struct RootAlias {
  std::u16string_view longName;
  std::u16string_view shortName;
};
constexpr RootAlias kRoots[] = {
    {u"hkey_local_machine", u"hklm"},
    {u"hkey_current_user", u"hkcu"},
    {u"hkey_classes_root", u"hkcr"},
    {u"hkey_users", u"hku"},
};

constexpr char16_t kSeparator = u'\\';
constexpr char16_t kDefaultProgramFiles[] = u"/opt";

// Lower case, short root name, no trailing separator: the form in which two key paths
// are compared.
std::u16string CanonicalKey(std::u16string_view path) {
  std::u16string key = ToLowerAscii(path);
  while (!key.empty() && key.back() == kSeparator) key.pop_back();
  for (const RootAlias& root : kRoots) {
    if (key.compare(0, root.longName.size(), root.longName) == 0 &&
        (key.size() == root.longName.size() || key[root.longName.size()] == kSeparator)) {
      key.replace(0, root.longName.size(), root.shortName);
      break;
    }
  }
  return key;
}

// The section of the file that holds the key, if any.
bool FindSection(std::u16string_view keyPath, std::u16string& section) {
  const std::u16string wanted = CanonicalKey(keyPath);
  if (wanted.empty()) return false;
  for (const std::u16string& name : ProfileSectionNames(RegistryFilePath())) {
    if (CanonicalKey(name) == wanted) {
      section = name;
      return true;
    }
  }
  return false;
}

std::u16string_view Trim(std::u16string_view text) {
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  return text;
}

// A value written in quotes loses them, as the profile reader does for single values.
std::u16string_view Unquote(std::u16string_view value) {
  if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
    return value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

std::u16string RegistryFilePath() { return JoinPath(CommonAppDataFolder(), kRegistryFileName); }

bool RegKeyExists(std::u16string_view keyPath) {
  std::u16string section;
  return FindSection(keyPath, section);
}

bool RegQueryString(std::u16string_view keyPath, std::u16string_view valueName, std::u16string& value,
                    std::size_t bufferBytes) {
  std::u16string section;
  if (!FindSection(keyPath, section)) return false;
  for (const std::u16string& line : ProfileSectionLines(section, RegistryFilePath())) {
    const std::size_t eq = line.find(u'=');
    if (eq == std::u16string::npos) continue;
    if (!EqualsNoCase(Trim(std::u16string_view(line).substr(0, eq)), valueName)) continue;
    const std::u16string_view found = Unquote(Trim(std::u16string_view(line).substr(eq + 1)));
    if ((found.size() + 1) * sizeof(char16_t) > bufferBytes) return false;
    value.assign(found);
    return true;
  }
  return false;
}

std::vector<std::u16string> RegEnumSubKeys(std::u16string_view keyPath) {
  std::vector<std::u16string> subKeys;
  const std::u16string parent = CanonicalKey(keyPath);
  if (parent.empty()) return subKeys;
  for (const std::u16string& name : ProfileSectionNames(RegistryFilePath())) {
    std::u16string trimmed(name);
    while (!trimmed.empty() && trimmed.back() == kSeparator) trimmed.pop_back();
    const std::u16string canonical = CanonicalKey(trimmed);
    if (canonical.size() <= parent.size() + 1 || canonical.compare(0, parent.size(), parent) != 0 ||
        canonical[parent.size()] != kSeparator) {
      continue;
    }
    // The subkey's name keeps its letter case as written; it is the part of the section
    // name after the parent's last separator, up to the next one.
    const std::size_t depth = static_cast<std::size_t>(std::count(parent.begin(), parent.end(), kSeparator)) + 1;
    std::size_t start = 0;
    for (std::size_t i = 0; i < depth; ++i) start = trimmed.find(kSeparator, start) + 1;
    const std::size_t end = trimmed.find(kSeparator, start);
    std::u16string child = trimmed.substr(start, end == std::u16string::npos ? std::u16string::npos : end - start);
    if (child.empty()) continue;
    bool known = false;
    for (const std::u16string& existing : subKeys) known = known || EqualsNoCase(existing, child);
    if (!known) subKeys.push_back(std::move(child));
  }
  return subKeys;
}

std::u16string ProgramFilesFolder() {
  const char* env = std::getenv("ProgramFiles");
  if (env != nullptr && *env != '\0') return FromUtf8(env);
  return kDefaultProgramFiles;
}

std::u16string ExpandEnvironmentStrings(std::u16string_view text) {
  std::u16string out;
  std::size_t pos = 0;
  while (pos < text.size()) {
    const std::size_t open = text.find(u'%', pos);
    if (open == std::u16string_view::npos) break;
    const std::size_t close = text.find(u'%', open + 1);
    if (close == std::u16string_view::npos) break;
    out.append(text.substr(pos, open - pos));
    const std::u16string_view name = text.substr(open + 1, close - open - 1);
    std::u16string replacement;
    bool found = false;
    if (EqualsNoCase(name, u"ProgramFiles")) {
      replacement = ProgramFilesFolder();
      found = true;
    } else if (!name.empty()) {
      const char* env = std::getenv(ToUtf8(name).c_str());
      if (env != nullptr) {
        replacement = FromUtf8(env);
        found = true;
      }
    }
    if (found) {
      out.append(replacement);
      pos = close + 1;
    } else {
      // Not a variable: keep the first "%" and look again from the second one.
      out.append(text.substr(open, close - open));
      pos = close;
    }
  }
  out.append(text.substr(pos));
  return out;
}

}  // namespace plat
