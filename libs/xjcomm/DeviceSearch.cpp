#include "libs/xjcomm/DeviceSearch.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <sstream>

#include "libs/xjcomm/FdIo.h"
#include "libs/xjcomm/PortAddress.h"
#include "platform/Text.h"

namespace xjcomm {
namespace {

constexpr std::int32_t kPresetUnset = -1;
constexpr long kSerialTypeUnknown = 0;  // the kernel's type of a ttyS without a UART

PortRecord NewRecord(const char16_t* kind, std::string_view portName, std::string_view info) {
  PortRecord r{};
  r.presetA = kPresetUnset;
  r.presetB = kPresetUnset;
  plat::CopyText(r.kind, kind);
  plat::CopyText(r.portName, plat::FromUtf8(portName));
  plat::CopyText(r.deviceInfo, plat::FromUtf8(info));
  return r;
}

std::string ReadSmallFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return {};
  std::ostringstream s;
  s << in.rdbuf();
  std::string text = s.str();
  if (text.size() > 4096) text.resize(4096);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == '\0')) {
    text.pop_back();
  }
  return text;
}

std::string RealPath(const std::string& path) {
  char buffer[PATH_MAX];
  return ::realpath(path.c_str(), buffer) ? std::string(buffer) : std::string();
}

std::string Trim(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return std::string(text.substr(b, e - b));
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

std::string SerialDescription(std::string_view name) {
  if (name.rfind("ttyUSB", 0) == 0) return "USB serial adapter";
  if (name.rfind("ttyACM", 0) == 0) return "USB serial device";
  if (name.rfind("rfcomm", 0) == 0) return "Bluetooth serial port";
  return "Serial port";
}

}  // namespace

DeviceSearch::DeviceSearch(std::string devRoot, std::string sysRoot)
    : devRoot_(std::move(devRoot)), sysRoot_(std::move(sysRoot)) {}

std::vector<std::string> DeviceSearch::NumberedNames(const std::string& folder,
                                                     std::string_view prefix) const {
  std::vector<std::pair<long, std::string>> found;
  if (DIR* dir = ::opendir(folder.c_str())) {
    while (const dirent* entry = ::readdir(dir)) {
      const std::string_view name(entry->d_name);
      if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) continue;
      const std::string_view digits = name.substr(prefix.size());
      if (digits.size() > 6 ||
          !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        continue;
      }
      found.emplace_back(std::strtol(std::string(digits).c_str(), nullptr, 10), std::string(name));
    }
    ::closedir(dir);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> names;
  for (auto& f : found) names.push_back(std::move(f.second));
  return names;
}

bool DeviceSearch::SerialHardwarePresent(const std::string& name) const {
  const std::string type = Trim(ReadSmallFile(sysRoot_ + "/class/tty/" + name + "/type"));
  if (type.empty()) return false;
  char* end = nullptr;
  const long value = std::strtol(type.c_str(), &end, 10);
  return end != type.c_str() && value != kSerialTypeUnknown;
}

std::vector<PortRecord> DeviceSearch::SerialPorts(bool withBluetooth,
                                                  const std::vector<std::string>& extraPaths) const {
  std::vector<PortRecord> out;
  std::vector<std::string> listed;
  auto add = [&](const std::string& path, const std::string& info) {
    out.push_back(NewRecord(kPortKindCom, path, info));
    listed.push_back(path);
  };
  for (const std::string& name : NumberedNames(devRoot_, "ttyS")) {
    if (SerialHardwarePresent(name)) add(devRoot_ + "/" + name, SerialDescription(name));
  }
  for (const char* prefix : {"ttyUSB", "ttyACM"}) {
    for (const std::string& name : NumberedNames(devRoot_, prefix)) {
      add(devRoot_ + "/" + name, SerialDescription(name));
    }
  }
  if (withBluetooth) {
    for (const std::string& name : NumberedNames(devRoot_, "rfcomm")) {
      add(devRoot_ + "/" + name, SerialDescription(name));
    }
  }
  for (const std::string& path : extraPaths) {
    if (path.empty() || path[0] != '/' || !IsCharacterDevice(path.c_str())) continue;
    if (std::find(listed.begin(), listed.end(), path) != listed.end()) continue;
    add(path, "Serial port");
  }
  return out;
}

std::vector<PortRecord> DeviceSearch::UsbPrinters() const {
  std::vector<PortRecord> out;
  for (const std::string& name : NumberedNames(devRoot_ + "/usb", "lp")) {
    const std::string sysDevice = sysRoot_ + "/class/usbmisc/" + name + "/device";
    const std::string deviceId = ReadSmallFile(sysDevice + "/ieee1284_id");
    std::string model = DeviceIdField(deviceId, "MDL");
    if (model.empty()) model = DeviceIdField(deviceId, "MODEL");
    PortRecord r = NewRecord(kPortKindUsb, name, model.empty() ? "USB printer" : model + " USB");
    plat::CopyText(r.deviceName, plat::FromUtf8(model));
    plat::CopyText(r.path, plat::FromUtf8(devRoot_ + "/usb/" + name));
    const std::string identity = RealPath(sysDevice);
    if (!identity.empty()) UsbIdentityToBlock(identity, r.usbDeviceData);
    out.push_back(r);
  }
  return out;
}

std::vector<PortRecord> DeviceSearch::ParallelPorts() const {
  std::vector<PortRecord> out;
  for (const std::string& name : NumberedNames(devRoot_, "lp")) {
    out.push_back(NewRecord(kPortKindLpt, devRoot_ + "/" + name, "Parallel port"));
  }
  return out;
}

std::vector<PortRecord> DeviceSearch::BluetoothPorts() const {
  std::vector<PortRecord> out;
  for (const std::string& name : NumberedNames(devRoot_, "rfcomm")) {
    out.push_back(NewRecord(kPortKindBt, devRoot_ + "/" + name, SerialDescription(name)));
  }
  return out;
}

std::string DeviceSearch::FindUsbNode(std::string_view identity) const {
  if (identity.empty()) return {};
  for (const std::string& name : NumberedNames(sysRoot_ + "/class/usbmisc", "lp")) {
    if (RealPath(sysRoot_ + "/class/usbmisc/" + name + "/device") == identity) {
      return devRoot_ + "/usb/" + name;
    }
  }
  return {};
}

std::vector<std::string> DeviceSearch::SplitPathList(std::string_view list) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(':', start);
    if (end == std::string_view::npos) end = list.size();
    std::string part = Trim(list.substr(start, end - start));
    if (!part.empty()) parts.push_back(std::move(part));
    start = end + 1;
  }
  return parts;
}

std::string DeviceSearch::DeviceIdField(std::string_view deviceId, std::string_view key) {
  std::size_t start = 0;
  while (start < deviceId.size()) {
    std::size_t end = deviceId.find(';', start);
    if (end == std::string_view::npos) end = deviceId.size();
    const std::string_view item = deviceId.substr(start, end - start);
    const std::size_t colon = item.find(':');
    if (colon != std::string_view::npos && EqualsNoCase(Trim(item.substr(0, colon)), key)) {
      return Trim(item.substr(colon + 1));
    }
    start = end + 1;
  }
  return {};
}

}  // namespace xjcomm
