#include "platform/InstalledPrinters.h"

#include <cups/cups.h>

#include <mutex>

#include "platform/Text.h"

namespace plat {
namespace {

constexpr char kMakeAndModelOption[] = "printer-make-and-model";

std::mutex& SourceMutex() {
  static std::mutex mutex;
  return mutex;
}

InstalledPrinterSource& Source() {
  static InstalledPrinterSource source;
  return source;
}

// The queues of the local print server. Instances (saved option sets of a queue) are
// not printers of their own and are left out.
std::vector<InstalledPrinter> QueryPrintServer() {
  std::vector<InstalledPrinter> printers;
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
  for (int i = 0; i < count; ++i) {
    const cups_dest_t& dest = dests[i];
    if (dest.name == nullptr || dest.instance != nullptr) continue;
    InstalledPrinter printer;
    printer.name = FromUtf8(dest.name);
    printer.portName = printer.name;
    if (const char* model = cupsGetOption(kMakeAndModelOption, dest.num_options, dest.options))
      printer.driverName = FromUtf8(model);
    printers.push_back(std::move(printer));
  }
  cupsFreeDests(count, dests);
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
