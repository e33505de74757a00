// registry.ini as it may be found on a machine: every key the file names is looked up,
// its subkeys listed and its values read with buffers of several sizes, the way the
// printer list and the external tools' lookups read them.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "comm/ExternalToolPaths.h"
#include "comm/PrinterListRules.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Folders.h"
#include "platform/Profile.h"
#include "platform/Registry.h"
#include "platform/Text.h"

namespace {

using fuzzsupport::Require;

// Every lookup parses the file anew (it was just written): a few keys and values each
// are enough to reach every path of the reader.
constexpr std::size_t kMaxKeysVisited = 8;
constexpr std::size_t kMaxValuesVisited = 4;
constexpr std::size_t kBufferBytes[] = {2, kPosPrinterPortBufferBytes};

void CheckSubKeys(std::u16string_view key) {
  const std::vector<std::u16string> subKeys = plat::RegEnumSubKeys(key);
  for (std::size_t i = 0; i < subKeys.size(); ++i) {
    Require(!subKeys[i].empty() && subKeys[i].find(u'\\') == std::u16string::npos,
            "a subkey is one non-empty name");
    for (std::size_t j = 0; j < i; ++j) Require(!plat::EqualsNoCase(subKeys[i], subKeys[j]), "subkeys are listed once");
  }
}

void ReadValues(std::u16string_view key, const std::vector<std::u16string>& names) {
  for (const std::u16string& name : names) {
    for (std::size_t bytes : kBufferBytes) {
      std::u16string value = u"unchanged";
      if (plat::RegQueryString(key, name, value, bytes)) {
        Require((value.size() + 1) * sizeof(char16_t) <= bytes, "a value fits its buffer");
        plat::ExpandEnvironmentStrings(value);
      } else {
        Require(value == u"unchanged", "a value not read leaves the text alone");
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string file = plat::RegistryFilePath();
  fuzzsupport::WriteInput(plat::ToUtf8(file), data, size);

  // The keys the program reads.
  CheckSubKeys(kPosPrinterKey);
  for (const std::u16string& device : plat::RegEnumSubKeys(kPosPrinterKey)) {
    ReadValues(std::u16string(kPosPrinterKey) + u"\\" + device, {kPosPrinterPortValue});
  }
  ReadValues(kNetConfigUninstallKey, {kNetConfigInstallValue});
  ReadValues(kVirtualPortAppPathKey, {kVirtualPortAppPathValue});

  // Every key the file names, its parent, and the names of its values.
  const std::vector<std::u16string> sections = plat::ProfileSectionNames(file);
  for (std::size_t s = 0; s < std::min(sections.size(), kMaxKeysVisited); ++s) {
    const std::u16string& key = sections[s];
    plat::RegKeyExists(key);
    CheckSubKeys(key);
    CheckSubKeys(key.substr(0, key.rfind(u'\\') == std::u16string::npos ? 0 : key.rfind(u'\\')));
    std::vector<std::u16string> names;
    for (const std::u16string& line : plat::ProfileSectionLines(key, file)) {
      names.push_back(line.substr(0, line.find(u'=')));
      if (names.size() == kMaxValuesVisited) break;
    }
    ReadValues(key, names);
    plat::ExpandEnvironmentStrings(key);
  }
  return 0;
}
