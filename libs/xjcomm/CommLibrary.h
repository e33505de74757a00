#pragma once
// CommLibrary: the state behind the XJC_* entry points — the selected port, the open
// connection, the status monitor and the registered procedures — and the work of each
// entry point. One instance per process (Instance()); the entry points in Library.cpp
// only forward to it. The contract of each operation is that of the entry point of the
// same name in XJComm.h.
//
// Locking: the state is guarded by one mutex that is never held while a procedure is
// called or while the printer is waited for, except when a monitor is joined. A status
// procedure that calls back into the library while its monitor is being stopped gets a
// failure (XJC_E_NOT_OPEN) instead of a deadlock.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "libs/xjcomm/PortAddress.h"
#include "libs/xjcomm/PrinterConnection.h"
#include "libs/xjcomm/StatusMonitor.h"
#include "libs/xjcomm/StatusProcedures.h"
#include "libs/xjcomm/StopAwareMutex.h"
#include "sdk/XJComm.h"

namespace xjcomm {

// The interface version XJC_GetAccessVersion reports: (major << 16) | minor.
inline constexpr std::uint32_t kAccessVersion = (1u << 16) | 30u;

class CommLibrary {
 public:
  static CommLibrary& Instance();
  ~CommLibrary();

  XJC_RESULT SetCaller(std::int32_t caller);
  XJC_RESULT GetCaller(std::int32_t* caller);
  XJC_RESULT SetModelType(std::int32_t type);

  XJC_RESULT EnumPort(PortRecord** records, std::uint32_t capacity, std::uint32_t* count);
  XJC_RESULT EnumDevPort(const char16_t* kind, PortRecord** records, std::uint32_t capacity,
                         std::uint32_t* count);
  XJC_RESULT AddPort(const PortRecord* record);
  XJC_RESULT RemovePort(const PortRecord* record);
  XJC_RESULT FindPort(PortRecord* record);

  XJC_RESULT SetPort(const PortRecord* record);
  XJC_RESULT GetPort(PortRecord* record);
  XJC_RESULT Open(std::int32_t mode);
  XJC_RESULT Close();
  XJC_RESULT ReopenPort();
  XJC_RESULT Initialize();
  XJC_RESULT Terminate();
  XJC_RESULT CommunicationTest(PortRecord* record);

  XJC_RESULT GetStatus(std::int32_t* status);
  XJC_RESULT RegisterStatusProc(XJC_STATUS_PROC proc, void* context);
  XJC_RESULT UnregisterStatusProc();
  XJC_RESULT RegisterBatStatusProc(XJC_STATUS_PROC proc, void* context);
  XJC_RESULT UnregisterBatStatusProc();

  XJC_RESULT IsSupported(std::int32_t feature, std::int32_t* supported);
  XJC_RESULT IsEnableCommand(std::int32_t group, std::int32_t code1, std::int32_t code2,
                             std::int32_t* enabled);
  XJC_RESULT IsARPSupported(std::int32_t* supported);

  XJC_RESULT Read(void* buffer, std::uint32_t size, std::uint32_t* done, std::uint32_t timeoutMs);
  XJC_RESULT Write(const void* data, std::uint32_t size, std::uint32_t* done,
                   std::uint32_t timeoutMs);
  XJC_RESULT Purge();
  XJC_RESULT SetFlowCtrlForced(std::int32_t forced);
  XJC_RESULT RecoverySending();
  XJC_RESULT Reset();

  XJC_RESULT GetDeviceName(char16_t* buffer, std::uint32_t size);
  XJC_RESULT GetPortName(char16_t* buffer, std::uint32_t size);
  XJC_RESULT GetSerialNumber(char16_t* buffer, std::uint32_t size);
  XJC_RESULT GetFirmVersion(char16_t* buffer, std::uint32_t size);

  // The search range of XJC_EnumDevPort("NET"): $XJCOMM_NET_SEARCH, else the key
  // NetSearchRange of section IFSetting in SETTING.INI beside this library, else loopback.
  static std::string NetSearchRangeText();

 private:
  CommLibrary() = default;

  using ApiLock = std::unique_lock<StopAwareMutex>;
  // Locks the state. On a monitor thread it gives up (returns an unlocked lock) when that
  // monitor is being stopped, because the stopping thread holds the state meanwhile;
  // StopMonitorLocked wakes it for that.
  ApiLock LockApi();
  // The open connection, or null.
  std::shared_ptr<PrinterConnection> OpenConnection();

  XJC_RESULT ProceduresRegistered();
  XJC_RESULT ProceduresUnregistered();
  void StartMonitorLocked();
  void StopMonitorLocked();
  void JoinRetiredLocked();
  void CloseLocked();
  XJC_RESULT OpenLocked(std::int32_t mode);

  XJC_RESULT QueryText(std::uint8_t function, char16_t* buffer, std::uint32_t size);
  XJC_RESULT FindDevices(const std::u16string& kind, std::vector<PortRecord>& found);

  StopAwareMutex mutex_;
  std::optional<PortRecord> selected_;
  PortAddress selectedAddress_;
  std::shared_ptr<PrinterConnection> connection_;
  std::int32_t openMode_ = 1;
  std::unique_ptr<StatusMonitor> monitor_;
  std::vector<std::unique_ptr<StatusMonitor>> retired_;  // asked to stop from their own thread
  std::int32_t caller_ = 0;
  std::int32_t modelType_ = 0;
  bool flowForced_ = false;

  StatusProcedures procedures_;

  // The last device search, kept briefly for the caller that asks again with a larger array.
  std::mutex searchMutex_;
  std::u16string lastSearchKind_;
  std::vector<PortRecord> lastSearch_;
  std::uint64_t lastSearchTime_ = 0;
  bool lastSearchOverflowed_ = false;
};

}  // namespace xjcomm
