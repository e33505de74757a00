#pragma once
// The printer setting index PrinterSetting.INI: which printers (device name and port)
// the utility has been used with and in which sub-folder of the data folder each one
// keeps its setting data file.
//
//   [INFO]    COUNT=<number of printers>
//   [PORT_i]  DeviceName=...  PortName=...  Dir=...     for i = 0 .. COUNT-1
//
// Both functions run on the user-interface thread.
#include <cstdint>
#include <string_view>

class PluginDataMgr;

inline constexpr char16_t kPrinterSettingIniName[] = u"PrinterSetting.INI";
inline constexpr char16_t kIniInfoSection[] = u"INFO";
inline constexpr char16_t kIniCountKey[] = u"COUNT";
inline constexpr char16_t kIniPortSectionPrefix[] = u"PORT";
inline constexpr char16_t kIniDeviceNameKey[] = u"DeviceName";
inline constexpr char16_t kIniPortNameKey[] = u"PortName";
inline constexpr char16_t kIniDirKey[] = u"Dir";

// A damaged COUNT is not followed further than this many printers.
inline constexpr std::int32_t kMaxPrinterEntries = 1024;

// Reads iniFolder/PrinterSetting.INI and appends one printer entry per PORT_i section
// announced by COUNT (a missing section gives an entry with empty names), composing each
// data path below dataFolder. A negative COUNT reads as 0; a COUNT above
// kMaxPrinterEntries reads as kMaxPrinterEntries. Texts are kept in the form the file
// can hold (see SavePrinterSettingIni).
// Returns the number of printer entries of the manager afterwards (0 when the file does
// not exist), or kSettingNoMemory.
std::int32_t LoadPrinterSettingIni(PluginDataMgr& manager, std::u16string_view iniFolder,
                                   std::u16string_view dataFolder);

// Writes every printer entry of the manager into iniFolder/PrinterSetting.INI: the
// sections PORT_0 .. PORT_n-1 and COUNT, in one replacement of the file, so a crash or a
// failed write leaves the old index whole. A text with blanks at either end, or in a
// pair of quotes, is written in double quotes, so that it reads back as it was; an
// unpaired surrogate, which the file cannot hold, is written (and read) as U+FFFD.
// Other sections and keys of the file, including PORT_i sections of higher numbers, stay
// as they are. With no entries nothing is written. Returns the number of entries
// written, or kSettingCannotOpen when the file could not be written (it is then as it
// was).
std::int32_t SavePrinterSettingIni(const PluginDataMgr& manager, std::u16string_view iniFolder);
