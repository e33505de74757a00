#pragma once
// The communication library loaded the way the program loads it: dlopen of the module
// file and every entry point resolved by name. Unloads in the destructor.
#include <dlfcn.h>

#include <string>

#include "sdk/XJComm.h"

class LoadedXJComm {
 public:
  // Loads the module built with the tests, or the file at path.
  explicit LoadedXJComm(const char* path = Path());
  ~LoadedXJComm();
  LoadedXJComm(const LoadedXJComm&) = delete;
  LoadedXJComm& operator=(const LoadedXJComm&) = delete;

  // True when the library and all 46 entry points were found.
  bool Ok() const { return ok_; }
  const std::string& Error() const { return error_; }
  static const char* Path();

#define XJC_ENTRY(name) decltype(&::name) name = nullptr;
#include "tests/libs/xjcomm/XJCommEntries.inc"
#undef XJC_ENTRY

 private:
  void* handle_ = nullptr;
  bool ok_ = false;
  std::string error_;
};
