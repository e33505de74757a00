#pragma once
// The three lines of the status pane: the printer's name, its port and its status, built
// from the application settings block, the printer information block and the texts of
// the language file.
//
// No Qt here. Pure functions except PortRegistrySuffix, which reads the registry
// stand-in. Any thread.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Registry.h"  // kPosPrinterKey: the devices the printer driver set up
#include "sdk/AppSettingsBlock.h"

// A device name carries its number after a prefix of this many characters.
inline constexpr std::size_t kDeviceNumberOffset = 6;
// Name shown in file mode when the printer information holds none.
inline constexpr char16_t kFileModePrinterName[] = u"XJ-K52II";
// What replaces the "USB-%s" placeholder.
inline constexpr char16_t kUsbPortPrefix[] = u"USB-";

// The texts the lines are made of. Each starts as its English default; the pane puts the
// language file's entries in.
struct StatusPaneLabels {
  std::u16string nameLabel = u"Printer Name:";
  std::u16string portLabel = u"Port:";
  std::u16string statusLabel = u"Status:";
  std::u16string unknownPort = u"Unknown";
};

// "<label> <word>", or the label alone in file mode (which has no printer to ask).
std::u16string StatusLine(std::u16string_view label, std::u16string_view word, std::int32_t mode);

// "<label> <name>": the name the printer information block holds (the wide text at
// offset 212), else "XJ-K52II" in file mode, else "Unknown".
std::u16string NameLine(std::u16string_view label, std::u16string_view blockName, std::int32_t mode);

// Looks up the suffix part of a connection path among the point-of-sale printer
// devices: returns the "Port" value of the first device whose number (the integer six
// characters into the value) equals the part's (six characters into it) and is
// positive; empty when none does.
using DeviceLookup = std::function<std::u16string(std::u16string_view part)>;
std::u16string PortRegistrySuffix(std::u16string_view part);

// The port text for the chosen interface type, the chosen port record's portName and
// path, and the launch mode (see the table in the .cpp). When path holds a '/', the text
// becomes "<text> (<part>)", part being what follows the path's last '/' (with "/" and
// the device's port value appended when lookup finds one for a part of six characters
// or more).
std::u16string PortText(std::int32_t ifType, std::u16string_view portName, std::u16string_view path,
                        std::int32_t mode, std::u16string_view unknownPort,
                        const DeviceLookup& lookup = PortRegistrySuffix);

// "<label> <port text>" for the block's chosen port.
std::u16string PortLine(const AppSettingsBlock& block, const StatusPaneLabels& labels,
                        const DeviceLookup& lookup = PortRegistrySuffix);
