#pragma once
// The application settings block: the one fixed-layout block of application state that
// is copied into the selection and language dialogs and back, and whose address every
// plug-in receives, so its byte layout is part of the plug-in interface.
//
// Declared in field order with 4-byte packing. On a 32-bit build every field sits at its
// designed offset and the block is 11688 bytes; on a 64-bit build the four address
// fields are 8 bytes wide, so the fields after each move by 4 and the block is 11704
// bytes. Texts are UTF-16, NUL-terminated, in fixed arrays of 260 characters.
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "sdk/PortRecord.h"

class IXJComm;
class IPluginDataMgr;
class IEngineManager;

// Chosen interface types (offset 524).
inline constexpr std::int32_t kIfTypeSerial = 1;
inline constexpr std::int32_t kIfTypeParallel = 2;
inline constexpr std::int32_t kIfTypeUsb = 3;
inline constexpr std::int32_t kIfTypeEthernet = 4;
inline constexpr std::int32_t kIfTypeBluetooth = 5;
inline constexpr std::int32_t kIfTypeConnectionPath = 6;

// Launch modes (offset 6292), from the command line.
inline constexpr std::int32_t kModeNormal = 0;
inline constexpr std::int32_t kModeLogo = 1;
inline constexpr std::int32_t kModePrinterControl = 2;
inline constexpr std::int32_t kModeRemote = 3;       // connection path given with "r"
inline constexpr std::int32_t kModeFile = 4;         // settings saved to the "mF" file
inline constexpr std::int32_t kModeCoupon = 5;
inline constexpr std::int32_t kModeDriver = 100;     // started by the printer driver
inline constexpr std::int32_t kModeDriverLogo = 110;  // started by the printer driver, logo menu

#pragma pack(push, 4)
struct AppSettingsBlock {
  std::int32_t langId;                 //     0 LANGID
  char16_t langCode[260];              //     4 e.g. "0409"
  std::int32_t chosenIfType;           //   524 1..5, 6 = connection path
  PortRecord chosenPort;               //   528 portName at 1048, deviceName at 2620
  std::int32_t mode;                   //  6292 command-line launch mode
  char16_t portText[260];              //  6296 "p" option
  char16_t printerName[260];           //  6816 "q" option
  char16_t connectionPath[260];        //  7336 "r" option
  std::int32_t callerCode;             //  7856 "d" option
  std::int32_t value203;               //  7860 set to 203 by start-up
  std::uint8_t unused7864[576];        //  7864..8439
  IXJComm* xjc;                        //  8440 communication library object
  IPluginDataMgr* dataMgr;             //  8444 (64-bit: 8448)
  char16_t exeFolder[260];             //  8448 with trailing "/"
  char16_t tempFolder[260];            //  8968 data folder + "/TMP"
  char16_t dataFolder[260];            //  9488 common data/NORVE/XJK52IIUTL
  char16_t langFolder[260];            // 10008 executable folder + "LANG"
  char16_t settingsFilePath[260];      // 10528 "mF" path
  char16_t logoPath[260];              // 11048 mode 4 logo file
  std::recursive_mutex* commLock;      // 11568 communication lock
  std::int32_t enableFlexibleFont;     // 11572
  std::int32_t enableFontA;            // 11576
  std::int32_t enableFontB;            // 11580
  std::int32_t enableIFSelect;         // 11584
  std::int32_t autoKeycodeNumbering;   // 11588
  std::int32_t wmSwitch;               // 11592 key "WM"
  std::int32_t arpSwitch;              // 11596 key "ARP"
  std::int32_t enableBTSearch;         // 11600
  std::int32_t unused11604;            // 11604
  std::int32_t value11608;             // 11608 0
  std::int32_t unused11612;            // 11612
  std::int32_t supportsFunction6;      // 11616
  std::int32_t cap11620;               // 11620
  std::int32_t command0E30Enabled;     // 11624
  std::int32_t cap11628;               // 11628
  std::int32_t ifOrder[5];             // 11632..11648 CommIFType_1..5, -1 = no entry
  std::int32_t defaultIfType;          // 11652
  std::int32_t cap11656;               // 11656
  std::int32_t cap11660;               // 11660
  std::int32_t command0E52Enabled;     // 11664
  std::int32_t cap11668;               // 11668
  std::int32_t cap11672;               // 11672
  std::uint8_t batteryScaleFlag;       // 11676 1 from construction
  std::uint8_t pad11677[3];
  std::int32_t deviceId;               // 11680
  IEngineManager* engineManager;       // 11684
};
#pragma pack(pop)

namespace app_layout {
// Offsets of the fields after the n-th address field move by 4 per earlier address
// field on a 64-bit build.
inline constexpr std::size_t kShift = sizeof(void*) - 4;
}  // namespace app_layout

static_assert(offsetof(AppSettingsBlock, langId) == 0);
static_assert(offsetof(AppSettingsBlock, langCode) == 4);
static_assert(offsetof(AppSettingsBlock, chosenIfType) == 524);
static_assert(offsetof(AppSettingsBlock, chosenPort) == 528);
static_assert(offsetof(AppSettingsBlock, chosenPort) + offsetof(PortRecord, portName) == 1048);
static_assert(offsetof(AppSettingsBlock, chosenPort) + offsetof(PortRecord, deviceName) == 2620);
static_assert(offsetof(AppSettingsBlock, mode) == 6292);
static_assert(offsetof(AppSettingsBlock, portText) == 6296);
static_assert(offsetof(AppSettingsBlock, printerName) == 6816);
static_assert(offsetof(AppSettingsBlock, connectionPath) == 7336);
static_assert(offsetof(AppSettingsBlock, callerCode) == 7856);
static_assert(offsetof(AppSettingsBlock, value203) == 7860);
static_assert(offsetof(AppSettingsBlock, unused7864) == 7864);
static_assert(offsetof(AppSettingsBlock, xjc) == 8440);
static_assert(offsetof(AppSettingsBlock, dataMgr) == 8444 + 1 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, exeFolder) == 8448 + 2 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, tempFolder) == 8968 + 2 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, dataFolder) == 9488 + 2 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, langFolder) == 10008 + 2 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, settingsFilePath) == 10528 + 2 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, logoPath) == 11048 + 2 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, commLock) == 11568 + 2 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, enableFlexibleFont) == 11572 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, enableFontA) == 11576 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, enableFontB) == 11580 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, enableIFSelect) == 11584 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, autoKeycodeNumbering) == 11588 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, wmSwitch) == 11592 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, arpSwitch) == 11596 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, enableBTSearch) == 11600 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, unused11604) == 11604 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, value11608) == 11608 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, unused11612) == 11612 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, supportsFunction6) == 11616 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, cap11620) == 11620 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, command0E30Enabled) == 11624 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, cap11628) == 11628 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, ifOrder) == 11632 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, defaultIfType) == 11652 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, cap11656) == 11656 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, cap11660) == 11660 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, command0E52Enabled) == 11664 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, cap11668) == 11668 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, cap11672) == 11672 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, batteryScaleFlag) == 11676 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, deviceId) == 11680 + 3 * app_layout::kShift);
static_assert(offsetof(AppSettingsBlock, engineManager) == 11684 + 3 * app_layout::kShift);
static_assert(sizeof(AppSettingsBlock) == 11688 + 4 * app_layout::kShift);
static_assert(sizeof(void*) != 8 || sizeof(AppSettingsBlock) == 11704);
