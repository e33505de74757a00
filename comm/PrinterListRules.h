#pragma once
// The rules by which the printer selection dialog turns registered ports and installed
// printers into rows: which printers of the print system belong to the served model,
// which registered port each of them prints through, and the driver port shown beside
// a port of the printer driver's port monitor. No windowing here.
//
// Threads: pure functions over their arguments (the registry is read from its file);
// any thread.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "comm/DeviceUriMapping.h"
#include "sdk/PortRecord.h"
#include "platform/InstalledPrinters.h"
#include "platform/Registry.h"  // kPosPrinterKey, kPosPrinterPortValue

// Ports of the printer driver's port monitor carry a path "pipe://xj/..." whose name
// part begins with "zldprt".
inline constexpr char16_t kDriverPipePrefix[] = u"pipe://xj/";
inline constexpr char16_t kDriverPortMarker[] = u"zldprt";
inline constexpr std::size_t kPosPrinterPortBufferBytes = 260;
// The driver filter start-up sets when the printer driver started the program; the
// command-line tool lists the print queues it lets through.
inline constexpr char16_t kDriverFilterText[] = u"NORVE XJ-K52II";
// Driver names of the served printer kinds contain one of these (with the blank).
inline constexpr char16_t kReceiptDriverMark[] = u" Receipt5";
inline constexpr char16_t kLabelDriverMark[] = u" Label5";

// One installed printer of the served model and the port record it prints through.
struct InstalledPrinterEntry {
  std::u16string name;
  PortRecord* record = nullptr;            // a registered port, or ownedRecord.get()
  std::unique_ptr<PortRecord> ownedRecord;  // set when no registered port matched
  // The queue's device as a port (device.problem None), or why it cannot be one. For an
  // entry bound to a registered port: problem None, the rest empty.
  QueueDevice device;
  std::string deviceUri;
};

// The driver port name inside a connection path: after "pipe://xj/" (any letter case),
// from the first "zldprt" up to the next double quote, else the next "/", else the end,
// with the letter case of the path. Empty when the path has no such name.
std::u16string DriverPortNameFromPath(std::u16string_view path);

// The driver port column of a row: "(" + the registry's Port value + ")" of the first
// point-of-sale printer device whose Port number (the decimal number after its first
// six characters) is greater than 0 and equals the number of the path's driver port
// name; empty when the path names no driver port or no device matches.
std::u16string DriverPortColumnText(std::u16string_view path);

// The decimal number after the first six characters of text (as the driver port
// names "ZLDPRTnnn" carry it); 0 when text is shorter or no digits follow.
std::int32_t DriverPortNumber(std::u16string_view text);

// The text of path after its last "/" (the whole text when it has none).
std::u16string_view PathLastSegment(std::u16string_view path);
// The text of path up to and including its last "/" (empty when it has none).
std::u16string_view PathUpToLastSlash(std::u16string_view path);

// True when the installed printer is one of the served model's: its name equals
// nameFilter (when that is set), and its driver name contains driverFilter and one of
// the served printer kinds' marks.
bool IsServedInstalledPrinter(const plat::InstalledPrinter& printer, std::u16string_view driverFilter,
                              std::u16string_view nameFilter);

// The entries of the served installed printers, in the print system's order. Each is
// bound to the first of the ports whose path's last segment equals the printer's port
// name exactly; a printer without such a port gets a record of its own, the port of its
// device URI (MapDeviceUri with devices) with deviceName = its driver name and
// origin = kPortOriginInstalledPrinter. When the device URI names no port the library can
// open, the record is zero-filled apart from portName = its port name, deviceName and
// origin, and the entry's device says why.
std::vector<InstalledPrinterEntry> BuildInstalledPrinterEntries(
    const std::vector<plat::InstalledPrinter>& printers, PortRecord* ports, std::size_t portCount,
    std::u16string_view driverFilter, std::u16string_view nameFilter, const QueueDeviceLookup& devices = {});
