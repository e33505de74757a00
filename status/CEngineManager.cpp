#include "status/CEngineManager.h"

#include <mutex>

#include "status/CDeviceInfoManager.h"

CEngineManager::~CEngineManager() {
  std::lock_guard<plat::CriticalSection> guard(lock_);
  for (auto& [number, entry] : engines_) DestroyEngine(number, entry.engine);
  engines_.clear();
}

void CEngineManager::SetLibraryFolder(std::u16string_view folder) {
  std::lock_guard<plat::CriticalSection> guard(lock_);
  libraryFolder_.assign(folder);
}

void CEngineManager::SetInitArgument(IXJComm* argument) {
  std::lock_guard<plat::CriticalSection> guard(lock_);
  initArgument_ = argument;
}

void CEngineManager::DestroyEngine(std::int32_t number, IManagerBase* engine) {
  if (number != kEngineDeviceInfo || engine == nullptr) return;
  auto* device = static_cast<CDeviceInfoManager*>(static_cast<IDeviceInfoManager*>(engine));
  static_cast<CManagerBase*>(device)->UnloadModule();
  delete device;
}

std::int32_t CEngineManager::GetEngine(std::int32_t number, IManagerBase** out) {
  if (out == nullptr) return kEngineNoOutPointer;
  std::lock_guard<plat::CriticalSection> guard(lock_);
  auto it = engines_.find(number);
  if (it == engines_.end()) {
    if (number != kEngineDeviceInfo) return kEngineUnknown;
    auto* device = new CDeviceInfoManager();
    // A library that cannot be loaded still gives an engine: it answers
    // kManagerNotLoaded to everything, so callers need no second error path.
    device->LoadModule(initArgument_, libraryFolder_);
    IManagerBase* engine = static_cast<IDeviceInfoManager*>(device);
    it = engines_.emplace(number, Entry{engine, 0}).first;
  }
  *out = it->second.engine;
  ++it->second.refCount;
  return kEngineOk;
}

std::int32_t CEngineManager::ReleaseEngine(std::int32_t number) {
  std::lock_guard<plat::CriticalSection> guard(lock_);
  const auto it = engines_.find(number);
  if (it == engines_.end()) return kEngineUnknown;
  if (--it->second.refCount <= 0) {
    DestroyEngine(number, it->second.engine);
    engines_.erase(it);
  }
  return kEngineOk;
}

std::int32_t CEngineManager::ReferenceCount(std::int32_t number) const {
  std::lock_guard<plat::CriticalSection> guard(lock_);
  const auto it = engines_.find(number);
  return it == engines_.end() ? 0 : it->second.refCount;
}
