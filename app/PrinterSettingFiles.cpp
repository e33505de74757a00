#include "app/PrinterSettingFiles.h"

#include <string>

#include "app/CExtCommandLineInfo.h"
#include "app/settings/PluginDataMgr.h"
#include "app/settings/PrinterSettingIni.h"
#include "app/settings/SettingDataFile.h"
#include "platform/Text.h"

bool KeepsPrinterSettings(const AppSettingsBlock& block) {
  return (block.callerCode == kCallerNone && block.mode == kModeNormal) || block.mode == kModeFile;
}

bool ReadChosenPrinterSettings(PluginDataMgr& manager, const AppSettingsBlock& block) {
  if (!KeepsPrinterSettings(block)) return false;
  const std::u16string path = manager.GetSettingDataPath(plat::FieldText(block.chosenPort.deviceName),
                                                         plat::FieldText(block.chosenPort.portName));
  if (path.empty()) return false;
  return ReadSettingData(manager, path) == kSettingOk;
}

bool SavePrinterSettingFiles(PluginDataMgr& manager, const AppSettingsBlock& block) {
  if (!KeepsPrinterSettings(block)) return false;
  const std::u16string_view dataFolder = plat::FieldText(block.dataFolder);
  const std::u16string_view device = plat::FieldText(block.chosenPort.deviceName);
  const std::u16string_view port = plat::FieldText(block.chosenPort.portName);
  manager.AddPrinterEntry(dataFolder, device, port);
  const std::u16string path = manager.GetSettingDataPath(device, port);
  if (path.empty()) return false;
  // File mode has no printer to read: what the pages hold is the complete set.
  if (block.mode == kModeFile) manager.SetSettingsReadFlag(kSettingsRead);
  if (WriteSettingData(manager, kSettingDataModelName, path, kSettingDataHeaderValue, kSettingDataHeaderValue) !=
      kSettingDataWritten) {
    return false;
  }
  SavePrinterSettingIni(manager, dataFolder);
  return true;
}
