#pragma once
// PrinterInfoLibrary: the program's side of the printer information manager
// (VodEroVerEDU, libs/printerinfo/VodEroVerEDU.h). It loads the library by name,
// resolves its entry points by name and keeps one session (handle) over the
// application's communication object. A library that lacks one of the seven entry points
// the program relies on is treated as absent: no session, every read fails.
//
// No Qt here. Load and Open run on the UI thread; the entry points may then be called
// from the worker of a communication job (the library serialises calls per handle).
#include <cstdint>
#include <string_view>

#include "libs/printerinfo/VodEroVerEDU.h"
#include "platform/DynLib.h"

// The library's name as the program asks for it; the platform loader finds
// VodEroVerEDU.so beside the executable under this name.
inline constexpr char16_t kPrinterInfoLibraryName[] = u"VodEroVerEDU.dll";

// Results of the program's side besides the library's own.
inline constexpr std::int32_t kPrinterInfoNoSession = -24;  // library absent, incomplete or no handle

struct PrinterInfoEntryPoints {
  decltype(&::Initialize) initialize = nullptr;
  decltype(&::Finalize) finalize = nullptr;
  decltype(&::RegisterCallback) registerCallback = nullptr;
  decltype(&::UnregisterCallback) unregisterCallback = nullptr;
  decltype(&::GetPrinterInformation) getPrinterInformation = nullptr;
  decltype(&::GetPrinterName) getPrinterName = nullptr;
  decltype(&::GetDeviceID) getDeviceId = nullptr;
  decltype(&::GetPrinterInfo) getPrinterInfo = nullptr;  // resolved, never called

  // True when the seven entry points the program relies on are all there.
  bool Complete() const;
};

class PrinterInfoLibrary {
 public:
  PrinterInfoLibrary() = default;
  // Ends the session and unloads the library.
  ~PrinterInfoLibrary();
  PrinterInfoLibrary(const PrinterInfoLibrary&) = delete;
  PrinterInfoLibrary& operator=(const PrinterInfoLibrary&) = delete;

  // Loads the library and resolves its entry points; true when they are complete. A
  // library loaded before is released first. An incomplete library is unloaded again.
  bool Load(std::u16string_view name = kPrinterInfoLibraryName);
  // Uses the given entry points instead of a loaded library (a stand-in of a test).
  void Adopt(const PrinterInfoEntryPoints& entries);

  // Opens the session over comm: Initialize(comm). The handle, 0 when the entry points
  // are incomplete or the library gave none.
  std::uint32_t Open(IXJComm* comm);
  // Ends the session (Finalize), if one is open.
  void Close();
  // Close, then unload.
  void Release();

  std::uint32_t Handle() const { return handle_; }
  const PrinterInfoEntryPoints& Entries() const { return entries_; }
  bool IsLoaded() const { return entries_.Complete(); }

 private:
  plat::LibHandle module_ = nullptr;
  PrinterInfoEntryPoints entries_;
  std::uint32_t handle_ = 0;
};
