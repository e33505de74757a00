#include "platform/InstalledPrinters.h"

#include <cups/cups.h>

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

// Collects one queue per callback. Instances (saved option sets of a queue) are not
// printers of their own, and a removal notice names no printer.
int AddQueue(void* userData, unsigned flags, cups_dest_t* dest) {
  auto* printers = static_cast<std::vector<InstalledPrinter>*>(userData);
  if (dest == nullptr || dest->name == nullptr || dest->instance != nullptr || (flags & CUPS_DEST_FLAGS_REMOVED) != 0)
    return 1;
  InstalledPrinter printer;
  printer.name = FromUtf8(dest->name);
  printer.portName = printer.name;
  if (const char* model = cupsGetOption(kMakeAndModelOption, dest->num_options, dest->options))
    printer.driverName = FromUtf8(model);
  if (const char* uri = cupsGetOption(kDeviceUriOption, dest->num_options, dest->options)) printer.deviceUri = uri;
  printers->push_back(std::move(printer));
  return 1;
}

// The queues installed on the local print server. Printers that are only announced on
// the network are masked out, so listing never browses the network for them.
std::vector<InstalledPrinter> QueryPrintServer() {
  std::vector<InstalledPrinter> printers;
  cupsEnumDests(CUPS_DEST_FLAGS_NONE, kListTimeoutMs, nullptr, CUPS_PRINTER_LOCAL, CUPS_PRINTER_DISCOVERED, &AddQueue,
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
