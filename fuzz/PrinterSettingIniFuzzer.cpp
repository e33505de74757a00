// The printer setting index as it comes from other machines: every entry read must keep
// its data file inside its own sub-folder of the data folder, and a small index written
// out again must read back the same entries.
#include <unistd.h>

#include <cstdint>
#include <string>

#include "app/settings/PluginDataMgr.h"
#include "app/settings/PrinterSettingIni.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Text.h"

namespace {

using fuzzsupport::Require;

// Writing an index rewrites the file for every key; larger indexes are only read.
constexpr std::size_t kMaxEntriesWritten = 6;

// dataFolder/<dir>/<file>, or dataFolder/<file> for an entry without a sub-folder, with
// no part that leaves its folder.
bool InsideDataFolder(std::u16string_view path, const std::u16string& dataFolder) {
  if (path.substr(0, dataFolder.size() + 1) != dataFolder + u"/") return false;
  std::u16string_view rest = path.substr(dataFolder.size() + 1);
  for (int part = 0; part < 2 && !rest.empty(); ++part) {
    const std::size_t slash = rest.find(u'/');
    const std::u16string_view name = rest.substr(0, slash);
    if (name.empty() || name == u"." || name == u"..") return false;
    rest = slash == std::u16string_view::npos ? std::u16string_view() : rest.substr(slash + 1);
    if (slash != std::u16string_view::npos && rest.empty()) return false;
  }
  return rest.empty();
}

// Texts as they are stored in a file (unpaired surrogates cannot be and become U+FFFD).
std::string Stored(std::u16string_view text) { return plat::ToUtf8(text); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzzsupport::Init();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& folder = fuzzsupport::Folder("ini");
  const std::u16string dataFolder = plat::FromUtf8(fuzzsupport::Folder("ini-data"));
  fuzzsupport::WriteInput(folder + "/PrinterSetting.INI", data, size);

  PluginDataMgr manager;
  const std::int32_t count = LoadPrinterSettingIni(manager, plat::FromUtf8(folder), dataFolder);
  Require(count >= 0 && count <= kMaxPrinterEntries && static_cast<std::size_t>(count) == manager.PrinterEntryCount(),
          "the entry count is bounded and reported");
  for (std::size_t i = 0; i < manager.PrinterEntryCount(); ++i) {
    const PrinterEntry& entry = manager.GetPrinterEntry(i);
    const std::u16string_view path = plat::FieldText(entry.DataPath);
    Require(path.empty() || InsideDataFolder(path, dataFolder), "a data file stays in its sub-folder");
    manager.GetSettingDataPath(plat::FieldText(entry.DeviceName), plat::FieldText(entry.PortName));
  }
  if (manager.PrinterEntryCount() == 0 || manager.PrinterEntryCount() > kMaxEntriesWritten) return 0;

  const std::string& copyFolder = fuzzsupport::Folder("ini-copy");
  ::unlink((copyFolder + "/PrinterSetting.INI").c_str());
  Require(SavePrinterSettingIni(manager, plat::FromUtf8(copyFolder)) == count, "the entries read can be written");
  PluginDataMgr again;
  Require(LoadPrinterSettingIni(again, plat::FromUtf8(copyFolder), dataFolder) == count,
          "a written index reads back as many entries");
  for (std::size_t i = 0; i < manager.PrinterEntryCount(); ++i) {
    const PrinterEntry& a = manager.GetPrinterEntry(i);
    const PrinterEntry& b = again.GetPrinterEntry(i);
    Require(Stored(plat::FieldText(a.DeviceName)) == Stored(plat::FieldText(b.DeviceName)) &&
                Stored(plat::FieldText(a.PortName)) == Stored(plat::FieldText(b.PortName)) &&
                Stored(plat::FieldText(a.Dir)) == Stored(plat::FieldText(b.Dir)),
            "a written index reads back the same entries");
  }
  return 0;
}
