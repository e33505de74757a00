#include "app/settings/PrinterSettingIni.h"

#include <algorithm>
#include <string>
#include <vector>

#include "app/settings/PluginDataMgr.h"
#include "platform/Folders.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace {

// Room for the quotes around an entry text of full length (see Stored).
constexpr std::size_t kQuotesChars = 2;

// The form in which a text can be kept in the file: unpaired surrogates, which the UTF-8
// file cannot hold, become U+FFFD. Entries read are kept in this form too, so an entry
// compares equal to itself after it was saved and read again.
std::u16string Storable(std::u16string_view text) { return plat::FromUtf8(plat::ToUtf8(text)); }

bool IsProfileBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f'; }

// A text as it is written into the file: in double quotes when reading would change it
// otherwise (blanks at either end are trimmed, a pair of quotes around it is removed).
std::u16string Stored(std::u16string_view field) {
  std::u16string text = Storable(field);
  const bool blankAtEnd = !text.empty() && (IsProfileBlank(text.front()) || IsProfileBlank(text.back()));
  const bool quoted = text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') && text.back() == text.front();
  if (blankAtEnd || quoted) text = u"\"" + text + u"\"";
  return text;
}

std::u16string ReadEntryText(const std::u16string& section, const char16_t* key,
                             const std::u16string& iniPath) {
  char16_t value[kEntryTextCapacity + kQuotesChars] = {};
  plat::GetPrivateProfileStringW(section.c_str(), key, u"", value,
                                 static_cast<std::uint32_t>(kEntryTextCapacity + kQuotesChars), iniPath.c_str());
  return Storable(plat::FieldText(value));
}

}  // namespace

std::int32_t LoadPrinterSettingIni(PluginDataMgr& manager, std::u16string_view iniFolder,
                                   std::u16string_view dataFolder) {
  const std::u16string iniPath = plat::JoinPath(iniFolder, kPrinterSettingIniName);
  if (!plat::FileExists(iniPath))
    return static_cast<std::int32_t>(manager.PrinterEntryCount());

  std::int32_t count = plat::GetPrivateProfileIntW(kIniInfoSection, kIniCountKey, 0, iniPath.c_str());
  count = std::clamp(count, 0, kMaxPrinterEntries);

  // Sections that are not in the file read as empty without asking the file again.
  const std::vector<std::u16string> sections = plat::ProfileSectionNames(iniPath);
  auto present = [&sections](const std::u16string& name) {
    return std::any_of(sections.begin(), sections.end(),
                       [&name](const std::u16string& s) { return plat::EqualsNoCase(s, name); });
  };

  for (std::int32_t i = 0; i < count; ++i) {
    const std::u16string section = plat::NameIndex(kIniPortSectionPrefix, i);
    std::u16string device, port, dir;
    if (present(section)) {
      device = ReadEntryText(section, kIniDeviceNameKey, iniPath);
      port = ReadEntryText(section, kIniPortNameKey, iniPath);
      dir = ReadEntryText(section, kIniDirKey, iniPath);
    }
    const std::int32_t rc = manager.AppendPrinterEntry(dataFolder, device, port, dir);
    if (rc != kSettingOk) return rc;
  }
  return static_cast<std::int32_t>(manager.PrinterEntryCount());
}

std::int32_t SavePrinterSettingIni(const PluginDataMgr& manager, std::u16string_view iniFolder) {
  const std::size_t count = manager.PrinterEntryCount();
  if (count == 0) return 0;
  const std::u16string iniPath = plat::JoinPath(iniFolder, kPrinterSettingIniName);

  // Every change goes into the file in one replacement, so a crash or a full disk
  // leaves the old index or the new one, never a mixture.
  std::vector<plat::ProfileChange> changes;
  // A new file gets its INFO section on top, as the first thing a reader looks at.
  if (plat::ProfileString(kIniInfoSection, kIniCountKey, u"", iniPath).empty())
    changes.push_back({kIniInfoSection, kIniCountKey, u"0"});
  for (std::size_t i = 0; i < count; ++i) {
    const PrinterEntry& entry = manager.GetPrinterEntry(i);
    const std::u16string section =
        plat::NameIndex(kIniPortSectionPrefix, static_cast<long long>(i));
    changes.push_back({section, kIniDeviceNameKey, Stored(plat::FieldText(entry.DeviceName))});
    changes.push_back({section, kIniPortNameKey, Stored(plat::FieldText(entry.PortName))});
    changes.push_back({section, kIniDirKey, Stored(plat::FieldText(entry.Dir))});
  }
  changes.push_back({kIniInfoSection, kIniCountKey, plat::FormatInt(static_cast<long long>(count))});
  if (!plat::ProfileWriteChanges(iniPath, changes)) return kSettingCannotOpen;
  return static_cast<std::int32_t>(count);
}
