#pragma once
// Texts of the Settings Backup page: entries of its language key "BACKUP_PAGE" and
// their English defaults.
#include <string_view>

inline constexpr std::u16string_view kBackupResourceKey = u"BACKUP_PAGE";
inline constexpr std::u16string_view kBackupPageTitle = u"Settings Backup";

// String entries.
namespace backup_str {
inline constexpr int kTitle = 0;
inline constexpr int kDescription = 1;
inline constexpr int kSaveButton = 2;
inline constexpr int kRestoreButton = 3;
inline constexpr int kColumnSetting = 4;
inline constexpr int kColumnNow = 5;
inline constexpr int kColumnFile = 6;
inline constexpr int kOn = 7;
inline constexpr int kOff = 8;
inline constexpr int kUnknown = 9;
inline constexpr int kLogos = 10;
inline constexpr int kLogosReplaced = 11;
inline constexpr int kSettingNumber = 12;  // "%s": the number
inline constexpr int kSwitchBit = 13;      // "%s": switch and bit
inline constexpr int kNoFile = 14;
inline constexpr int kFileName = 15;       // "%s": the file's path
inline constexpr int kFileModel = 16;      // "%s": the model name
inline constexpr int kFileSaved = 17;      // "%s": date and time
inline constexpr int kChangeCount = 18;    // "%s": the number of settings that change
inline constexpr int kWidth58 = 19;
inline constexpr int kWidth80 = 20;
inline constexpr int kDensityStandard = 21;
inline constexpr int kNormalPaper = 22;
inline constexpr int kThickPaper = 23;
inline constexpr int kContents = 24;
inline constexpr int kFilterSettings = 26;
inline constexpr int kFilterAll = 27;
inline constexpr int kSaveDialogTitle = 28;
inline constexpr int kOpenDialogTitle = 29;
// A setting's name: kSettingNameBase + its number; a memory switch bit's name:
// kSwitchBitNameBase + 10 x switch + bit.
inline constexpr int kSettingNameBase = 1000;
inline constexpr int kSwitchBitNameBase = 2000;
}  // namespace backup_str

// Message entries.
namespace backup_msg {
inline constexpr int kSaved = 0;
inline constexpr int kSaveFailed = 1;
inline constexpr int kReadFailed = 2;
inline constexpr int kRestoreQuestion = 3;
inline constexpr int kRestored = 4;
inline constexpr int kNothingSent = 5;
inline constexpr int kNoAnswer = 6;
inline constexpr int kRefused = 7;
inline constexpr int kLostAfterSending = 8;
inline constexpr int kInUseAfterSending = 9;
// Why a file is refused; the entry of SettingsFileCheck value n is kFileCheckBase + n.
inline constexpr int kFileCheckBase = 10;
}  // namespace backup_msg
