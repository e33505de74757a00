#pragma once
// The port records the tests build, the way the program builds them: zero-filled,
// presets -1, and the fields a test names.
//   MakePortRecord({.kind = u"COM", .portName = u"/dev/ttyUSB0", .deviceName = u"XJ-K52II"})
//   ServedPortRecord(u"COM", "/dev/ttyS0")  a port of the served model
//   NetPortRecord("127.0.0.1:9100")         a network port of the served model
#include <cstring>
#include <string_view>

#include "platform/Text.h"
#include "sdk/PortRecord.h"

struct PortFields {
  std::u16string_view kind = {};
  std::u16string_view portName = {};
  std::u16string_view deviceName = {};
  std::u16string_view path = {};
};

inline PortRecord MakePortRecord(const PortFields& fields) {
  PortRecord record;
  std::memset(&record, 0, sizeof record);
  record.presetA = -1;
  record.presetB = -1;
  plat::CopyText(record.kind, fields.kind);
  plat::CopyText(record.portName, fields.portName);
  plat::CopyText(record.deviceName, fields.deviceName);
  plat::CopyText(record.path, fields.path);
  return record;
}

// A port of the served model.
inline PortRecord ServedPortRecord(std::u16string_view kind, std::string_view portName) {
  const std::u16string name = plat::FromUtf8(portName);
  return MakePortRecord({.kind = kind, .portName = name, .deviceName = u"XJ-K52II"});
}

// A network port ("a.b.c.d:port") of the served model, or of the device named.
inline PortRecord NetPortRecord(std::string_view endpoint, std::u16string_view deviceName = u"XJ-K52II",
                                std::u16string_view path = {}) {
  const std::u16string portName = plat::FromUtf8(endpoint);
  return MakePortRecord({.kind = kPortKindNet, .portName = portName, .deviceName = deviceName, .path = path});
}
