// xjcomm-ports: registers, lists and removes ports of the communication library from
// the command line, for scripts that prepare a machine (the `make run` script registers
// the printer simulator with it). It loads XJComm beside itself, like the program.
//
//   xjcomm-ports add KIND PORTNAME     test the printer at the port, then register it
//                                      (KIND NET, COM, USB, LPT or BT; for NET the port
//                                      name is "a.b.c.d" or "a.b.c.d:port")
//   xjcomm-ports remove KIND PORTNAME  unregister the port
//   xjcomm-ports list                  one line per port: kind, port, model, path
//
// A port is registered only when a printer answered the communication test, so the
// registry keeps the model name the printer reported. Exit code 0 on success, 1 on a
// failure (the reason on standard error), 2 on wrong usage.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "comm/XJC.h"
#include "platform/Text.h"

namespace {
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

int Usage() {
  std::fputs(
      "usage: xjcomm-ports add KIND PORTNAME | remove KIND PORTNAME | list\n", stderr);
  return kExitUsage;
}

PortRecord NewRecord() {
  PortRecord record;
  std::memset(&record, 0, sizeof record);
  record.presetA = -1;
  record.presetB = -1;
  return record;
}

int Fail(const char* what, XJC_RESULT rc) {
  std::fprintf(stderr, "xjcomm-ports: %s failed (0x%08X)\n", what, static_cast<unsigned>(rc));
  return kExitFailure;
}

int Add(XJC& xjc, PortRecord record) {
  const XJC_RESULT tested = xjc.XJC_CommunicationTest(&record);
  if (tested != XJC_OK) return Fail("communication test", tested);
  const XJC_RESULT added = xjc.XJC_AddPort(&record);
  if (added != XJC_OK) return Fail("registration", added);
  std::printf("%s %s %s\n", plat::ToUtf8(plat::FieldText(record.kind)).c_str(),
              plat::ToUtf8(plat::FieldText(record.portName)).c_str(),
              plat::ToUtf8(plat::FieldText(record.deviceName)).c_str());
  return 0;
}

int List(XJC& xjc) {
  std::uint32_t count = 0;
  if (const XJC_RESULT rc = xjc.XJC_EnumPort(nullptr, 0, &count, 0); rc != XJC_OK) return Fail("listing", rc);
  std::vector<PortRecord> records(count);
  std::vector<PortRecord*> pointers;
  for (PortRecord& record : records) {
    std::memset(&record, 0, sizeof record);
    pointers.push_back(&record);
  }
  std::uint32_t filled = 0;
  if (count > 0) {
    if (const XJC_RESULT rc = xjc.XJC_EnumPort(pointers.data(), count, &filled, 0); rc != XJC_OK) {
      return Fail("listing", rc);
    }
  }
  for (std::uint32_t i = 0; i < filled && i < count; ++i) {
    std::printf("%s\t%s\t%s\t%s\n", plat::ToUtf8(plat::FieldText(records[i].kind)).c_str(),
                plat::ToUtf8(plat::FieldText(records[i].portName)).c_str(),
                plat::ToUtf8(plat::FieldText(records[i].deviceName)).c_str(),
                plat::ToUtf8(plat::FieldText(records[i].path)).c_str());
  }
  return 0;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  XJC xjc;
  if (xjc.Load() != XJC_OK) {
    std::fprintf(stderr, "xjcomm-ports: the communication library cannot be loaded\n");
    return kExitFailure;
  }
  int rc;
  if (command == "list" && argc == 2) {
    rc = List(xjc);
  } else if ((command == "add" || command == "remove") && argc == 4) {
    PortRecord record = NewRecord();
    plat::CopyText(record.kind, plat::FromUtf8(argv[2]));
    plat::CopyText(record.portName, plat::FromUtf8(argv[3]));
    if (command == "add") {
      rc = Add(xjc, record);
    } else {
      const XJC_RESULT removed = xjc.XJC_RemovePort(&record);
      rc = removed == XJC_OK ? 0 : Fail("removal", removed);
    }
  } else {
    rc = Usage();
  }
  xjc.XJC_Terminate();
  return rc;
}
