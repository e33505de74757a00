#include "cli/SettingNames.h"

#include <algorithm>

#include "platform/Text.h"
#include "plugins/common/SettingPageDefs.h"

namespace {

// Lower case without blanks: how names are compared.
std::string Normalized(std::string_view text) {
  std::string out;
  for (const char c : text) {
    if (c == ' ' || c == '\t') continue;
    out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  }
  return out;
}

// The value name without its unit: "80mm" -> "80", "110%" -> "110".
std::string WithoutUnit(std::string_view name) {
  for (const std::string_view unit : {std::string_view("mm"), std::string_view("%")}) {
    if (name.size() > unit.size() && name.substr(name.size() - unit.size()) == unit) {
      return std::string(name.substr(0, name.size() - unit.size()));
    }
  }
  return std::string(name);
}

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& item : items) {
    if (!out.empty()) out += ", ";
    out += item;
  }
  return out;
}

}  // namespace

SettingNames::SettingNames() : pages_(DescribedSettingPages()) {}

std::vector<NamedSetting> SettingNames::All() const {
  std::vector<NamedSetting> all;
  for (const PageDef& page : pages_) {
    for (const SettingDef& setting : page.settings) all.push_back({&page, &setting});
  }
  return all;
}

std::optional<NamedSetting> SettingNames::Find(std::string_view name) const {
  const std::string wanted = Normalized(name);
  for (const NamedSetting& named : All()) {
    if (named.setting->key == wanted) return named;
  }
  return std::nullopt;
}

std::string SettingNames::NameList() const {
  std::vector<std::string> names;
  for (const NamedSetting& named : All()) names.push_back(named.setting->key);
  return Join(names);
}

std::vector<std::string> SettingNames::ValueNames(const SettingDef& setting) {
  if (setting.choices.empty()) return {kValueOn, kValueOff};
  std::vector<std::string> names;
  for (const SettingChoice& choice : setting.choices) names.push_back(choice.key);
  return names;
}

std::optional<std::int32_t> SettingNames::ParseValue(const SettingDef& setting, std::string_view text) {
  const std::string wanted = Normalized(text);
  if (wanted.empty()) return std::nullopt;
  if (setting.choices.empty()) {
    if (wanted == kValueOn || wanted == "1" || wanted == "yes" || wanted == "true") return 1;
    if (wanted == kValueOff || wanted == "0" || wanted == "no" || wanted == "false") return 0;
    return std::nullopt;
  }
  for (const SettingChoice& choice : setting.choices) {
    if (wanted == choice.key || wanted == WithoutUnit(choice.key)) return choice.value;
  }
  return std::nullopt;
}

std::string SettingNames::ValueName(const SettingDef& setting, std::int32_t value) {
  if (setting.choices.empty()) {
    if (value == 1) return kValueOn;
    if (value == 0) return kValueOff;
  }
  for (const SettingChoice& choice : setting.choices) {
    if (choice.value == value) return choice.key;
  }
  return "unknown (" + std::to_string(value) + ")";
}

std::string SettingNames::Label(const SettingDef& setting) { return plat::ToUtf8(setting.label); }

bool SettingNames::ParseAssignments(const std::vector<std::string>& texts, std::vector<SettingAssignment>& out,
                                    std::string& error) const {
  out.clear();
  std::vector<SettingAssignment> parsed;
  for (const std::string& text : texts) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
      error = "\"" + text + "\" is no setting=value (for example density=110%)";
      return false;
    }
    const std::string name = text.substr(0, equals);
    const std::string valueText = text.substr(equals + 1);
    const std::optional<NamedSetting> named = Find(name);
    if (!named) {
      error = "unknown setting \"" + name + "\"; the settings are: " + NameList();
      return false;
    }
    const std::optional<std::int32_t> value = ParseValue(*named->setting, valueText);
    if (!value) {
      error = "\"" + valueText + "\" is no value of " + named->setting->key +
              "; valid values: " + Join(ValueNames(*named->setting));
      return false;
    }
    const bool twice = std::any_of(parsed.begin(), parsed.end(), [&](const SettingAssignment& earlier) {
      return earlier.target.setting == named->setting;
    });
    if (twice) {
      error = named->setting->key + " is named twice";
      return false;
    }
    parsed.push_back({*named, *value});
  }
  out = std::move(parsed);
  return true;
}
