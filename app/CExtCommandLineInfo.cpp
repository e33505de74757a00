#include "app/CExtCommandLineInfo.h"

#include <string_view>

#include "platform/Text.h"

namespace {

void ParseMode(CExtCommandLineInfo& info, std::u16string_view v) {
  if (v == u"WRD5_LOGO") {
    info.mode = kModeDriverLogo;
  } else if (v == u"WRD5") {
    info.mode = kModeDriver;
  } else if (v.empty()) {
    info.mode = kModeNormal;
  } else {
    switch (v.front()) {
      case u'L': info.mode = kModeLogo; break;
      case u'S': info.mode = kModePrinterControl; break;
      case u'R': info.mode = kModeRemote; break;
      case u'F':
        info.mode = kModeFile;
        plat::CopyText(info.settingsFilePath, v.substr(1), kSettingsFilePathMax);
        break;
      case u'C':
        info.mode = kModeCoupon;
        info.couponText.assign(v.substr(1));
        break;
      default: info.mode = kModeNormal; break;
    }
  }
}

std::int32_t CallerCode(std::u16string_view v) {
  if (v == u"WRD") return kCallerPrinterDriver;
  if (v == u"OPOS") return kCallerOpos;
  if (v == u"SimpleViewer") return kCallerSimpleViewer;
  if (v == u"AutoRestore") return kCallerAutoRestore;
  return kCallerNone;
}

}  // namespace

CExtCommandLineInfo::CExtCommandLineInfo()
    : mode(kModeNormal),
      portText{},
      printerName{},
      connectionPath{},
      settingsFilePath{},
      callerCode(kCallerNone),
      multiInstance(false) {}

void CExtCommandLineInfo::ParseParam(const char16_t* text, bool isFlag, bool /*isLast*/) {
  if (text == nullptr || !isFlag) return;
  const std::u16string_view arg(text);
  if (arg.empty()) return;
  const std::u16string_view v = arg.substr(1);
  switch (arg.front()) {
    case u'm': ParseMode(*this, v); break;
    case u'p': plat::CopyText(portText, v, kCommandTextMax); break;
    case u'q': plat::CopyText(printerName, v, kCommandTextMax); break;
    case u'r': plat::CopyText(connectionPath, v, kCommandTextMax); break;
    case u'd': callerCode = CallerCode(v); break;
    case u'b':
      if (!v.empty() && v.front() == u'M') multiInstance = true;
      break;
    default: break;
  }
}

void CExtCommandLineInfo::ParseCommandLine(int argc, const char* const* argv) {
  if (argv == nullptr) return;
  for (int i = 1; i < argc; ++i) {
    if (argv[i] == nullptr) continue;
    const std::u16string arg = plat::FromUtf8(argv[i]);
    const bool isFlag = !arg.empty() && (arg.front() == u'-' || arg.front() == u'/');
    const std::u16string param = isFlag ? arg.substr(1) : arg;
    ParseParam(param.c_str(), isFlag, i == argc - 1);
  }
}
