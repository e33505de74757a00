#include "libs/xjcomm/CommLibrary.h"

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>

#include "libs/xjcomm/CommandLanguage.h"
#include "libs/xjcomm/DeviceSearch.h"
#include "libs/xjcomm/FdIo.h"
#include "libs/xjcomm/NetSearch.h"
#include "libs/xjcomm/PortRegistry.h"
#include "platform/Folders.h"
#include "platform/Profile.h"
#include "platform/Text.h"

namespace xjcomm {
namespace {

constexpr std::int32_t kOpenWithoutCheck = 0;
constexpr std::int32_t kOpenAndCheck = 1;
// A search whose results did not fit is answered from memory for this long.
constexpr std::uint64_t kSearchReuseMs = 10000;
// Write calls that pass no time limit get this one.
constexpr std::uint32_t kDefaultWriteTimeoutMs = 5000;

constexpr char kEnvNetSearch[] = "XJCOMM_NET_SEARCH";
constexpr char kEnvExtraSerial[] = "XJCOMM_EXTRA_SERIAL";
constexpr char16_t kSettingFile[] = u"SETTING.INI";
constexpr char16_t kSectionIfSetting[] = u"IFSetting";
constexpr char16_t kKeyNetSearchRange[] = u"NetSearchRange";

const char* InterfaceLabel(PortKind kind) {
  switch (kind) {
    case PortKind::Net: return "Ethernet";
    case PortKind::Serial: return "Serial";
    case PortKind::Bluetooth: return "Bluetooth";
    case PortKind::Usb: return "USB";
    case PortKind::Parallel: return "Parallel";
  }
  return "";
}

bool IsAllZero(const std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] != 0) return false;
  }
  return true;
}

// Copies text into a caller's buffer of size characters, terminator included.
XJC_RESULT CopyOut(const std::u16string& text, char16_t* buffer, std::uint32_t size) {
  if (!buffer) return XJC_E_NO_RECORD;
  if (size == 0) return XJC_E_BUFFER_TOO_SMALL;
  if (text.size() + 1 > size) {
    buffer[0] = u'\0';
    return XJC_E_BUFFER_TOO_SMALL;
  }
  std::memcpy(buffer, text.data(), text.size() * sizeof(char16_t));
  buffer[text.size()] = u'\0';
  return XJC_OK;
}

// Where this library's file lies, for SETTING.INI beside it.
std::u16string LibraryFolder() {
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&LibraryFolder), &info) == 0 || !info.dli_fname) return {};
  const std::string file(info.dli_fname);
  const std::size_t slash = file.rfind('/');
  return slash == std::string::npos ? u"." : plat::FromUtf8(file.substr(0, slash));
}

}  // namespace

CommLibrary& CommLibrary::Instance() {
  static CommLibrary instance;
  return instance;
}

CommLibrary::~CommLibrary() {
  // The safety net for a program that unloads the library without XJC_Terminate: no
  // thread of ours may outlive the library's code.
  procedures_.Clear();
  std::lock_guard<StopAwareMutex> guard(mutex_);
  CloseLocked();
  JoinRetiredLocked();
}

CommLibrary::ApiLock CommLibrary::LockApi() {
  StatusMonitor* monitor = StatusMonitor::OnMonitorThread();
  if (!monitor) return ApiLock(mutex_);
  if (mutex_.LockUnless([monitor] { return monitor->StopRequested(); })) return ApiLock(mutex_, std::adopt_lock);
  return ApiLock();
}

std::shared_ptr<PrinterConnection> CommLibrary::OpenConnection() {
  ApiLock lock = LockApi();
  if (!lock.owns_lock()) return nullptr;
  return connection_;
}

// ---- monitor lifecycle ----------------------------------------------------------------------

void CommLibrary::StartMonitorLocked() {
  if (monitor_ || !connection_ || !procedures_.Any()) return;
  JoinRetiredLocked();
  monitor_ = std::make_unique<StatusMonitor>(connection_, procedures_);
  monitor_->Start();
}

void CommLibrary::StopMonitorLocked() {
  if (!monitor_) return;
  std::unique_ptr<StatusMonitor> monitor = std::move(monitor_);
  monitor->RequestStop();
  // Its thread may be waiting for the state, which this thread holds: it gives up now.
  mutex_.WakeWaiters();
  if (StatusMonitor::OnMonitorThread() == monitor.get()) {
    // Called from one of our procedures: the thread cannot wait for itself. It ends as
    // soon as the procedure returns and is joined by the next change of state.
    retired_.push_back(std::move(monitor));
    return;
  }
  monitor->Join();
}

void CommLibrary::JoinRetiredLocked() {
  StatusMonitor* self = StatusMonitor::OnMonitorThread();
  for (auto it = retired_.begin(); it != retired_.end();) {
    if (it->get() == self) {
      ++it;
      continue;
    }
    (*it)->Join();
    it = retired_.erase(it);
  }
}

void CommLibrary::CloseLocked() {
  StopMonitorLocked();
  if (connection_) {
    connection_->Close();
    connection_.reset();
  }
}

// ---- caller, model --------------------------------------------------------------------------

XJC_RESULT CommLibrary::SetCaller(std::int32_t caller) {
  ApiLock lock = LockApi();
  if (!lock.owns_lock()) return XJC_E_NOT_OPEN;
  caller_ = caller;
  return XJC_OK;
}

XJC_RESULT CommLibrary::GetCaller(std::int32_t* caller) {
  if (!caller) return XJC_E_NO_RECORD;
  ApiLock lock = LockApi();
  if (!lock.owns_lock()) return XJC_E_NOT_OPEN;
  *caller = caller_;
  return XJC_OK;
}

XJC_RESULT CommLibrary::SetModelType(std::int32_t type) {
  ApiLock lock = LockApi();
  if (!lock.owns_lock()) return XJC_E_NOT_OPEN;
  modelType_ = type;
  return XJC_OK;
}

// ---- registry and search ------------------------------------------------------------------

XJC_RESULT CommLibrary::EnumPort(PortRecord** records, std::uint32_t capacity,
                                 std::uint32_t* count) {
  if (!count) return XJC_E_NO_RECORD;
  std::vector<PortRecord> ports;
  if (const XJC_RESULT rc = PortRegistry(PortRegistry::DefaultFile()).List(ports); rc != XJC_OK) {
    return rc;
  }
  if (!records || capacity == 0) {
    *count = static_cast<std::uint32_t>(ports.size());
    return XJC_OK;
  }
  const std::size_t n = std::min<std::size_t>(capacity, ports.size());
  for (std::size_t i = 0; i < n; ++i) {
    if (!records[i]) return XJC_E_NO_RECORD;
  }
  for (std::size_t i = 0; i < n; ++i) *records[i] = ports[i];
  *count = static_cast<std::uint32_t>(n);
  return XJC_OK;
}

std::string CommLibrary::NetSearchRangeText() {
  if (const char* env = std::getenv(kEnvNetSearch); env && *env) return env;
  const std::u16string folder = LibraryFolder();
  if (!folder.empty()) {
    const std::u16string file = plat::JoinPath(folder, kSettingFile);
    if (plat::FileExists(file)) {
      const std::u16string range = plat::ProfileString(kSectionIfSetting, kKeyNetSearchRange, u"", file);
      if (!range.empty()) return plat::ToUtf8(range);
    }
  }
  return NetSearch::kDefaultRange;
}

XJC_RESULT CommLibrary::FindDevices(const std::u16string& kind, std::vector<PortRecord>& found) {
  const DeviceSearch devices;
  if (kind == u"COM" || kind == u"SERIAL") {
    const char* extra = std::getenv(kEnvExtraSerial);
    found = devices.SerialPorts(kind == u"SERIAL",
                                DeviceSearch::SplitPathList(extra ? extra : ""));
  } else if (kind == u"USB") {
    found = devices.UsbPrinters();
  } else if (kind == u"LPT") {
    found = devices.ParallelPorts();
  } else if (kind == u"BT") {
    found = devices.BluetoothPorts();
  } else if (kind == u"NET") {
    std::vector<NetTarget> targets;
    if (const XJC_RESULT rc = NetSearch::ParseRange(NetSearchRangeText(), targets); rc != XJC_OK) {
      return rc;
    }
    found = NetSearch::Probe(targets, NetSearch::Options{});
  } else {
    return XJC_E_INVALID_ARG;
  }
  return XJC_OK;
}

XJC_RESULT CommLibrary::EnumDevPort(const char16_t* kindText, PortRecord** records,
                                    std::uint32_t capacity, std::uint32_t* count) {
  if (!kindText || !count) return XJC_E_NO_RECORD;
  std::u16string kind(kindText, plat::FieldLength(kindText, 260));
  for (char16_t& c : kind) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }

  // Searches take long (the network) or change little: no state lock while they run.
  std::vector<PortRecord> found;
  bool reused = false;
  {
    std::lock_guard<std::mutex> guard(searchMutex_);
    if (lastSearchOverflowed_ && lastSearchKind_ == kind &&
        NowMs() - lastSearchTime_ < kSearchReuseMs) {
      // The caller asks again with room for what the previous call found.
      found = lastSearch_;
      reused = true;
      lastSearchOverflowed_ = false;
    }
  }
  if (!reused) {
    if (const XJC_RESULT rc = FindDevices(kind, found); rc != XJC_OK) return rc;
  }

  std::size_t filled = 0;
  if (records && capacity > 0) {
    filled = std::min<std::size_t>(capacity, found.size());
    for (std::size_t i = 0; i < filled; ++i) {
      if (!records[i]) return XJC_E_NO_RECORD;
    }
    for (std::size_t i = 0; i < filled; ++i) *records[i] = found[i];
  }
  {
    std::lock_guard<std::mutex> guard(searchMutex_);
    lastSearchKind_ = kind;
    lastSearch_ = found;
    lastSearchTime_ = NowMs();
    lastSearchOverflowed_ = found.size() > filled;
  }
  *count = static_cast<std::uint32_t>(found.size());
  return XJC_OK;
}

XJC_RESULT CommLibrary::AddPort(const PortRecord* record) {
  if (!record) return XJC_E_NO_RECORD;
  return PortRegistry(PortRegistry::DefaultFile()).Add(*record);
}

XJC_RESULT CommLibrary::RemovePort(const PortRecord* record) {
  if (!record) return XJC_E_NO_RECORD;
  return PortRegistry(PortRegistry::DefaultFile()).Remove(*record);
}

XJC_RESULT CommLibrary::FindPort(PortRecord* record) {
  if (!record) return XJC_E_NO_RECORD;
  return PortRegistry(PortRegistry::DefaultFile()).Find(*record);
}

// ---- opening and closing ---------------------------------------------------------------------

XJC_RESULT CommLibrary::SetPort(const PortRecord* record) {
  if (!record) return XJC_E_NO_RECORD;
  PortAddress address;
  if (const XJC_RESULT rc = ParsePortRecord(*record, address); rc != XJC_OK) return rc;
  ApiLock lock = LockApi();
  if (!lock.owns_lock()) return XJC_E_NOT_OPEN;
  if (connection_ && connection_->Address().Identity() != address.Identity()) {
    // Another port: the open one is closed first.
    CloseLocked();
  }
  selected_ = *record;
  selectedAddress_ = address;
  return XJC_OK;
}

XJC_RESULT CommLibrary::GetPort(PortRecord* record) {
  if (!record) return XJC_E_NO_RECORD;
  PortRecord port{};
  {
    ApiLock lock = LockApi();
    if (!lock.owns_lock()) return XJC_E_NOT_OPEN;
    if (!selected_) return XJC_E_NO_PORT;
    port = *selected_;
  }
  // Complete the record with what the registry knows about the port.
  PortRecord stored = port;
  if (PortRegistry(PortRegistry::DefaultFile()).Find(stored) == XJC_OK) {
    if (plat::FieldText(port.path).empty()) plat::CopyText(port.path, plat::FieldText(stored.path));
    if (plat::FieldText(port.deviceName).empty()) {
      plat::CopyText(port.deviceName, plat::FieldText(stored.deviceName));
    }
    if (plat::FieldText(port.deviceInfo).empty()) {
      plat::CopyText(port.deviceInfo, plat::FieldText(stored.deviceInfo));
    }
    if (IsAllZero(port.usbDeviceData, sizeof(port.usbDeviceData))) {
      std::memcpy(port.usbDeviceData, stored.usbDeviceData, sizeof(port.usbDeviceData));
    }
    if (port.serialParamsSet != 1 && stored.serialParamsSet == 1) {
      port.serialParamsSet = 1;
      port.bitLength = stored.bitLength;
      port.baudRate = stored.baudRate;
      port.parity = stored.parity;
    }
  }
  *record = port;
  return XJC_OK;
}

XJC_RESULT CommLibrary::OpenLocked(std::int32_t mode) {
  if (!selected_) return XJC_E_NO_PORT;
  if (connection_) {
    if (mode != kOpenAndCheck) return XJC_OK;
    std::uint32_t code = kStatusNoReply;
    return connection_->QueryStatusCode(code);
  }
  auto connection = std::make_shared<PrinterConnection>(selectedAddress_);
  if (const XJC_RESULT rc = connection->Open(); rc != XJC_OK) return rc;
  connection->SetFlowControlForced(flowForced_);
  if (mode == kOpenAndCheck) {
    std::uint32_t code = kStatusNoReply;
    if (const XJC_RESULT rc = connection->QueryStatusCode(code); rc != XJC_OK) {
      connection->Close();
      return rc;
    }
  }
  connection_ = std::move(connection);
  openMode_ = mode;
  StartMonitorLocked();
  return XJC_OK;
}

XJC_RESULT CommLibrary::Open(std::int32_t mode) {
  if (mode != kOpenWithoutCheck && mode != kOpenAndCheck) return XJC_E_INVALID_ARG;
  ApiLock lock = LockApi();
  if (!lock.owns_lock()) return XJC_E_NOT_OPEN;
  JoinRetiredLocked();
  return OpenLocked(mode);
}

XJC_RESULT CommLibrary::Close() {
  ApiLock lock = LockApi();
  if (!lock.owns_lock()) return XJC_E_NOT_OPEN;
  CloseLocked();
  JoinRetiredLocked();
  return XJC_OK;
}

XJC_RESULT CommLibrary::ReopenPort() {
  ApiLock lock = LockApi();
  if (!lock.owns_lock()) return XJC_E_NOT_OPEN;
  if (!selected_) return XJC_E_NO_PORT;
  if (!connection_) return XJC_E_NOT_OPEN;
  CloseLocked();
  JoinRetiredLocked();
  return OpenLocked(openMode_);
}

XJC_RESULT CommLibrary::Initialize() {
  std::shared_ptr<PrinterConnection> connection = OpenConnection();
  if (!connection) return XJC_E_NOT_OPEN;
  if (const XJC_RESULT rc = connection->Purge(); rc != XJC_OK) return rc;
  if (const XJC_RESULT rc = connection->EnableAutoStatus(kAsbItems); rc != XJC_OK) return rc;
  std::uint32_t code = kStatusNoReply;
  if (const XJC_RESULT rc = connection->QueryStatusCode(code); rc != XJC_OK) return rc;
  // Learn the model now, so that capability questions need no exchange later; a printer
  // that does not tell is asked again when a capability is wanted.
  std::string model;
  connection->QueryModel(model);
  ApiLock lock = LockApi();
  if (lock.owns_lock() && monitor_) monitor_->PollNow();
  return XJC_OK;
}

XJC_RESULT CommLibrary::Terminate() {
  procedures_.Clear();
  ApiLock lock = LockApi();
  if (!lock.owns_lock()) return XJC_OK;  // a stopping monitor's procedure: the owner cleans up
  CloseLocked();
  JoinRetiredLocked();
  selected_.reset();
  selectedAddress_ = PortAddress{};
  flowForced_ = false;
  {
    std::lock_guard<std::mutex> guard(searchMutex_);
    lastSearch_.clear();
    lastSearchOverflowed_ = false;
  }
  return XJC_OK;
}

XJC_RESULT CommLibrary::CommunicationTest(PortRecord* record) {
  if (!record) return XJC_E_NO_RECORD;
  PortAddress address;
  if (const XJC_RESULT rc = ParsePortRecord(*record, address); rc != XJC_OK) return rc;

  // The very port this process has open is asked over that connection; any other port
  // gets a connection of its own, which also tells whether another process holds it.
  std::shared_ptr<PrinterConnection> connection = OpenConnection();
  const bool shared = connection && connection->Address().Identity() == address.Identity();
  if (!shared) {
    connection = std::make_shared<PrinterConnection>(address);
    if (const XJC_RESULT rc = connection->Open(); rc != XJC_OK) return rc;
  }
  std::string model;
  const XJC_RESULT rc = connection->QueryModel(model, true);
  if (!shared) connection->Close();
  if (rc != XJC_OK) return rc;

  plat::CopyText(record->deviceName, plat::FromUtf8(model));
  if (plat::FieldText(record->deviceInfo).empty()) {
    plat::CopyText(record->deviceInfo,
                   plat::FromUtf8(model + " " + InterfaceLabel(address.kind)));
  }
  return XJC_OK;
}

// ---- status -------------------------------------------------------------------------------------

XJC_RESULT CommLibrary::GetStatus(std::int32_t* status) {
  if (!status) return XJC_E_NO_RECORD;
  std::shared_ptr<PrinterConnection> connection;
  {
    ApiLock lock = LockApi();
    if (!lock.owns_lock()) {
      *status = static_cast<std::int32_t>(kStatusNoReply);
      return XJC_E_NOT_OPEN;
    }
    if (monitor_) {
      if (const std::optional<std::uint32_t> current = monitor_->CurrentStatus()) {
        *status = static_cast<std::int32_t>(*current);
        return XJC_OK;
      }
    }
    connection = connection_;
  }
  if (!connection) {
    *status = static_cast<std::int32_t>(kStatusNoReply);
    return XJC_E_NOT_OPEN;
  }
  std::uint32_t code = kStatusNoReply;
  connection->QueryStatusCode(code);  // no answer: code 2, which is the answer
  *status = static_cast<std::int32_t>(code);
  return XJC_OK;
}

XJC_RESULT CommLibrary::RegisterStatusProc(XJC_STATUS_PROC proc, void* context) {
  if (!proc) return XJC_E_NO_RECORD;
  procedures_.RegisterStatus(proc, context);
  return ProceduresRegistered();
}

XJC_RESULT CommLibrary::UnregisterStatusProc() {
  procedures_.UnregisterStatus();
  return ProceduresUnregistered();
}

XJC_RESULT CommLibrary::RegisterBatStatusProc(XJC_STATUS_PROC proc, void* context) {
  if (!proc) return XJC_E_NO_RECORD;
  procedures_.RegisterBattery(proc, context);
  return ProceduresRegistered();
}

XJC_RESULT CommLibrary::UnregisterBatStatusProc() {
  procedures_.UnregisterBattery();
  return ProceduresUnregistered();
}

// A new procedure starts the monitor (when a port is open) and has it report at once.
XJC_RESULT CommLibrary::ProceduresRegistered() {
  ApiLock lock = LockApi();
  if (!lock.owns_lock()) return XJC_OK;
  StartMonitorLocked();
  if (monitor_) monitor_->Wake();
  return XJC_OK;
}

// The monitor stops with the last procedure.
XJC_RESULT CommLibrary::ProceduresUnregistered() {
  ApiLock lock = LockApi();
  if (lock.owns_lock() && !procedures_.Any()) StopMonitorLocked();
  return XJC_OK;
}

// ---- capabilities -----------------------------------------------------------------------------

XJC_RESULT CommLibrary::IsSupported(std::int32_t feature, std::int32_t* supported) {
  if (!supported) return XJC_E_NO_RECORD;
  std::shared_ptr<PrinterConnection> connection = OpenConnection();
  if (!connection) return XJC_E_NOT_OPEN;
  const ModelTraits* traits = nullptr;
  if (const XJC_RESULT rc = connection->QueryModelTraits(traits); rc != XJC_OK) return rc;
  *supported = ModelSupportsFeature(traits, feature) ? 1 : 0;
  return XJC_OK;
}

XJC_RESULT CommLibrary::IsEnableCommand(std::int32_t group, std::int32_t code1, std::int32_t code2,
                                        std::int32_t* enabled) {
  if (!enabled) return XJC_E_NO_RECORD;
  std::shared_ptr<PrinterConnection> connection = OpenConnection();
  if (!connection) return XJC_E_NOT_OPEN;
  const ModelTraits* traits = nullptr;
  if (const XJC_RESULT rc = connection->QueryModelTraits(traits); rc != XJC_OK) return rc;
  *enabled = ModelEnablesCommand(traits, group, code1, code2) ? 1 : 0;
  return XJC_OK;
}

XJC_RESULT CommLibrary::IsARPSupported(std::int32_t* supported) {
  if (!supported) return XJC_E_NO_RECORD;
  std::shared_ptr<PrinterConnection> connection = OpenConnection();
  if (!connection) return XJC_E_NOT_OPEN;
  const ModelTraits* traits = nullptr;
  if (const XJC_RESULT rc = connection->QueryModelTraits(traits); rc != XJC_OK) return rc;
  *supported = traits && connection->Address().kind == PortKind::Net ? 1 : 0;
  return XJC_OK;
}

// ---- raw traffic --------------------------------------------------------------------------------

XJC_RESULT CommLibrary::Read(void* buffer, std::uint32_t size, std::uint32_t* done,
                             std::uint32_t timeoutMs) {
  if (done) *done = 0;
  if (!buffer && size > 0) return XJC_E_NO_RECORD;
  std::shared_ptr<PrinterConnection> connection = OpenConnection();
  if (!connection) return XJC_E_NOT_OPEN;
  std::size_t n = 0;
  const XJC_RESULT rc =
      connection->Read(static_cast<std::uint8_t*>(buffer), size, &n, timeoutMs);
  if (done) *done = static_cast<std::uint32_t>(n);
  return rc;
}

XJC_RESULT CommLibrary::Write(const void* data, std::uint32_t size, std::uint32_t* done,
                              std::uint32_t timeoutMs) {
  if (done) *done = 0;
  if (!data && size > 0) return XJC_E_NO_RECORD;
  std::shared_ptr<PrinterConnection> connection = OpenConnection();
  if (!connection) return XJC_E_NOT_OPEN;
  std::size_t n = 0;
  const XJC_RESULT rc = connection->Write(static_cast<const std::uint8_t*>(data), size, &n,
                                          timeoutMs == 0 ? kDefaultWriteTimeoutMs : timeoutMs);
  if (done) *done = static_cast<std::uint32_t>(n);
  return rc;
}

XJC_RESULT CommLibrary::Purge() {
  std::shared_ptr<PrinterConnection> connection = OpenConnection();
  if (!connection) return XJC_E_NOT_OPEN;
  return connection->Purge();
}

XJC_RESULT CommLibrary::SetFlowCtrlForced(std::int32_t forced) {
  ApiLock lock = LockApi();
  if (!lock.owns_lock()) return XJC_E_NOT_OPEN;
  flowForced_ = forced != 0;
  if (connection_) connection_->SetFlowControlForced(flowForced_);
  return XJC_OK;
}

XJC_RESULT CommLibrary::RecoverySending() {
  std::shared_ptr<PrinterConnection> connection = OpenConnection();
  if (!connection) return XJC_E_NOT_OPEN;
  if (const XJC_RESULT rc = connection->Reconnect(); rc != XJC_OK) return rc;
  return connection->Purge();
}

XJC_RESULT CommLibrary::Reset() {
  std::shared_ptr<PrinterConnection> connection = OpenConnection();
  if (!connection) return XJC_E_NOT_OPEN;
  return connection->Purge();
}

// ---- printer queries ------------------------------------------------------------------------

XJC_RESULT CommLibrary::QueryText(std::uint8_t function, char16_t* buffer, std::uint32_t size) {
  if (!buffer) return XJC_E_NO_RECORD;
  std::shared_ptr<PrinterConnection> connection = OpenConnection();
  if (!connection) return XJC_E_NOT_OPEN;
  std::string text;
  const XJC_RESULT rc = function == kIdModelName ? connection->QueryModel(text, false)
                                                 : connection->QueryInfoText(function, text);
  if (rc != XJC_OK) return rc;
  return CopyOut(plat::FromUtf8(text), buffer, size);
}

XJC_RESULT CommLibrary::GetDeviceName(char16_t* buffer, std::uint32_t size) {
  return QueryText(kIdModelName, buffer, size);
}

XJC_RESULT CommLibrary::GetSerialNumber(char16_t* buffer, std::uint32_t size) {
  return QueryText(kIdSerialNumber, buffer, size);
}

XJC_RESULT CommLibrary::GetFirmVersion(char16_t* buffer, std::uint32_t size) {
  return QueryText(kIdFirmware, buffer, size);
}

XJC_RESULT CommLibrary::GetPortName(char16_t* buffer, std::uint32_t size) {
  if (!buffer) return XJC_E_NO_RECORD;
  std::u16string name;
  {
    ApiLock lock = LockApi();
    if (!lock.owns_lock()) return XJC_E_NOT_OPEN;
    if (!selected_) return XJC_E_NO_PORT;
    name = std::u16string(plat::FieldText(selected_->portName));
    if (name.empty()) name = std::u16string(plat::FieldText(selected_->path));
  }
  return CopyOut(name, buffer, size);
}

}  // namespace xjcomm
