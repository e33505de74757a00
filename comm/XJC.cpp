#include "comm/XJC.h"

// The mode in which a chosen port is opened.
namespace {
constexpr std::int32_t kOpenModeNormal = 1;
}  // namespace

XJC::XJC() = default;

XJC::~XJC() { Unload(); }

void XJC::ClearEntryPoints() {
#define XJC_CLEAR_ENTRY_POINT(name) name = nullptr;
  XJC_ENTRY_POINTS(XJC_CLEAR_ENTRY_POINT)
#undef XJC_CLEAR_ENTRY_POINT
}

void XJC::Unload() {
  ClearEntryPoints();
  if (handle_ != nullptr) {
    plat::FreeLibrary(handle_);
    handle_ = nullptr;
  }
}

XJC_RESULT XJC::Load(std::u16string_view library) {
  Unload();
  plat::LibHandle lib = plat::LoadLibraryW(library);
  if (lib == nullptr) return XJC_E_NOT_LOADED;

  bool complete = true;
#define XJC_RESOLVE_ENTRY_POINT(name)                                            \
  name = reinterpret_cast<decltype(&::name)>(plat::GetProcAddress(lib, #name)); \
  if (name == nullptr) complete = false;
  XJC_ENTRY_POINTS(XJC_RESOLVE_ENTRY_POINT)
#undef XJC_RESOLVE_ENTRY_POINT

  if (!complete) {
    ClearEntryPoints();
    plat::FreeLibrary(lib);
    return XJC_E_NOT_LOADED;
  }
  handle_ = lib;
  return XJC_OK;
}

XJC_RESULT XJC::Read(void* buffer, std::uint32_t size, std::uint32_t* done,
                     std::uint32_t timeoutMs) {
  if (!IsLoaded()) return XJC_E_NOT_LOADED;
  return XJC_Read(buffer, size, done, timeoutMs);
}

XJC_RESULT XJC::Write(const void* data, std::uint32_t size, std::uint32_t* done,
                      std::uint32_t timeoutMs) {
  if (!IsLoaded()) return XJC_E_NOT_LOADED;
  return XJC_Write(data, size, done, timeoutMs);
}

XJC_RESULT XJC::Purge() {
  if (!IsLoaded()) return XJC_E_NOT_LOADED;
  return XJC_Purge();
}

XJC_RESULT XJC::SetFlowCtrlForced(std::int32_t forced) {
  if (!IsLoaded()) return XJC_E_NOT_LOADED;
  return XJC_SetFlowCtrlForced(forced);
}

XJC_RESULT XJC::RecoverySending() {
  if (!IsLoaded()) return XJC_E_NOT_LOADED;
  return XJC_RecoverySending();
}

XJC_RESULT XJC::Open(std::int32_t mode) {
  if (!IsLoaded()) return XJC_E_NOT_LOADED;
  return XJC_Open(mode);
}

XJC_RESULT XJC::Close() {
  if (!IsLoaded()) return XJC_E_NOT_LOADED;
  return XJC_Close();
}

XJC_RESULT XJC::GetStatus(std::int32_t* status) {
  if (!IsLoaded()) return XJC_E_NOT_LOADED;
  return XJC_GetStatus(status);
}

XJC_RESULT XJC::Reset() {
  if (!IsLoaded()) return XJC_E_NOT_LOADED;
  return XJC_Reset();
}

XJC_RESULT XJC::SetDisableOffOffline() {
  if (!IsLoaded()) return XJC_E_NOT_LOADED;
  return XJC_SetDisableOffOffline();
}

XJC_RESULT XJC::SetResponseACK(std::int32_t on) {
  if (!IsLoaded()) return XJC_E_NOT_LOADED;
  return XJC_SetResponseACK(on);
}

XJC_RESULT OpenPortSequence(XJC* xjc, PortRecord* record) {
  if (record == nullptr) return XJC_E_NO_RECORD;
  if (xjc == nullptr || !xjc->IsLoaded()) return XJC_E_NOT_LOADED;
  XJC_RESULT rc = xjc->XJC_SetPort(record);
  if (rc != XJC_OK) return rc;
  rc = xjc->XJC_GetPort(record);
  if (rc != XJC_OK) return rc;
  rc = xjc->Open(kOpenModeNormal);
  if (rc != XJC_OK) return rc;
  return xjc->XJC_Initialize();
}
