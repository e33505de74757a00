#pragma once
// CEngineManager: the application's registry of shared engines. An engine is created
// and loaded on its first GetEngine, lent with a reference count, and unloaded and
// deleted when the last loan is given back. Engine number 1 (kEngineDeviceInfo) is the
// only one: a CDeviceInfoManager over the library folder's ADeviceInfoEngine library.
//
// Threads: GetEngine, ReleaseEngine and the setters may be called from any thread; they
// hold the manager's critical section for their whole run, so plug-ins on different
// threads share one engine. Calls on a lent engine are not locked by the manager.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "platform/Sync.h"
#include "sdk/IEngineManager.h"

class IXJComm;

class CEngineManager : public IEngineManager {
 public:
  CEngineManager() = default;
  CEngineManager(const CEngineManager&) = delete;
  CEngineManager& operator=(const CEngineManager&) = delete;
  // Unloads and deletes every engine, lent or not.
  ~CEngineManager() override;

  // Folder the engine libraries are loaded from (the executable folder). Takes effect
  // for engines created afterwards.
  void SetLibraryFolder(std::u16string_view folder);
  // Argument handed to an engine library's Initialize (the communication object, which
  // must outlive the engines). Takes effect for engines created afterwards.
  void SetInitArgument(IXJComm* argument);

  // See IEngineManager. An engine whose library cannot be loaded is lent all the same
  // and answers kManagerNotLoaded to every operation.
  std::int32_t GetEngine(std::int32_t number, IManagerBase** out) override;
  std::int32_t ReleaseEngine(std::int32_t number) override;

  // Loans outstanding for engine `number`; 0 when it has no engine. Any thread.
  std::int32_t ReferenceCount(std::int32_t number) const;

 private:
  struct Entry {
    IManagerBase* engine;   // for number 1 the IDeviceInfoManager part of a CDeviceInfoManager
    std::int32_t refCount;
  };

  static void DestroyEngine(std::int32_t number, IManagerBase* engine);

  std::u16string libraryFolder_;
  IXJComm* initArgument_ = nullptr;
  std::map<std::int32_t, Entry> engines_;
  mutable plat::CriticalSection lock_;
};
