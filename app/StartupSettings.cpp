#include "app/StartupSettings.h"

#include <cstring>

#include "app/CExtCommandLineInfo.h"
#include "lang/CLangResTable.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace {
constexpr char16_t kEnableFontA[] = u"EnableFontA";
constexpr char16_t kEnableFontB[] = u"EnableFontB";
constexpr char16_t kEnableFlexibleFont[] = u"EnableFlexibleFont";
constexpr char16_t kEnableIFSelect[] = u"EnableIFSelect";
constexpr char16_t kEnableBTSearch[] = u"EnableBTSearch";
constexpr char16_t kArpKey[] = u"ARP";
constexpr char16_t kWmKey[] = u"WM";
constexpr char16_t kAutoKeycodeNumbering[] = u"AutoKeycodeNumbering";
constexpr std::int32_t kSwitchOff = 0;
constexpr std::int32_t kSwitchOn = 1;

std::int32_t Switch(std::u16string_view section, std::u16string_view key, std::u16string_view file) {
  return plat::ProfileInt(section, key, kSwitchOff, file);
}

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f'; }

// One "%d" at pos: blanks, an optional sign, at least one digit. Saturates like the
// C runtime's reading of an int that does not fit.
bool ReadInt(std::u16string_view text, std::size_t& pos, std::int32_t& value) {
  std::size_t i = pos;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
  if (i >= text.size() || !IsDigit(text[i])) return false;
  long long v = 0;
  while (i < text.size() && IsDigit(text[i])) {
    if (v <= 0x80000000LL) v = v * 10 + (text[i] - u'0');
    ++i;
  }
  if (negative) v = -v;
  if (v > 0x7FFFFFFFLL) v = 0x7FFFFFFFLL;
  if (v < -0x80000000LL) v = -0x80000000LL;
  value = static_cast<std::int32_t>(v);
  pos = i;
  return true;
}
}  // namespace

void ReadFeatureSwitches(AppSettingsBlock& block, std::u16string_view settingIni, std::int32_t mode) {
  block.enableFontA = Switch(kFontSection, kEnableFontA, settingIni);
  block.enableFontB = Switch(kFontSection, kEnableFontB, settingIni);
  block.enableFlexibleFont = Switch(kFontSection, kEnableFlexibleFont, settingIni);
  block.enableIFSelect = Switch(kIfSettingSection, kEnableIFSelect, settingIni);
  block.enableBTSearch = Switch(kIfSettingSection, kEnableBTSearch, settingIni);
  if (mode == kModeFile) {
    block.arpSwitch = kSwitchOn;
    block.wmSwitch = kSwitchOn;
  } else {
    block.arpSwitch = Switch(kSupportSection, kArpKey, settingIni);
    block.wmSwitch = Switch(kSupportSection, kWmKey, settingIni);
  }
  block.autoKeycodeNumbering = Switch(kLogoSection, kAutoKeycodeNumbering, settingIni);
  block.value11608 = 0;
}

void ParseInterfaceList(std::u16string_view text, std::array<std::int32_t, kInterfaceOrderLength>& values) {
  std::size_t pos = 0;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != u',') return;
      ++pos;
    }
    std::int32_t value = 0;
    if (!ReadInt(text, pos, value)) return;
    values[i] = value;
  }
}

void ReadInterfaceOrder(AppSettingsBlock& block, std::u16string_view settingIni, std::u16string_view langFolder,
                        std::int32_t langId) {
  for (std::int32_t& entry : block.ifOrder) entry = kNoInterface;
  block.defaultIfType = kBuiltInDefaultInterface;
  if (!settingIni.empty()) {
    for (std::size_t i = 0; i < kInterfaceOrderLength; ++i) {
      const std::u16string key = kCommIfTypeKeyPrefix + plat::FormatInt(static_cast<long long>(i + 1));
      const std::int32_t value = plat::ProfileInt(kSupportCommIfSection, key, kNoInterface, settingIni);
      if (value == kNoInterface) break;
      block.ifOrder[i] = value;
    }
    block.defaultIfType = plat::ProfileInt(kSupportCommIfSection, kDefaultIfTypeKey, kNoInterface, settingIni);
  }
  if (block.ifOrder[0] != kNoInterface) return;

  CLangResTable table;
  table.SelectLanguageFile(langFolder, langId, kLangIdEnglish);
  if (table.IsFileFound()) table.LoadResources(kPortAddDialogKey);
  std::u16string text = table.MessageOr(kInterfaceOrderMessage, kBuiltInInterfaceOrder);
  std::array<std::int32_t, kInterfaceOrderLength> order{};
  order.fill(kNoInterface);
  ParseInterfaceList(text, order);
  std::memcpy(block.ifOrder, order.data(), sizeof block.ifOrder);
  std::u16string defaultText;
  if (table.GetMessageText(kDefaultInterfaceMessage, defaultText) == kLangOk) text = defaultText;
  block.defaultIfType = plat::ParseLeadingInt(text);
}

PortRecord MakeConnectionPathRecord(std::u16string_view path) {
  PortRecord record;
  std::memset(&record, 0, sizeof record);
  record.presetA = -1;
  record.presetB = -1;
  record.pathGiven = 1;
  plat::CopyText(record.path, path, kCommandTextMax);
  return record;
}

void ResetCapabilityFlags(AppSettingsBlock& block, std::int32_t mode) {
  block.arpSwitch = 1;
  block.supportsFunction6 = 0;
  block.cap11620 = 0;
  block.command0E30Enabled = 0;
  block.cap11628 = 0;
  block.cap11656 = 0;
  block.cap11660 = 0;
  block.command0E52Enabled = 0;
  block.cap11668 = 0;
  block.cap11672 = 0;
  if (mode == kModeFile) {
    block.supportsFunction6 = 1;
    block.command0E30Enabled = 1;
    block.command0E52Enabled = 1;
  }
}
