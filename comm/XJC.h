#pragma once
// XJC: the program's single object for the communication library. It loads the library
// by name, resolves every one of its entry points by name, keeps one public function
// pointer per entry point, and forwards the IXJComm operations (and a few more) to the
// library.
//
// A library that cannot be loaded, or that lacks any one entry point, is treated as
// absent: the handle and every pointer stay null and every forwarding operation returns
// XJC_E_NOT_LOADED without calling anything. Code that calls an entry point through its
// pointer checks IsLoaded() first.
//
// Threads: Load, Unload and the destructor run on the user-interface thread while no
// other thread uses the object. The forwarding operations and the pointers may then be
// used from any thread, as the library allows (sdk/XJComm.h).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sdk/IXJComm.h"
#include "sdk/XJComm.h"
#include "platform/DynLib.h"
#include "sdk/AppSettingsBlock.h"

// Every entry point of the communication library, in the order of its header.
#define XJC_ENTRY_POINTS(X)                                                              \
  X(XJC_SetCaller) X(XJC_GetCaller) X(XJC_SetModelType) X(XJC_EnumPort) X(XJC_EnumDevPort) \
  X(XJC_AddPort) X(XJC_RemovePort) X(XJC_FindPort) X(XJC_SetPort) X(XJC_GetPort)         \
  X(XJC_Open) X(XJC_Close) X(XJC_ReopenPort) X(XJC_Initialize) X(XJC_Terminate)          \
  X(XJC_CommunicationTest) X(XJC_GetStatus) X(XJC_RegisterStatusProc)                    \
  X(XJC_UnregisterStatusProc) X(XJC_RegisterBatStatusProc) X(XJC_UnregisterBatStatusProc) \
  X(XJC_RegisterDeviceStateCallback) X(XJC_UnregisterDeviceStateCallback)                \
  X(XJC_IsSupported) X(XJC_IsEnableCommand) X(XJC_IsWatermarkSupported)                  \
  X(XJC_IsARPSupported) X(XJC_Read) X(XJC_Write) X(XJC_Purge) X(XJC_SetFlowCtrlForced)   \
  X(XJC_RecoverySending) X(XJC_Reset) X(XJC_SetDisableOffOffline) X(XJC_SetResponseACK)  \
  X(XJC_GetDeviceName) X(XJC_GetPortName) X(XJC_GetSerialNumber) X(XJC_GetFirmVersion)   \
  X(XJC_GetAccessVersion) X(XJC_PortSetting) X(XJC_Backup) X(XJC_Restore)                \
  X(XJC_FileCheck) X(XJC_SetPortConnector) X(XJC_IsPortConnectorEnabled)

#define XJC_COUNT_ENTRY_POINT(name) +1
inline constexpr std::size_t kXJCEntryPointCount = 0 XJC_ENTRY_POINTS(XJC_COUNT_ENTRY_POINT);
#undef XJC_COUNT_ENTRY_POINT
static_assert(kXJCEntryPointCount == 46);

// The library's name as the program asks for it; the platform loader finds XJComm.so
// beside the executable under this name.
inline constexpr char16_t kXJCommLibraryName[] = u"XJComm.dll";

class XJC : public IXJComm {
 public:
  // Not loaded: null handle, null pointers.
  XJC();
  // Unloads the library when loaded.
  ~XJC() override;
  XJC(const XJC&) = delete;
  XJC& operator=(const XJC&) = delete;

  // Loads the library (by default "XJComm.dll") and resolves every entry point. A
  // library loaded before is unloaded first. Returns XJC_OK, or XJC_E_NOT_LOADED when the
  // library cannot be loaded or lacks an entry point; the library is then unloaded
  // again and the object stays not loaded.
  XJC_RESULT Load(std::u16string_view library = kXJCommLibraryName);
  // Clears every pointer and unloads the library; nothing when not loaded.
  void Unload();
  // True while the library is loaded with all its entry points.
  bool IsLoaded() const { return handle_ != nullptr; }
  // The library handle; null when not loaded.
  plat::LibHandle Handle() const { return handle_; }

  // IXJComm: forwarded to XJC_Read, XJC_Write, XJC_Purge, XJC_SetFlowCtrlForced,
  // XJC_RecoverySending with the arguments unchanged.
  XJC_RESULT Read(void* buffer, std::uint32_t size, std::uint32_t* done,
                  std::uint32_t timeoutMs) override;
  XJC_RESULT Write(const void* data, std::uint32_t size, std::uint32_t* done,
                   std::uint32_t timeoutMs) override;
  XJC_RESULT Purge() override;
  XJC_RESULT SetFlowCtrlForced(std::int32_t forced) override;
  XJC_RESULT RecoverySending() override;

  // Opens the selected port; the program passes mode 1, or 0 to re-open after its own
  // exchange on a port given by its connection path.
  virtual XJC_RESULT Open(std::int32_t mode);
  virtual XJC_RESULT Close();
  // *status receives the printer status (callers preset -1).
  virtual XJC_RESULT GetStatus(std::int32_t* status);
  virtual XJC_RESULT Reset();
  virtual XJC_RESULT SetDisableOffOffline();
  virtual XJC_RESULT SetResponseACK(std::int32_t on);

  // One pointer per entry point, typed after its declaration; null when not loaded.
#define XJC_DECLARE_ENTRY_POINT(name) decltype(&::name) name = nullptr;
  XJC_ENTRY_POINTS(XJC_DECLARE_ENTRY_POINT)
#undef XJC_DECLARE_ENTRY_POINT

 private:
  void ClearEntryPoints();

  plat::LibHandle handle_ = nullptr;
};

// Opens the port of record the way every chosen port is opened: XJC_SetPort(record),
// XJC_GetPort(record), Open(1), XJC_Initialize(), stopping at and returning the first
// result that is not XJC_OK. Returns XJC_E_NO_RECORD for a null record and
// XJC_E_NOT_LOADED when xjc is null or its library is not loaded, without calling
// anything. User-interface thread.
XJC_RESULT OpenPortSequence(XJC* xjc, PortRecord* record);

// The program's communication object in the application settings block: the block
// holds it as the IXJComm that plug-ins see, and the program always stores an XJC
// there. Null for a null block or an empty field.
inline XJC* BlockXJC(const AppSettingsBlock* block) {
  return block != nullptr ? static_cast<XJC*>(block->xjc) : nullptr;
}
