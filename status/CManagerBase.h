#pragma once
// CManagerBase: loads any engine library with the four-entry manager interface
// (Initialize, Finalize, RegisterCallback, UnregisterCallback), keeps its engine handle
// and unloads it again. Virtual slot order: destructor, RegisterCallback,
// UnregisterCallback, LoadModule, UnloadModule.
//
// Threads: an object is loaded and unloaded by one thread at a time (its owner, the
// engine manager, does that under its lock); the forwarding operations may be called
// from any thread while the module stays loaded.
#include <cstdint>
#include <string_view>

#include "platform/DynLib.h"
#include "sdk/IManagerBase.h"

class IXJComm;

class CManagerBase : public IManagerBase {
 public:
  // Entry points of an engine library.
  using InitializeProc = std::uint32_t (*)(IXJComm* argument);
  using FinalizeProc = void (*)(std::uint32_t* handle);
  using RegisterCallbackProc = std::int32_t (*)(std::uint32_t handle, ManagerCallback callback,
                                                void* context);
  using UnregisterCallbackProc = std::int32_t (*)(std::uint32_t handle);

  CManagerBase() = default;
  CManagerBase(const CManagerBase&) = delete;
  CManagerBase& operator=(const CManagerBase&) = delete;
  // Unloads as UnloadModule does.
  ~CManagerBase() override;

  // Forward to the library with the engine handle. Result: the library's result, or
  // kManagerNotLoaded without handle or entry point.
  std::int32_t RegisterCallback(ManagerCallback callback, void* context) override;
  std::int32_t UnregisterCallback() override;

  // Loads the library at path (a module already loaded is unloaded first) and resolves
  // the four entry points. With a null argument the library is only loaded (result
  // kManagerOk, no handle); otherwise the handle comes from Initialize(argument).
  // Result: kManagerOk; kManagerEmptyPath (empty path); kManagerNotLoaded (library not
  // loadable, an entry point missing; nothing stays loaded); kManagerNoHandle
  // (Initialize gave no handle; nothing stays loaded).
  virtual std::int32_t LoadModule(IXJComm* argument, std::u16string_view path);

  // Finalizes the handle (when there is one and Finalize is known), frees the library
  // and forgets the entry points. Result: kManagerUnloaded. Safe to call when nothing is
  // loaded.
  virtual std::int32_t UnloadModule();

  // Whether a library is loaded and an engine handle is held.
  bool HasHandle() const { return handle_ != 0; }

 protected:
  plat::LibHandle module_ = nullptr;
  std::uint32_t handle_ = 0;  // 0 = none
  InitializeProc initialize_ = nullptr;
  FinalizeProc finalize_ = nullptr;
  RegisterCallbackProc registerCallback_ = nullptr;
  UnregisterCallbackProc unregisterCallback_ = nullptr;
};
