// The exported entry points: each forwards to the library state (CommLibrary). No C++
// exception may cross this boundary; anything unexpected becomes XJC_E_IO.
#include <exception>
#include <new>

#include "libs/xjcomm/CommLibrary.h"
#include "sdk/XJComm.h"

using xjcomm::CommLibrary;

namespace {

template <typename F>
XJC_RESULT Guarded(F&& f) {
  try {
    return f(CommLibrary::Instance());
  } catch (const std::bad_alloc&) {
    return XJC_E_IO;
  } catch (...) {
    return XJC_E_IO;
  }
}

}  // namespace

XJC_API XJC_RESULT XJC_SetCaller(std::int32_t caller) {
  return Guarded([&](CommLibrary& l) { return l.SetCaller(caller); });
}
XJC_API XJC_RESULT XJC_GetCaller(std::int32_t* caller) {
  return Guarded([&](CommLibrary& l) { return l.GetCaller(caller); });
}
XJC_API XJC_RESULT XJC_SetModelType(std::int32_t type) {
  return Guarded([&](CommLibrary& l) { return l.SetModelType(type); });
}

XJC_API XJC_RESULT XJC_EnumPort(PortRecord** records, std::uint32_t capacity, std::uint32_t* count,
                                std::int32_t /*driverMode*/) {
  return Guarded([&](CommLibrary& l) { return l.EnumPort(records, capacity, count); });
}
XJC_API XJC_RESULT XJC_EnumDevPort(const char16_t* kind, PortRecord** records,
                                   std::uint32_t capacity, std::uint32_t* count) {
  return Guarded([&](CommLibrary& l) { return l.EnumDevPort(kind, records, capacity, count); });
}
XJC_API XJC_RESULT XJC_AddPort(const PortRecord* record) {
  return Guarded([&](CommLibrary& l) { return l.AddPort(record); });
}
XJC_API XJC_RESULT XJC_RemovePort(const PortRecord* record) {
  return Guarded([&](CommLibrary& l) { return l.RemovePort(record); });
}
XJC_API XJC_RESULT XJC_FindPort(PortRecord* record) {
  return Guarded([&](CommLibrary& l) { return l.FindPort(record); });
}

XJC_API XJC_RESULT XJC_SetPort(const PortRecord* record) {
  return Guarded([&](CommLibrary& l) { return l.SetPort(record); });
}
XJC_API XJC_RESULT XJC_GetPort(PortRecord* record) {
  return Guarded([&](CommLibrary& l) { return l.GetPort(record); });
}
XJC_API XJC_RESULT XJC_Open(std::int32_t mode) {
  return Guarded([&](CommLibrary& l) { return l.Open(mode); });
}
XJC_API XJC_RESULT XJC_Close() {
  return Guarded([&](CommLibrary& l) { return l.Close(); });
}
XJC_API XJC_RESULT XJC_ReopenPort() {
  return Guarded([&](CommLibrary& l) { return l.ReopenPort(); });
}
XJC_API XJC_RESULT XJC_Initialize() {
  return Guarded([&](CommLibrary& l) { return l.Initialize(); });
}
XJC_API XJC_RESULT XJC_Terminate() {
  return Guarded([&](CommLibrary& l) { return l.Terminate(); });
}
XJC_API XJC_RESULT XJC_CommunicationTest(PortRecord* record) {
  return Guarded([&](CommLibrary& l) { return l.CommunicationTest(record); });
}

XJC_API XJC_RESULT XJC_GetStatus(std::int32_t* status) {
  return Guarded([&](CommLibrary& l) { return l.GetStatus(status); });
}
XJC_API XJC_RESULT XJC_RegisterStatusProc(XJC_STATUS_PROC proc, void* context) {
  return Guarded([&](CommLibrary& l) { return l.RegisterStatusProc(proc, context); });
}
XJC_API XJC_RESULT XJC_UnregisterStatusProc() {
  return Guarded([&](CommLibrary& l) { return l.UnregisterStatusProc(); });
}
XJC_API XJC_RESULT XJC_RegisterBatStatusProc(XJC_STATUS_PROC proc, void* context) {
  return Guarded([&](CommLibrary& l) { return l.RegisterBatStatusProc(proc, context); });
}
XJC_API XJC_RESULT XJC_UnregisterBatStatusProc() {
  return Guarded([&](CommLibrary& l) { return l.UnregisterBatStatusProc(); });
}
XJC_API XJC_RESULT XJC_RegisterDeviceStateCallback(XJC_DEVICE_STATE_PROC, void*) {
  return XJC_E_NOT_SUPPORTED;
}
XJC_API XJC_RESULT XJC_UnregisterDeviceStateCallback() { return XJC_E_NOT_SUPPORTED; }

XJC_API XJC_RESULT XJC_IsSupported(std::int32_t feature, std::int32_t* supported) {
  return Guarded([&](CommLibrary& l) { return l.IsSupported(feature, supported); });
}
XJC_API XJC_RESULT XJC_IsEnableCommand(std::int32_t group, std::int32_t code1, std::int32_t code2,
                                       std::int32_t* enabled) {
  return Guarded([&](CommLibrary& l) { return l.IsEnableCommand(group, code1, code2, enabled); });
}
XJC_API XJC_RESULT XJC_IsWatermarkSupported(std::int32_t*) { return XJC_E_NOT_SUPPORTED; }
XJC_API XJC_RESULT XJC_IsARPSupported(std::int32_t* supported) {
  return Guarded([&](CommLibrary& l) { return l.IsARPSupported(supported); });
}

XJC_API XJC_RESULT XJC_Read(void* buffer, std::uint32_t size, std::uint32_t* done,
                            std::uint32_t timeoutMs) {
  return Guarded([&](CommLibrary& l) { return l.Read(buffer, size, done, timeoutMs); });
}
XJC_API XJC_RESULT XJC_Write(const void* data, std::uint32_t size, std::uint32_t* done,
                             std::uint32_t timeoutMs) {
  return Guarded([&](CommLibrary& l) { return l.Write(data, size, done, timeoutMs); });
}
XJC_API XJC_RESULT XJC_Purge() {
  return Guarded([&](CommLibrary& l) { return l.Purge(); });
}
XJC_API XJC_RESULT XJC_SetFlowCtrlForced(std::int32_t forced) {
  return Guarded([&](CommLibrary& l) { return l.SetFlowCtrlForced(forced); });
}
XJC_API XJC_RESULT XJC_RecoverySending() {
  return Guarded([&](CommLibrary& l) { return l.RecoverySending(); });
}
XJC_API XJC_RESULT XJC_Reset() {
  return Guarded([&](CommLibrary& l) { return l.Reset(); });
}
XJC_API XJC_RESULT XJC_SetDisableOffOffline() { return XJC_E_NOT_SUPPORTED; }
XJC_API XJC_RESULT XJC_SetResponseACK(std::int32_t) { return XJC_E_NOT_SUPPORTED; }

XJC_API XJC_RESULT XJC_GetDeviceName(char16_t* buffer, std::uint32_t size) {
  return Guarded([&](CommLibrary& l) { return l.GetDeviceName(buffer, size); });
}
XJC_API XJC_RESULT XJC_GetPortName(char16_t* buffer, std::uint32_t size) {
  return Guarded([&](CommLibrary& l) { return l.GetPortName(buffer, size); });
}
XJC_API XJC_RESULT XJC_GetSerialNumber(char16_t* buffer, std::uint32_t size) {
  return Guarded([&](CommLibrary& l) { return l.GetSerialNumber(buffer, size); });
}
XJC_API XJC_RESULT XJC_GetFirmVersion(char16_t* buffer, std::uint32_t size) {
  return Guarded([&](CommLibrary& l) { return l.GetFirmVersion(buffer, size); });
}
XJC_API XJC_RESULT XJC_GetAccessVersion(std::uint32_t* version) {
  if (!version) return XJC_E_NO_RECORD;
  *version = xjcomm::kAccessVersion;
  return XJC_OK;
}

XJC_API XJC_RESULT XJC_PortSetting(PortRecord*) { return XJC_E_NOT_SUPPORTED; }
XJC_API XJC_RESULT XJC_Backup(const char16_t*) { return XJC_E_NOT_SUPPORTED; }
XJC_API XJC_RESULT XJC_Restore(const char16_t*) { return XJC_E_NOT_SUPPORTED; }
XJC_API XJC_RESULT XJC_FileCheck(const char16_t*) { return XJC_E_NOT_SUPPORTED; }
XJC_API XJC_RESULT XJC_SetPortConnector(std::int32_t) { return XJC_E_NOT_SUPPORTED; }
XJC_API XJC_RESULT XJC_IsPortConnectorEnabled(std::int32_t*) { return XJC_E_NOT_SUPPORTED; }
