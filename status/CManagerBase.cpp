#include "status/CManagerBase.h"

#include <string>

namespace {

template <typename Proc>
Proc Resolve(plat::LibHandle module, const char* name) {
  return reinterpret_cast<Proc>(plat::GetProcAddress(module, name));
}

}  // namespace

CManagerBase::~CManagerBase() { CManagerBase::UnloadModule(); }

std::int32_t CManagerBase::RegisterCallback(ManagerCallback callback, void* context) {
  if (handle_ == 0 || registerCallback_ == nullptr) return kManagerNotLoaded;
  return registerCallback_(handle_, callback, context);
}

std::int32_t CManagerBase::UnregisterCallback() {
  if (handle_ == 0 || unregisterCallback_ == nullptr) return kManagerNotLoaded;
  return unregisterCallback_(handle_);
}

std::int32_t CManagerBase::LoadModule(IXJComm* argument, std::u16string_view path) {
  if (path.empty()) return kManagerEmptyPath;
  if (module_ != nullptr) CManagerBase::UnloadModule();

  module_ = plat::LoadLibraryW(path);
  if (module_ == nullptr) return kManagerNotLoaded;

  initialize_ = Resolve<InitializeProc>(module_, "Initialize");
  finalize_ = Resolve<FinalizeProc>(module_, "Finalize");
  registerCallback_ = Resolve<RegisterCallbackProc>(module_, "RegisterCallback");
  unregisterCallback_ = Resolve<UnregisterCallbackProc>(module_, "UnregisterCallback");
  if (initialize_ == nullptr || finalize_ == nullptr || registerCallback_ == nullptr ||
      unregisterCallback_ == nullptr) {
    CManagerBase::UnloadModule();
    return kManagerNotLoaded;
  }

  if (argument == nullptr) return kManagerOk;  // loaded, not initialised
  handle_ = initialize_(argument);
  if (handle_ == 0) {
    CManagerBase::UnloadModule();
    return kManagerNoHandle;
  }
  return kManagerOk;
}

std::int32_t CManagerBase::UnloadModule() {
  if (handle_ != 0 && finalize_ != nullptr) {
    finalize_(&handle_);
  }
  // A library that did not clear the handle still has no engine for us any more.
  handle_ = 0;
  if (module_ != nullptr) {
    plat::FreeLibrary(module_);
    module_ = nullptr;
  }
  initialize_ = nullptr;
  finalize_ = nullptr;
  registerCallback_ = nullptr;
  unregisterCallback_ = nullptr;
  return kManagerUnloaded;
}
