#pragma once
// Where the maker's optional tools are installed: the network configuration tool, the
// virtual serial port tool and the Bluetooth connector of the port setting dialog, and
// what the connector leaves behind.
// Each is looked up the way its installer leaves it behind: a registry value first,
// then the application menu entries the installer created (system-wide menu first, then
// the user's), then the folder for optional vendor software (%ProgramFiles%, "/opt"
// unless the ProgramFiles variable says otherwise). A tool that is not found gives an
// empty path, and the dialog leaves its button disabled.
//
// Threads: any thread (reads files and the environment only).
#include <string>
#include <string_view>
#include <vector>

// Registry keys and values naming the tools' locations.
inline constexpr char16_t kNetConfigUninstallKey[] =
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
    u"{5C1E2A90-7B34-4F61-A8D2-3E9F07C4B1D6}";
inline constexpr char16_t kNetConfigInstallValue[] = u"InstallLocation";
inline constexpr char16_t kVirtualPortAppPathKey[] =
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\NrvCa.exe";
inline constexpr char16_t kVirtualPortAppPathValue[] = u"Path";

// Program files of the tools and their places below %ProgramFiles%.
inline constexpr char16_t kNetConfigToolFile[] = u"NNConfig";
inline constexpr char16_t kNetConfigToolSubPath[] = u"NORVE/NorveNet Config V4/NNConfig";
inline constexpr char16_t kVirtualPortToolFile[] = u"NrvCa";
inline constexpr char16_t kVirtualPortToolSubPath[] = u"NORVE/DADAZUDI/NrvCa";
inline constexpr char16_t kBtConnectorSubPath[] = u"NORVE/XJ Bluetooth Connector/DIVarovevivOzazidura";
inline constexpr char16_t kBtConnectorSuiteSubPath[] =
    u"NORVE/XJ-K52II Software/XJ Bluetooth Connector/DIVarovevivOzazidura";
// The settings file the Bluetooth connector leaves behind, below the common data
// folder, and the value naming the serial port it paired.
inline constexpr char16_t kBtSettingFileSubPath[] = u"NORVE/VADEVevedaver/XJBTSetting.ini";
inline constexpr char16_t kBtSettingSection[] = u"Setting";
inline constexpr char16_t kBtVirtualComPortKey[] = u"VirtualComPort";

// Menu entries of the virtual port tool, below an application menu folder, in the
// order they are tried.
inline constexpr char16_t kVirtualPortMenuEntry[] = u"NORVE DADAZUDI Serial Emulation Driver/COM Assignment Tool.desktop";
inline constexpr char16_t kVirtualPortDriverMenuEntry[] = u"NORVE/XJ Virtual Port Driver/Port Assignment Tool.desktop";

// The network configuration tool: the install location from its uninstall key plus
// "/NNConfig" when that value is set, else %ProgramFiles%/NORVE/NorveNet Config V4/
// NNConfig. Empty when the resulting file does not exist.
std::u16string FindNetConfigTool();

// The virtual port tool: the registry's App Paths value (environment variables
// expanded; a folder there means the tool file in it), else the program of the first of
// its menu entries that resolves (system-wide menu, then the user's), else
// %ProgramFiles%/NORVE/DADAZUDI/NrvCa. Empty when that file does not exist.
std::u16string FindVirtualPortTool();

// The Bluetooth connector below %ProgramFiles%, in the stand-alone or in the suite's
// folder; empty when neither exists.
std::u16string FindBluetoothConnector();

// The serial port the Bluetooth connector paired last, as its settings file below the
// common data folder names it; empty when there is no such file or value.
std::u16string PairedBluetoothPort();

// The application menu folders, system-wide first ($XDG_DATA_DIRS, default
// /usr/local/share:/usr/share, each + "/applications"), then the user's
// ($XDG_DATA_HOME or ~/.local/share, + "/applications").
std::vector<std::u16string> ApplicationMenuFolders();

// The absolute program path that a menu entry (a ".desktop" file) starts: the first
// word of its Exec line in the [Desktop Entry] group (double quotes honoured). Empty when
// the file cannot be read, has no Exec line, or names no absolute path.
std::u16string ResolveMenuEntry(std::u16string_view entryPath);
