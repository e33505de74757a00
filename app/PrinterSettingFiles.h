#pragma once
// The per-printer setting files as start-up and shutdown use them: whether this run
// keeps them at all, reading the chosen printer's saved data at start-up, and writing
// the printer's entry, its data file and the index at exit.
//
// No Qt here. UI thread (start-up and shutdown).
#include <cstdint>
#include <string_view>

#include "sdk/AppSettingsBlock.h"

class PluginDataMgr;

// Model name and header values written into the setting data file.
inline constexpr char16_t kSettingDataModelName[] = u"XJ-K52II";
inline constexpr std::uint32_t kSettingDataHeaderValue = 0x00010000u;

// True when this run reads the saved setting data at start-up and writes it at exit:
// a normal start (mode 0) that no other program asked for (caller 0), or file mode.
bool KeepsPrinterSettings(const AppSettingsBlock& block);

// Start-up: reads the saved data blocks of the chosen printer (its device and port
// name) into manager when the run keeps settings and the printer has an entry. Returns
// true when a data file was read.
bool ReadChosenPrinterSettings(PluginDataMgr& manager, const AppSettingsBlock& block);

// Shutdown: when the run keeps settings, adds the chosen printer's entry to manager
// and, once the printer's settings were read completely (always in file mode, which
// marks them so first), writes its data file and then PrinterSetting.INI into the
// block's data folder. The index is written only together with the data file, so it
// never names a printer whose data was not kept. Returns true when both were written.
bool SavePrinterSettingFiles(PluginDataMgr& manager, const AppSettingsBlock& block);
