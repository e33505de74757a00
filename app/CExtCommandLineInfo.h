#pragma once
// CExtCommandLineInfo: the program's arguments turned into the launch mode, the caller,
// a few texts and the multi-instance switch.
//
// Options (after a leading "-" or "/"; letters are case-sensitive, a later option
// overrides an earlier one):
//   mWRD5_LOGO -> mode 110          mWRD5 -> mode 100
//   mL... -> 1   mS... -> 2   mR... -> 3   mF<path> -> 4 and the settings file path
//   mC<text> -> 5 and the coupon text      m<anything else> -> 0
//   p<text> port text   q<text> printer name   r<text> connection path
//   dWRD -> caller 1   dOPOS -> 2   dSimpleViewer -> 3   dAutoRestore -> 4   d<other> -> 0
//   bM... -> multi-instance switch
// Everything else is ignored.
//
// Threads: used on the user-interface thread during start-up.
#include <cstddef>
#include <cstdint>
#include <string>

#include "sdk/AppSettingsBlock.h"  // launch modes

// Caller codes (passed on to the communication library).
inline constexpr std::int32_t kCallerNone = 0;
inline constexpr std::int32_t kCallerPrinterDriver = 1;
inline constexpr std::int32_t kCallerOpos = 2;
inline constexpr std::int32_t kCallerSimpleViewer = 3;
inline constexpr std::int32_t kCallerAutoRestore = 4;

// Longest texts kept from the command line.
inline constexpr std::size_t kCommandTextMax = 258;
inline constexpr std::size_t kSettingsFilePathMax = 257;

class CExtCommandLineInfo {
 public:
  // All fields cleared: mode 0, caller 0, empty texts, switch off.
  CExtCommandLineInfo();

  // Handles one argument as the frame-work hands it over: text without its leading
  // switch character and isFlag true for an option; isFlag false (a plain argument),
  // a null text and an empty option are ignored. isLast is not used.
  void ParseParam(const char16_t* text, bool isFlag, bool isLast);

  // Feeds argv[1] .. argv[argc - 1] (UTF-8) to ParseParam: an argument that begins with
  // "-" or "/" loses that character and counts as an option. Null entries are skipped.
  void ParseCommandLine(int argc, const char* const* argv);

  std::int32_t mode;
  char16_t portText[260];          // "p"
  char16_t printerName[260];       // "q"
  char16_t connectionPath[260];    // "r"
  char16_t settingsFilePath[260];  // "mF"
  std::int32_t callerCode;         // "d"
  std::u16string couponText;       // "mC"; kept, read by nothing
  bool multiInstance;              // "bM"
};
