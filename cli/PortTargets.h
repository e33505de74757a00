#pragma once
// The ports of the command line: how a port named as the utility names it becomes the
// record the communication library opens, and the registered ports and installed print
// queues that `list` shows.
//
//   KIND:NAME        a port of the library: KIND one of NET, COM, USB, LPT, BT, SERIAL
//                    (upper case, as the utility shows it), NAME its port name
//                    ("NET:192.168.0.20", "NET:127.0.0.1:9100", "COM:/dev/ttyUSB0")
//   a connection path, as /r takes it ("tcp://192.168.0.20:9100/XJ-K52II",
//                    "serial:/dev/ttyS0?baud=19200", "/dev/usb/lp0", "192.168.0.20")
//   a print queue    the name of an installed print queue of the served model
//
// No Qt here. The functions that take an XJC use the loaded library; call them from the
// thread that owns it.
#include <string>
#include <string_view>
#include <vector>

#include "sdk/PortRecord.h"

class XJC;

// A port named on the command line and the record it stands for.
struct PortTarget {
  std::string name;  // as given
  PortRecord record;
};

// An installed print queue of the served model and the port it prints through.
struct PrintQueue {
  std::string name;
  std::string driver;   // the queue's make and model
  std::string device;   // the port name the print system gives (its device)
  PortRecord record;    // the registered port of that device, or a record of its own
  bool registered = false;  // record is a registered port of the library
};

// The port kinds of KIND:NAME.
bool IsPortKind(std::string_view kind);

// "KIND:NAME" of a record with a kind; its path (else its port name) without.
std::string PortDisplayName(const PortRecord& record);

// The record a port text stands for, without asking the library: KIND:NAME or a
// connection path (a text with ":" or "/", or an IPv4 address). False for any other
// text (perhaps a print queue's name) and for an empty one.
bool PortRecordFromName(std::string_view text, PortRecord& record);

// The ports registered with the library, in their order; empty when there are none or
// the library cannot list them.
std::vector<PortRecord> RegisteredPorts(XJC& xjc);

// The installed print queues of the served model, bound to the registered ports as the
// printer selection dialog binds them.
std::vector<PrintQueue> ServedPrintQueues(const std::vector<PortRecord>& registered);

// Works out every port text: its record (from the text, else from the print queue of
// that name, letter case ignored), checked with the library (XJC_SetPort, which opens
// nothing). False with a message in error for the first text that names no port the
// library can reach; targets then holds nothing.
bool ResolvePortTargets(XJC& xjc, const std::vector<std::string>& texts, std::vector<PortTarget>& targets,
                        std::string& error);
