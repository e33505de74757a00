#pragma once
// The settings as the command-line tool names them: every setting of the setting pages
// (plugins/common/SettingPageDefs.h) by its script name ("paper-width"), with its
// values by their script names ("80mm", "110%", "on"). Assignments such as
// "density=110%" are checked whole before anything is sent; a mistake gets a message
// that names what is valid.
//
// No Qt here. Pure; any thread.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "plugins/common/SettingPage.h"

// Value names of a setting shown as a check box.
inline constexpr char kValueOn[] = "on";
inline constexpr char kValueOff[] = "off";

// One setting and the page it belongs to.
struct NamedSetting {
  const PageDef* page = nullptr;
  const SettingDef* setting = nullptr;
};

// A checked "name=value".
struct SettingAssignment {
  NamedSetting target;
  std::int32_t value = 0;
};

class SettingNames {
 public:
  // The settings of the described pages, in page order.
  SettingNames();
  SettingNames(const SettingNames&) = delete;
  SettingNames& operator=(const SettingNames&) = delete;

  const std::vector<PageDef>& Pages() const { return pages_; }
  // Every setting, in page order.
  std::vector<NamedSetting> All() const;
  // The setting of that name (letter case ignored); nothing when there is none.
  std::optional<NamedSetting> Find(std::string_view name) const;
  // "paper-width, density, ..." for messages.
  std::string NameList() const;

  // The names of a setting's values, in the page's order: its choices, or on and off.
  static std::vector<std::string> ValueNames(const SettingDef& setting);
  // The value that text names. Letter case and blanks do not matter, and the unit may
  // be left out ("80" for "80mm", "110" for "110%"); a check box also takes 1/0,
  // yes/no and true/false. Nothing when text names no value of the setting.
  static std::optional<std::int32_t> ParseValue(const SettingDef& setting, std::string_view text);
  // The name of a value; a value the page does not know: "unknown (N)".
  static std::string ValueName(const SettingDef& setting, std::int32_t value);
  // The page's English label of the setting.
  static std::string Label(const SettingDef& setting);

  // Checks "name=value" texts. On success out holds one assignment per text, in the
  // order given. Otherwise the first mistake is described in error (an unknown setting
  // with the list of names, an invalid value with the setting's valid values, a text
  // without "=", a setting named twice) and out is empty.
  bool ParseAssignments(const std::vector<std::string>& texts, std::vector<SettingAssignment>& out,
                        std::string& error) const;

 private:
  std::vector<PageDef> pages_;
};
