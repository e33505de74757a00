#include "libs/xjcomm/PortRegistry.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "libs/xjcomm/FdIo.h"
#include "libs/xjcomm/PortAddress.h"
#include "platform/Folders.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace xjcomm {
namespace {

constexpr char16_t kSectionPrefix[] = u"Port";
constexpr char16_t kKeyKind[] = u"Kind";
constexpr char16_t kKeyPortName[] = u"PortName";
constexpr char16_t kKeyPath[] = u"Path";
constexpr char16_t kKeyPathGiven[] = u"PathGiven";
constexpr char16_t kKeyPresetA[] = u"PresetA";
constexpr char16_t kKeyPresetB[] = u"PresetB";
constexpr char16_t kKeyDeviceName[] = u"DeviceName";
constexpr char16_t kKeySerialParamsSet[] = u"SerialParamsSet";
constexpr char16_t kKeyBitLength[] = u"BitLength";
constexpr char16_t kKeyBaudRate[] = u"BaudRate";
constexpr char16_t kKeyParity[] = u"Parity";
constexpr char16_t kKeyUsbDeviceData[] = u"UsbDeviceData";
constexpr char16_t kKeyDeviceInfo[] = u"DeviceInfo";
constexpr char16_t kKeyOrigin[] = u"Origin";

// Holds the registry's lock file for the lifetime of the object. A change made by
// another process or thread meanwhile is waited for: the kernel lets this one in when
// that change releases the lock. A change holds it only while it writes the file, and a
// process that ends gives it up, so a crashed one never blocks the registry.
class RegistryLock {
 public:
  explicit RegistryLock(const std::u16string& registryFile) {
    const std::string path = plat::ToUtf8(registryFile) + ".lock";
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd_ < 0) return;
    int rc;
    do {
      rc = ::flock(fd_, LOCK_EX);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) CloseFd(fd_);
  }
  ~RegistryLock() { CloseFd(fd_); }
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

bool HasControlCharacters(std::u16string_view text) {
  for (char16_t c : text) {
    if (c < 0x20 || c == 0x7F) return true;
  }
  return false;
}

std::u16string Quoted(std::u16string_view text) { return u"\"" + std::u16string(text) + u"\""; }

std::u16string Number(std::int32_t value) { return plat::FormatInt(value); }

bool SameKind(std::u16string_view a, std::u16string_view b) { return plat::EqualsNoCase(a, b); }

// The number of a section named "Port<n>", 0 when the name has another form.
long SectionNumber(std::u16string_view name) {
  const std::u16string_view prefix(kSectionPrefix);
  if (name.size() <= prefix.size() || !plat::EqualsNoCase(name.substr(0, prefix.size()), prefix)) {
    return 0;
  }
  long n = 0;
  for (char16_t c : name.substr(prefix.size())) {
    if (c < u'0' || c > u'9' || n > 100000000) return 0;
    n = n * 10 + (c - u'0');
  }
  return n;
}

}  // namespace

PortRegistry::PortRegistry(std::u16string file) : file_(std::move(file)) {}

std::u16string PortRegistry::DefaultFile() {
  return plat::JoinPath(plat::JoinPath(plat::JoinPath(plat::CommonAppDataFolder(), u"NORVE"),
                                       u"XJComm"),
                        u"Ports.ini");
}

std::string PortRegistry::HexEncode(const std::uint8_t* data, std::size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::size_t used = size;
  while (used > 0 && data[used - 1] == 0) --used;  // trailing zeros are implied
  std::string text;
  for (std::size_t i = 0; i < used; ++i) {
    text.push_back(kDigits[data[i] >> 4]);
    text.push_back(kDigits[data[i] & 0xF]);
  }
  return text;
}

bool PortRegistry::HexDecode(std::u16string_view text, std::uint8_t* out, std::size_t size) {
  std::fill(out, out + size, 0);
  if (text.size() % 2 != 0 || text.size() / 2 > size) return false;
  auto digit = [](char16_t c) -> int {
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    return -1;
  };
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int hi = digit(text[i]);
    const int lo = digit(text[i + 1]);
    if (hi < 0 || lo < 0) {
      std::fill(out, out + size, 0);
      return false;
    }
    out[i / 2] = static_cast<std::uint8_t>((hi << 4) | lo);
  }
  return true;
}

std::vector<PortRegistry::Entry> PortRegistry::ReadEntries() const {
  std::vector<Entry> entries;
  if (!plat::FileExists(file_)) return entries;
  for (const std::u16string& section : plat::ProfileSectionNames(file_)) {
    if (SectionNumber(section) == 0) continue;
    auto text = [&](const char16_t* key) { return plat::ProfileString(section, key, u"", file_); };
    auto number = [&](const char16_t* key, std::int32_t def) {
      return plat::ProfileInt(section, key, def, file_);
    };
    const std::u16string kind = text(kKeyKind);
    if (kind.empty()) continue;  // unfinished entry
    Entry e;
    e.section = section;
    PortRecord& r = e.record;
    r = PortRecord{};
    plat::CopyText(r.kind, kind);
    plat::CopyText(r.portName, text(kKeyPortName));
    plat::CopyText(r.path, text(kKeyPath));
    plat::CopyText(r.deviceName, text(kKeyDeviceName));
    plat::CopyText(r.deviceInfo, text(kKeyDeviceInfo));
    r.pathGiven = number(kKeyPathGiven, 0);
    r.presetA = number(kKeyPresetA, -1);
    r.presetB = number(kKeyPresetB, -1);
    r.serialParamsSet = number(kKeySerialParamsSet, 0);
    r.bitLength = number(kKeyBitLength, 0);
    r.baudRate = number(kKeyBaudRate, 0);
    r.parity = number(kKeyParity, 0);
    r.origin = number(kKeyOrigin, 0);
    // A damaged block is dropped rather than half-used; the port still opens by name.
    HexDecode(text(kKeyUsbDeviceData), r.usbDeviceData, sizeof(r.usbDeviceData));
    entries.push_back(std::move(e));
  }
  return entries;
}

std::optional<PortRegistry::Entry> PortRegistry::FindEntry(const PortRecord& record) const {
  const std::u16string_view kind = plat::FieldText(record.kind);
  const std::u16string_view portName = plat::FieldText(record.portName);
  for (Entry& e : ReadEntries()) {
    if (SameKind(plat::FieldText(e.record.kind), kind) &&
        plat::FieldText(e.record.portName) == portName) {
      return std::move(e);
    }
  }
  return std::nullopt;
}

XJC_RESULT PortRegistry::List(std::vector<PortRecord>& out) const {
  out.clear();
  for (Entry& e : ReadEntries()) out.push_back(e.record);
  return XJC_OK;
}

XJC_RESULT PortRegistry::Find(PortRecord& record) const {
  std::optional<Entry> e = FindEntry(record);
  if (!e) return XJC_E_NO_PORT;
  record = e->record;
  return XJC_OK;
}

bool PortRegistry::EnsureFolder() const {
  // Create every missing level of the registry's folder.
  const std::size_t last = file_.rfind(u'/');
  if (last == std::u16string::npos || last == 0) return true;
  const std::u16string folder = file_.substr(0, last);
  std::size_t pos = 1;
  for (;;) {
    const std::size_t slash = folder.find(u'/', pos);
    const std::u16string level = folder.substr(0, slash);
    if (!plat::FolderExists(level) && !plat::CreateFolder(level)) return false;
    if (slash == std::u16string::npos) return true;
    pos = slash + 1;
  }
}

bool PortRegistry::WriteEntry(const std::u16string& section, const PortRecord& r) const {
  auto put = [&](const char16_t* key, const std::u16string& value) {
    return plat::ProfileWrite(section, key, value, file_);
  };
  const std::u16string hex = plat::FromUtf8(HexEncode(r.usbDeviceData, sizeof(r.usbDeviceData)));
  return put(kKeyPortName, Quoted(plat::FieldText(r.portName))) &&
         put(kKeyPath, Quoted(plat::FieldText(r.path))) && put(kKeyPathGiven, Number(r.pathGiven)) &&
         put(kKeyPresetA, Number(r.presetA)) && put(kKeyPresetB, Number(r.presetB)) &&
         put(kKeyDeviceName, Quoted(plat::FieldText(r.deviceName))) &&
         put(kKeySerialParamsSet, Number(r.serialParamsSet)) &&
         put(kKeyBitLength, Number(r.bitLength)) && put(kKeyBaudRate, Number(r.baudRate)) &&
         put(kKeyParity, Number(r.parity)) && put(kKeyUsbDeviceData, hex) &&
         put(kKeyDeviceInfo, Quoted(plat::FieldText(r.deviceInfo))) &&
         put(kKeyOrigin, Number(r.origin)) &&
         // Last: only now does the entry count.
         put(kKeyKind, Quoted(plat::FieldText(r.kind)));
}

XJC_RESULT PortRegistry::Add(const PortRecord& record) {
  const std::u16string_view kind = plat::FieldText(record.kind);
  const std::u16string_view portName = plat::FieldText(record.portName);
  if (kind.empty() || portName.empty()) return XJC_E_INVALID_ARG;
  for (std::u16string_view text : {kind, portName, plat::FieldText(record.path),
                                   plat::FieldText(record.deviceName),
                                   plat::FieldText(record.deviceInfo)}) {
    if (HasControlCharacters(text)) return XJC_E_INVALID_ARG;
  }
  PortAddress address;
  if (ParsePortRecord(record, address) != XJC_OK) return XJC_E_INVALID_ARG;

  if (!EnsureFolder()) return XJC_E_STORE;
  RegistryLock lock(file_);
  if (!lock.Held()) return XJC_E_STORE;

  long highest = 0;
  std::optional<std::u16string> replaced;
  if (plat::FileExists(file_)) {
    for (const std::u16string& section : plat::ProfileSectionNames(file_)) {
      const long number = SectionNumber(section);
      if (number == 0) continue;
      highest = std::max(highest, number);
      if (plat::ProfileString(section, kKeyKind, u"", file_).empty()) {
        // Left over from an interrupted change: never listed, so it can go.
        plat::WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, file_.c_str());
      }
    }
    if (std::optional<Entry> old = FindEntry(record)) replaced = old->section;
  }
  const std::u16string section = std::u16string(kSectionPrefix) + plat::FormatInt(highest + 1);
  if (!WriteEntry(section, record)) {
    plat::WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, file_.c_str());
    return XJC_E_STORE;
  }
  if (replaced &&
      !plat::WritePrivateProfileStringW(replaced->c_str(), nullptr, nullptr, file_.c_str())) {
    // Keep the old entry rather than list the port twice.
    plat::WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, file_.c_str());
    return XJC_E_STORE;
  }
  return XJC_OK;
}

XJC_RESULT PortRegistry::Remove(const PortRecord& record) {
  if (!plat::FileExists(file_)) return XJC_E_NO_PORT;
  RegistryLock lock(file_);
  if (!lock.Held()) return XJC_E_STORE;
  const std::optional<Entry> e = FindEntry(record);
  if (!e) return XJC_E_NO_PORT;
  return plat::WritePrivateProfileStringW(e->section.c_str(), nullptr, nullptr, file_.c_str())
             ? XJC_OK
             : XJC_E_STORE;
}

}  // namespace xjcomm
