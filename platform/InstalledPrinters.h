#pragma once
// The printers installed on this computer, as the print system lists them: the queues
// of the local print server. For each queue: its name, the queue name again as its port
// name (a queue is what programs print to), its make-and-model text as the name of its
// driver, and the URI of the device it prints to.
//
// Tests supply their own list through SetInstalledPrinterSource, so no print server is
// needed (or asked) while they run.
//
// Threads: EnumInstalledPrinters may be called from any thread; the source is set by
// tests before the code under test runs.
#include <functional>
#include <string>
#include <vector>

namespace plat {

struct InstalledPrinter {
  std::u16string name;        // queue name
  std::u16string portName;    // the queue name: the port programs print to
  std::u16string driverName;  // "printer-make-and-model"; empty when the queue has none
  std::string deviceUri = {};  // "device-uri" (UTF-8), e.g. "socket://192.168.0.20:9100"; empty when unknown
};

// The installed printers in the print system's order. Empty when there are none or the
// print server cannot be reached.
std::vector<InstalledPrinter> EnumInstalledPrinters();

using InstalledPrinterSource = std::function<std::vector<InstalledPrinter>()>;

// Replaces the print system by source (an empty function restores it) and returns the
// source that was set before.
InstalledPrinterSource SetInstalledPrinterSource(InstalledPrinterSource source);

}  // namespace plat
