#pragma once
// The parts of start-up that only read files and fill the application settings block:
// the feature switches and the interface order from SETTING.INI (with the language
// file's default order), the record of a port given by its connection path, and the
// printer capability flags' starting values.
//
// No Qt here. UI thread (start-up).
#include <array>
#include <cstdint>
#include <string_view>

#include "sdk/AppSettingsBlock.h"
#include "sdk/PortRecord.h"

// Sections and keys of SETTING.INI read at start-up.
inline constexpr char16_t kFontSection[] = u"Font";
inline constexpr char16_t kIfSettingSection[] = u"IFSetting";
inline constexpr char16_t kSupportSection[] = u"Support";
inline constexpr char16_t kLogoSection[] = u"Logo";
inline constexpr char16_t kSupportCommIfSection[] = u"SupportCommIF";
inline constexpr char16_t kCommIfTypeKeyPrefix[] = u"CommIFType_";
inline constexpr char16_t kDefaultIfTypeKey[] = u"DefaultIFType";

inline constexpr std::int32_t kNoInterface = -1;
inline constexpr std::int32_t kBuiltInDefaultInterface = 2;
inline constexpr std::size_t kInterfaceOrderLength = 5;
// Language key of the port setting dialog, whose messages hold the default order.
inline constexpr char16_t kPortAddDialogKey[] = u"PORT_ADD_DLG";
// Messages of "PORT_ADD_DLG" with the interface order and the default interface.
inline constexpr int kInterfaceOrderMessage = 100;
inline constexpr int kDefaultInterfaceMessage = 101;
inline constexpr char16_t kBuiltInInterfaceOrder[] = u"2";

// Reads the feature switches (missing keys are 0): EnableFontA, EnableFontB,
// EnableFlexibleFont of "Font"; EnableIFSelect, EnableBTSearch of "IFSetting"; ARP and
// WM of "Support" (both 1 without reading in file mode); AutoKeycodeNumbering of
// "Logo"; the value at 11608 becomes 0.
void ReadFeatureSwitches(AppSettingsBlock& block, std::u16string_view settingIni, std::int32_t mode);

// The interface order: CommIFType_1 .. CommIFType_5 of "SupportCommIF" up to the first
// -1 (later entries stay -1) and DefaultIFType. Without CommIFType_1 (or without a
// settings file) the order comes from the language file: message 100 of "PORT_ADD_DLG"
// ("2" when the file has none) read as up to five comma-separated numbers, and the
// default interface from message 101 (or, without it, from the same text).
void ReadInterfaceOrder(AppSettingsBlock& block, std::u16string_view settingIni, std::u16string_view langFolder,
                        std::int32_t langId);

// Up to five numbers separated by commas, as "%d,%d,%d,%d,%d" reads them: reading stops
// at the first text that is no number (or no comma); unread entries keep their value.
void ParseInterfaceList(std::u16string_view text, std::array<std::int32_t, kInterfaceOrderLength>& values);

// A zeroed record for a port given by its connection path: presetA = presetB = -1,
// pathGiven = 1 and path = the first 258 characters of path.
PortRecord MakeConnectionPathRecord(std::u16string_view path);

// Capability flags before the printer is asked: ARP support on, every flag 0; in file
// mode the flags of function 6 and of the commands (0x0E, 0x30) and (0x0E, 0x52) on.
void ResetCapabilityFlags(AppSettingsBlock& block, std::int32_t mode);
