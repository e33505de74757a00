// A stand-in communication library for tests: every entry point logs its name and
// arguments and returns the result the test configured for it. Built twice, once with
// every entry point and once without XJC_IsPortConnectorEnabled.
#define XJCOMM_BUILDING 1
#include <cstring>

#include "sdk/XJComm.h"
#include "tests/comm/StubXJCommControl.h"

#define STUB_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

struct ConfiguredResult {
  char name[48];
  std::uint32_t result;
};

StubCall gCalls[kStubMaxCalls];
int gCallCount = 0;
ConfiguredResult gResults[64];
int gResultCount = 0;

std::uint32_t ResultFor(const char* name) {
  for (int i = 0; i < gResultCount; ++i)
    if (std::strcmp(gResults[i].name, name) == 0) return gResults[i].result;
  return XJC_OK;
}

XJC_RESULT Record(const char* name, std::uint64_t a = 0, std::uint64_t b = 0, std::uint64_t c = 0,
                  std::uint64_t d = 0) {
  if (gCallCount < kStubMaxCalls) {
    StubCall& call = gCalls[gCallCount];
    std::strncpy(call.name, name, sizeof call.name - 1);
    call.name[sizeof call.name - 1] = '\0';
    call.args[0] = a;
    call.args[1] = b;
    call.args[2] = c;
    call.args[3] = d;
  }
  ++gCallCount;
  return ResultFor(name);
}

template <typename T>
std::uint64_t A(T* p) {
  return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(p));
}
std::uint64_t A(std::int32_t v) { return static_cast<std::uint32_t>(v); }
std::uint64_t A(std::uint32_t v) { return v; }

}  // namespace

STUB_EXPORT void StubXJC_Reset() {
  gCallCount = 0;
  gResultCount = 0;
}
STUB_EXPORT int StubXJC_CallCount() { return gCallCount; }
STUB_EXPORT const StubCall* StubXJC_Call(int i) {
  return i >= 0 && i < gCallCount && i < kStubMaxCalls ? &gCalls[i] : nullptr;
}
STUB_EXPORT void StubXJC_SetResult(const char* name, std::uint32_t result) {
  for (int i = 0; i < gResultCount; ++i) {
    if (std::strcmp(gResults[i].name, name) == 0) {
      gResults[i].result = result;
      return;
    }
  }
  if (gResultCount == 64) return;
  std::strncpy(gResults[gResultCount].name, name, sizeof gResults[0].name - 1);
  gResults[gResultCount].name[sizeof gResults[0].name - 1] = '\0';
  gResults[gResultCount].result = result;
  ++gResultCount;
}

XJC_API XJC_RESULT XJC_SetCaller(std::int32_t caller) { return Record(__func__, A(caller)); }
XJC_API XJC_RESULT XJC_GetCaller(std::int32_t* caller) { return Record(__func__, A(caller)); }
XJC_API XJC_RESULT XJC_SetModelType(std::int32_t type) { return Record(__func__, A(type)); }
XJC_API XJC_RESULT XJC_EnumPort(PortRecord** records, std::uint32_t capacity, std::uint32_t* count,
                                std::int32_t driverMode) {
  return Record(__func__, A(records), A(capacity), A(count), A(driverMode));
}
XJC_API XJC_RESULT XJC_EnumDevPort(const char16_t* kind, PortRecord** records,
                                   std::uint32_t capacity, std::uint32_t* count) {
  return Record(__func__, A(kind), A(records), A(capacity), A(count));
}
XJC_API XJC_RESULT XJC_AddPort(const PortRecord* record) { return Record(__func__, A(record)); }
XJC_API XJC_RESULT XJC_RemovePort(const PortRecord* record) { return Record(__func__, A(record)); }
XJC_API XJC_RESULT XJC_FindPort(PortRecord* record) { return Record(__func__, A(record)); }
XJC_API XJC_RESULT XJC_SetPort(const PortRecord* record) { return Record(__func__, A(record)); }
XJC_API XJC_RESULT XJC_GetPort(PortRecord* record) { return Record(__func__, A(record)); }
XJC_API XJC_RESULT XJC_Open(std::int32_t mode) { return Record(__func__, A(mode)); }
XJC_API XJC_RESULT XJC_Close() { return Record(__func__); }
XJC_API XJC_RESULT XJC_ReopenPort() { return Record(__func__); }
XJC_API XJC_RESULT XJC_Initialize() { return Record(__func__); }
XJC_API XJC_RESULT XJC_Terminate() { return Record(__func__); }
XJC_API XJC_RESULT XJC_CommunicationTest(PortRecord* record) { return Record(__func__, A(record)); }
XJC_API XJC_RESULT XJC_GetStatus(std::int32_t* status) { return Record(__func__, A(status)); }
XJC_API XJC_RESULT XJC_RegisterStatusProc(XJC_STATUS_PROC proc, void* context) {
  return Record(__func__, reinterpret_cast<std::uintptr_t>(proc), A(context));
}
XJC_API XJC_RESULT XJC_UnregisterStatusProc() { return Record(__func__); }
XJC_API XJC_RESULT XJC_RegisterBatStatusProc(XJC_STATUS_PROC proc, void* context) {
  return Record(__func__, reinterpret_cast<std::uintptr_t>(proc), A(context));
}
XJC_API XJC_RESULT XJC_UnregisterBatStatusProc() { return Record(__func__); }
XJC_API XJC_RESULT XJC_RegisterDeviceStateCallback(XJC_DEVICE_STATE_PROC proc, void* context) {
  return Record(__func__, reinterpret_cast<std::uintptr_t>(proc), A(context));
}
XJC_API XJC_RESULT XJC_UnregisterDeviceStateCallback() { return Record(__func__); }
XJC_API XJC_RESULT XJC_IsSupported(std::int32_t feature, std::int32_t* supported) {
  return Record(__func__, A(feature), A(supported));
}
XJC_API XJC_RESULT XJC_IsEnableCommand(std::int32_t group, std::int32_t code1, std::int32_t code2,
                                       std::int32_t* enabled) {
  return Record(__func__, A(group), A(code1), A(code2), A(enabled));
}
XJC_API XJC_RESULT XJC_IsWatermarkSupported(std::int32_t* supported) { return Record(__func__, A(supported)); }
XJC_API XJC_RESULT XJC_IsARPSupported(std::int32_t* supported) { return Record(__func__, A(supported)); }
XJC_API XJC_RESULT XJC_Read(void* buffer, std::uint32_t size, std::uint32_t* done,
                            std::uint32_t timeoutMs) {
  return Record(__func__, A(buffer), A(size), A(done), A(timeoutMs));
}
XJC_API XJC_RESULT XJC_Write(const void* data, std::uint32_t size, std::uint32_t* done,
                             std::uint32_t timeoutMs) {
  return Record(__func__, A(data), A(size), A(done), A(timeoutMs));
}
XJC_API XJC_RESULT XJC_Purge() { return Record(__func__); }
XJC_API XJC_RESULT XJC_SetFlowCtrlForced(std::int32_t forced) { return Record(__func__, A(forced)); }
XJC_API XJC_RESULT XJC_RecoverySending() { return Record(__func__); }
XJC_API XJC_RESULT XJC_Reset() { return Record(__func__); }
XJC_API XJC_RESULT XJC_SetDisableOffOffline() { return Record(__func__); }
XJC_API XJC_RESULT XJC_SetResponseACK(std::int32_t on) { return Record(__func__, A(on)); }
XJC_API XJC_RESULT XJC_GetDeviceName(char16_t* buffer, std::uint32_t size) {
  return Record(__func__, A(buffer), A(size));
}
XJC_API XJC_RESULT XJC_GetPortName(char16_t* buffer, std::uint32_t size) {
  return Record(__func__, A(buffer), A(size));
}
XJC_API XJC_RESULT XJC_GetSerialNumber(char16_t* buffer, std::uint32_t size) {
  return Record(__func__, A(buffer), A(size));
}
XJC_API XJC_RESULT XJC_GetFirmVersion(char16_t* buffer, std::uint32_t size) {
  return Record(__func__, A(buffer), A(size));
}
XJC_API XJC_RESULT XJC_GetAccessVersion(std::uint32_t* version) { return Record(__func__, A(version)); }
XJC_API XJC_RESULT XJC_PortSetting(PortRecord* record) { return Record(__func__, A(record)); }
XJC_API XJC_RESULT XJC_Backup(const char16_t* path) { return Record(__func__, A(path)); }
XJC_API XJC_RESULT XJC_Restore(const char16_t* path) { return Record(__func__, A(path)); }
XJC_API XJC_RESULT XJC_FileCheck(const char16_t* path) { return Record(__func__, A(path)); }
XJC_API XJC_RESULT XJC_SetPortConnector(std::int32_t on) { return Record(__func__, A(on)); }
#if !defined(XJ_STUB_LACKS_ONE_ENTRY_POINT)
XJC_API XJC_RESULT XJC_IsPortConnectorEnabled(std::int32_t* enabled) { return Record(__func__, A(enabled)); }
#endif
