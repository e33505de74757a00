#include "status/PrinterInfoLibrary.h"

namespace {

template <typename Fn>
void Resolve(plat::LibHandle module, const char* name, Fn& target) {
  target = reinterpret_cast<Fn>(plat::GetProcAddress(module, name));
}

}  // namespace

bool PrinterInfoEntryPoints::Complete() const {
  return initialize && finalize && registerCallback && unregisterCallback && getPrinterInformation &&
         getPrinterName && getDeviceId;
}

PrinterInfoLibrary::~PrinterInfoLibrary() { Release(); }

bool PrinterInfoLibrary::Load(std::u16string_view name) {
  Release();
  module_ = plat::LoadLibraryW(name);
  if (module_ == nullptr) return false;
  Resolve(module_, "Initialize", entries_.initialize);
  Resolve(module_, "Finalize", entries_.finalize);
  Resolve(module_, "RegisterCallback", entries_.registerCallback);
  Resolve(module_, "UnregisterCallback", entries_.unregisterCallback);
  Resolve(module_, "GetPrinterInformation", entries_.getPrinterInformation);
  Resolve(module_, "GetPrinterName", entries_.getPrinterName);
  Resolve(module_, "GetDeviceID", entries_.getDeviceId);
  Resolve(module_, "GetPrinterInfo", entries_.getPrinterInfo);
  if (entries_.Complete()) return true;
  Release();
  return false;
}

void PrinterInfoLibrary::Adopt(const PrinterInfoEntryPoints& entries) {
  Release();
  entries_ = entries;
}

std::uint32_t PrinterInfoLibrary::Open(IXJComm* comm) {
  Close();
  if (!entries_.Complete()) return 0;
  handle_ = entries_.initialize(comm);
  return handle_;
}

void PrinterInfoLibrary::Close() {
  if (handle_ != 0 && entries_.finalize) entries_.finalize(&handle_);
  handle_ = 0;
}

void PrinterInfoLibrary::Release() {
  Close();
  entries_ = {};
  if (module_ != nullptr) plat::FreeLibrary(module_);
  module_ = nullptr;
}
