#pragma once
// A run-time library loaded by its full path for a test, as the program loads its
// libraries: entry points are resolved by name, and one that is missing (or a library
// that cannot be loaded) fails the test. Unloaded at the end.
#include <gtest/gtest.h>

#include <string>

#include "platform/DynLib.h"
#include "platform/Text.h"

class LoadedModule {
 public:
  explicit LoadedModule(const std::string& path) : module_(plat::LoadLibraryW(plat::FromUtf8(path))) {
    if (module_ == nullptr) ADD_FAILURE() << "cannot load " << path << ": " << plat::LastLoadError();
  }
  ~LoadedModule() { plat::FreeLibrary(module_); }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  // Points fn at the entry point name; null (and a failure) when it is missing.
  template <typename Fn>
  void Resolve(Fn& fn, const char* name) const {
    fn = module_ != nullptr ? reinterpret_cast<Fn>(plat::GetProcAddress(module_, name)) : nullptr;
    if (module_ != nullptr && fn == nullptr) ADD_FAILURE() << "entry point missing: " << name;
  }

 private:
  plat::LibHandle module_;
};
