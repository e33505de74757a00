#pragma once
// Folders of the fake engine variants, and a probe that keeps one variant loaded so a
// test can read what the library saw (counts relative to when the probe was made).
#include <gtest/gtest.h>

#include <string>

#include "platform/DynLib.h"
#include "platform/Text.h"
#include "tests/status/FakeEngine.h"

inline std::u16string FakeEngineFolder(const std::string& variant) {
  return plat::FromUtf8(std::string(FAKE_ENGINE_ROOT) + "/" + variant);
}

class FakeEngineProbe {
 public:
  explicit FakeEngineProbe(const std::string& variant) {
    module_ = plat::LoadLibraryW(FakeEngineFolder(variant) + u"/ADeviceInfoEngine.so");
    if (module_ == nullptr) {
      ADD_FAILURE() << "fake engine " << variant << " not loadable: " << plat::LastLoadError();
      return;
    }
    stats_ = reinterpret_cast<FakeEngineStatsProc>(plat::GetProcAddress(module_, "FakeEngine_Stats"));
    if (stats_ == nullptr) ADD_FAILURE() << "FakeEngine_Stats missing";
    baseline_ = Raw();
  }
  ~FakeEngineProbe() { plat::FreeLibrary(module_); }
  FakeEngineProbe(const FakeEngineProbe&) = delete;
  FakeEngineProbe& operator=(const FakeEngineProbe&) = delete;

  // Counts since the probe was made; liveHandles and lastArgument as they are now.
  FakeEngineStats Since() const {
    FakeEngineStats now = Raw();
    now.initializeCalls -= baseline_.initializeCalls;
    now.finalizeCalls -= baseline_.finalizeCalls;
    now.loadCalls -= baseline_.loadCalls;
    return now;
  }

 private:
  FakeEngineStats Raw() const {
    FakeEngineStats s{};
    if (stats_ != nullptr) stats_(&s);
    return s;
  }

  plat::LibHandle module_ = nullptr;
  FakeEngineStatsProc stats_ = nullptr;
  FakeEngineStats baseline_{};
};
