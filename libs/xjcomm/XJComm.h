#pragma once
// XJComm: the communication library. Every entry point has C linkage and is resolved by
// name at run time (comm/XJC.h). Results are 32-bit: XJC_OK (0) for success, otherwise
// one of the XJC_E_* codes below.
//
// Threads: unless stated otherwise an entry point may be called from any thread; the
// library serialises all traffic with the printer internally, so a call waits while
// another thread's exchange runs. Status and battery procedures are called on the
// library's own monitor thread.
//
// The full contract of every entry point (arguments, results, thread) is documented at
// its declaration below.
#include <cstdint>

#include "comm/PortRecord.h"

#if defined(XJCOMM_BUILDING)
#define XJC_API extern "C" __attribute__((visibility("default")))
#else
#define XJC_API extern "C"
#endif

typedef std::uint32_t XJC_RESULT;

inline constexpr XJC_RESULT XJC_OK = 0;
inline constexpr XJC_RESULT XJC_E_NOT_LOADED = 0x80000000u;     // library absent (program side)
inline constexpr XJC_RESULT XJC_E_NO_RECORD = 0x80000001u;      // a required record/pointer missing
inline constexpr XJC_RESULT XJC_E_INVALID_ARG = 0x80000002u;    // an argument out of range
inline constexpr XJC_RESULT XJC_E_NOT_OPEN = 0x80000003u;       // no port open
inline constexpr XJC_RESULT XJC_E_TIMEOUT = 0x80000004u;        // the printer did not answer in time
inline constexpr XJC_RESULT XJC_E_NO_PORT = 0x80000006u;        // no port selected / unknown port
inline constexpr XJC_RESULT XJC_E_OPEN_FAILED = 0x80000007u;    // the device could not be opened
inline constexpr XJC_RESULT XJC_E_IO = 0x80000008u;             // read or write failed, connection lost
inline constexpr XJC_RESULT XJC_E_BAD_REPLY = 0x80000009u;      // the printer answered something unexpected
inline constexpr XJC_RESULT XJC_E_NOT_SUPPORTED = 0x8000000Au;  // entry point or feature not supported
inline constexpr XJC_RESULT XJC_E_IN_USE = 0x8000000Bu;         // another process holds the port
inline constexpr XJC_RESULT XJC_E_BUFFER_TOO_SMALL = 0x8000000Cu;
inline constexpr XJC_RESULT XJC_E_STORE = 0x8000000Du;          // the port registry could not be written

// Status and battery procedures: (value, context). The return value is ignored.
typedef std::int32_t (*XJC_STATUS_PROC)(std::uint32_t value, void* context);
// Device state procedure (XJC_RegisterDeviceStateCallback): not supported by this library.
typedef std::int32_t (*XJC_DEVICE_STATE_PROC)(std::uint32_t state, void* context);

// ---- caller, model ------------------------------------------------------------------
XJC_API XJC_RESULT XJC_SetCaller(std::int32_t caller);
XJC_API XJC_RESULT XJC_GetCaller(std::int32_t* caller);
XJC_API XJC_RESULT XJC_SetModelType(std::int32_t type);

// ---- port registry and device search --------------------------------------------------
XJC_API XJC_RESULT XJC_EnumPort(PortRecord** records, std::uint32_t capacity, std::uint32_t* count,
                                std::int32_t driverMode);
XJC_API XJC_RESULT XJC_EnumDevPort(const char16_t* kind, PortRecord** records,
                                   std::uint32_t capacity, std::uint32_t* count);
XJC_API XJC_RESULT XJC_AddPort(const PortRecord* record);
XJC_API XJC_RESULT XJC_RemovePort(const PortRecord* record);
XJC_API XJC_RESULT XJC_FindPort(PortRecord* record);

// ---- opening and closing -----------------------------------------------------------------
XJC_API XJC_RESULT XJC_SetPort(const PortRecord* record);
XJC_API XJC_RESULT XJC_GetPort(PortRecord* record);
XJC_API XJC_RESULT XJC_Open(std::int32_t mode);
XJC_API XJC_RESULT XJC_Close();
XJC_API XJC_RESULT XJC_ReopenPort();
XJC_API XJC_RESULT XJC_Initialize();
XJC_API XJC_RESULT XJC_Terminate();
XJC_API XJC_RESULT XJC_CommunicationTest(PortRecord* record);

// ---- status --------------------------------------------------------------------------------
XJC_API XJC_RESULT XJC_GetStatus(std::int32_t* status);
XJC_API XJC_RESULT XJC_RegisterStatusProc(XJC_STATUS_PROC proc, void* context);
XJC_API XJC_RESULT XJC_UnregisterStatusProc();
XJC_API XJC_RESULT XJC_RegisterBatStatusProc(XJC_STATUS_PROC proc, void* context);
XJC_API XJC_RESULT XJC_UnregisterBatStatusProc();
XJC_API XJC_RESULT XJC_RegisterDeviceStateCallback(XJC_DEVICE_STATE_PROC proc, void* context);
XJC_API XJC_RESULT XJC_UnregisterDeviceStateCallback();

// ---- capabilities -----------------------------------------------------------------------
XJC_API XJC_RESULT XJC_IsSupported(std::int32_t feature, std::int32_t* supported);
XJC_API XJC_RESULT XJC_IsEnableCommand(std::int32_t group, std::int32_t code1, std::int32_t code2,
                                       std::int32_t* enabled);
XJC_API XJC_RESULT XJC_IsWatermarkSupported(std::int32_t* supported);
XJC_API XJC_RESULT XJC_IsARPSupported(std::int32_t* supported);

// ---- raw traffic for outside components (IXJComm) ------------------------------------
XJC_API XJC_RESULT XJC_Read(void* buffer, std::uint32_t size, std::uint32_t* done,
                            std::uint32_t timeoutMs);
XJC_API XJC_RESULT XJC_Write(const void* data, std::uint32_t size, std::uint32_t* done,
                             std::uint32_t timeoutMs);
XJC_API XJC_RESULT XJC_Purge();
XJC_API XJC_RESULT XJC_SetFlowCtrlForced(std::int32_t forced);
XJC_API XJC_RESULT XJC_RecoverySending();
XJC_API XJC_RESULT XJC_Reset();
XJC_API XJC_RESULT XJC_SetDisableOffOffline();
XJC_API XJC_RESULT XJC_SetResponseACK(std::int32_t on);

// ---- printer queries -----------------------------------------------------------------------
XJC_API XJC_RESULT XJC_GetDeviceName(char16_t* buffer, std::uint32_t size);
XJC_API XJC_RESULT XJC_GetPortName(char16_t* buffer, std::uint32_t size);
XJC_API XJC_RESULT XJC_GetSerialNumber(char16_t* buffer, std::uint32_t size);
XJC_API XJC_RESULT XJC_GetFirmVersion(char16_t* buffer, std::uint32_t size);
XJC_API XJC_RESULT XJC_GetAccessVersion(std::uint32_t* version);

// ---- not supported by this library -------------------------------------------------------
XJC_API XJC_RESULT XJC_PortSetting(PortRecord* record);
XJC_API XJC_RESULT XJC_Backup(const char16_t* path);
XJC_API XJC_RESULT XJC_Restore(const char16_t* path);
XJC_API XJC_RESULT XJC_FileCheck(const char16_t* path);
XJC_API XJC_RESULT XJC_SetPortConnector(std::int32_t on);
XJC_API XJC_RESULT XJC_IsPortConnectorEnabled(std::int32_t* enabled);
