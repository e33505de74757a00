#include "tests/libs/xjcomm/LoadedXJComm.h"

const char* LoadedXJComm::Path() { return XJCOMM_MODULE_PATH; }

LoadedXJComm::LoadedXJComm(const char* path) {
  handle_ = ::dlopen(path, RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* e = ::dlerror();
    error_ = e ? e : "dlopen failed";
    return;
  }
  ok_ = true;
#define XJC_ENTRY(name)                                                     \
  name = reinterpret_cast<decltype(name)>(::dlsym(handle_, #name));         \
  if (!name) {                                                              \
    ok_ = false;                                                            \
    error_ += std::string("missing ") + #name + "; ";                       \
  }
#include "tests/libs/xjcomm/XJCommEntries.inc"
#undef XJC_ENTRY
}

LoadedXJComm::~LoadedXJComm() {
  if (handle_) ::dlclose(handle_);
}
