#include "platform/InstalledPrinters.h"

#include <cups/cups.h>
#include <dlfcn.h>

#include <mutex>

#include "platform/Text.h"

namespace plat {
namespace {

constexpr char kMakeAndModelOption[] = "printer-make-and-model";
constexpr char kDeviceUriOption[] = "device-uri";

std::mutex& SourceMutex() {
  static std::mutex mutex;
  return mutex;
}

InstalledPrinterSource& Source() {
  static InstalledPrinterSource source;
  return source;
}

// How long the print server may take to list its queues.
constexpr int kListTimeoutMs = 5000;

// The print system's client library, loaded the first time the list is asked for: only
// a start by the printer driver lists printers, and no other start should load the
// library and the score of libraries it brings (encryption, name services, Kerberos).
struct CupsClient {
  decltype(&cupsEnumDests) enumDests = nullptr;
  decltype(&cupsGetOption) getOption = nullptr;
};
constexpr const char* kCupsLibraryNames[] = {"libcups.so.2", "libcups.so"};

// The library's functions, or null when it cannot be loaded (then no printer is
// listed, as when the print server cannot be reached). Loaded once, never unloaded.
const CupsClient* Cups() {
  static const CupsClient client = [] {
    CupsClient loaded;
    for (const char* name : kCupsLibraryNames) {
      void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
      if (library == nullptr) continue;
      loaded.enumDests = reinterpret_cast<decltype(&cupsEnumDests)>(dlsym(library, "cupsEnumDests"));
      loaded.getOption = reinterpret_cast<decltype(&cupsGetOption)>(dlsym(library, "cupsGetOption"));
      if (loaded.enumDests != nullptr && loaded.getOption != nullptr) break;
      loaded = CupsClient{};
      dlclose(library);
    }
    return loaded;
  }();
  return client.enumDests != nullptr ? &client : nullptr;
}

// Collects one queue per callback. Instances (saved option sets of a queue) are not
// printers of their own, and a removal notice names no printer.
int AddQueue(void* userData, unsigned flags, cups_dest_t* dest) {
  auto* printers = static_cast<std::vector<InstalledPrinter>*>(userData);
  if (dest == nullptr || dest->name == nullptr || dest->instance != nullptr || (flags & CUPS_DEST_FLAGS_REMOVED) != 0)
    return 1;
  InstalledPrinter printer;
  printer.name = FromUtf8(dest->name);
  printer.portName = printer.name;
  if (const char* model = Cups()->getOption(kMakeAndModelOption, dest->num_options, dest->options))
    printer.driverName = FromUtf8(model);
  if (const char* uri = Cups()->getOption(kDeviceUriOption, dest->num_options, dest->options))
    printer.deviceUri = uri;
  printers->push_back(std::move(printer));
  return 1;
}

// The queues installed on the local print server. Printers that are only announced on
// the network are masked out, so listing never browses the network for them.
std::vector<InstalledPrinter> QueryPrintServer() {
  std::vector<InstalledPrinter> printers;
  const CupsClient* cups = Cups();
  if (cups == nullptr) return printers;
  cups->enumDests(CUPS_DEST_FLAGS_NONE, kListTimeoutMs, nullptr, CUPS_PRINTER_LOCAL, CUPS_PRINTER_DISCOVERED, &AddQueue,
                  &printers);
  return printers;
}

}  // namespace

std::vector<InstalledPrinter> EnumInstalledPrinters() {
  InstalledPrinterSource source;
  {
    std::lock_guard lock(SourceMutex());
    source = Source();
  }
  return source ? source() : QueryPrintServer();
}

InstalledPrinterSource SetInstalledPrinterSource(InstalledPrinterSource source) {
  std::lock_guard lock(SourceMutex());
  InstalledPrinterSource previous = std::move(Source());
  Source() = std::move(source);
  return previous;
}

}  // namespace plat
