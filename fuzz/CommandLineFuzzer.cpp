// Command lines as scripts and other programs pass them: the input is split at NUL bytes
// into the arguments. The fixed text fields must stay terminated within their limits and
// the mode one of the launch modes.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "app/CExtCommandLineInfo.h"
#include "fuzz/FuzzSupport.h"
#include "platform/Text.h"

namespace {

using fuzzsupport::Require;

constexpr std::int32_t kModes[] = {kModeNormal, kModeLogo,   kModePrinterControl, kModeRemote,
                                   kModeFile,   kModeCoupon, kModeDriver,         kModeDriverLogo};

template <std::size_t N>
void CheckField(const char16_t (&field)[N], std::size_t maxChars) {
  Require(plat::FieldLength(field, N) <= maxChars, "a text field keeps its limit and its terminator");
}

void Check(const CExtCommandLineInfo& info) {
  bool known = false;
  for (std::int32_t mode : kModes) known = known || info.mode == mode;
  Require(known, "the mode is a launch mode");
  Require(info.callerCode >= kCallerNone && info.callerCode <= kCallerAutoRestore, "the caller is a caller code");
  CheckField(info.portText, kCommandTextMax);
  CheckField(info.printerName, kCommandTextMax);
  CheckField(info.connectionPath, kCommandTextMax);
  CheckField(info.settingsFilePath, kSettingsFilePathMax);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> args{"xjk52util"};
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\0', start);
    args.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  std::vector<const char*> argv;
  for (const std::string& arg : args) argv.push_back(arg.c_str());
  argv.push_back(nullptr);

  CExtCommandLineInfo info;
  info.ParseCommandLine(static_cast<int>(args.size()), argv.data());
  Check(info);

  // The same arguments handed over one by one as the framework does, as UTF-16 text that
  // may hold what UTF-8 cannot (unpaired surrogates).
  CExtCommandLineInfo direct;
  std::u16string wide(size / sizeof(char16_t), u'\0');
  std::memcpy(wide.data(), data, wide.size() * sizeof(char16_t));
  direct.ParseParam(wide.c_str(), true, true);
  direct.ParseParam(wide.c_str(), false, true);
  direct.ParseParam(nullptr, true, true);
  Check(direct);
  return 0;
}
