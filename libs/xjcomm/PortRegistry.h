#pragma once
// PortRegistry: the ports registered on this machine, kept in a profile file in the
// common application data folder so that every user and every run of the program sees
// the same list:
//   <common data>/NORVE/XJComm/Ports.ini
//   [Port1]
//   PortName="/dev/ttyUSB0"
//   ...
//   Kind="COM"
// One section per port, in the order the ports were registered. Texts are quoted so
// that blanks survive; the USB device block is stored as hexadecimal. Kind is written
// last, and a section without it is ignored, so an entry interrupted half-way is never
// listed. A port is identified by its kind (letter case ignored) and its port name
// (exact); registering it again replaces the old entry.
//
// Changes by several processes are serialised with a lock file beside the registry: a
// change waits while another one is written.
// Every function may be called from any thread; the file is read anew on every call.
#include <optional>
#include <string>
#include <vector>

#include "sdk/PortRecord.h"
#include "sdk/XJComm.h"

namespace xjcomm {

class PortRegistry {
 public:
  explicit PortRegistry(std::u16string file);

  // <common application data>/NORVE/XJComm/Ports.ini
  static std::u16string DefaultFile();

  // Every registered port, oldest first. A missing file is an empty registry.
  XJC_RESULT List(std::vector<PortRecord>& out) const;
  // Registers record (replacing an entry of the same kind and port name). XJC_OK;
  // XJC_E_INVALID_ARG when the record names no usable port or holds control characters;
  // XJC_E_STORE when the registry cannot be written (it is left as it was).
  XJC_RESULT Add(const PortRecord& record);
  // Unregisters the port of record's kind and port name. XJC_OK; XJC_E_NO_PORT when it
  // is not registered; XJC_E_STORE when the registry cannot be written.
  XJC_RESULT Remove(const PortRecord& record);
  // Fills record with the stored entry of its kind and port name; XJC_E_NO_PORT if none.
  XJC_RESULT Find(PortRecord& record) const;

  static std::string HexEncode(const std::uint8_t* data, std::size_t size);
  // Decodes into out (size bytes, zero-filled first); false for malformed text.
  static bool HexDecode(std::u16string_view text, std::uint8_t* out, std::size_t size);

 private:
  struct Entry {
    std::u16string section;
    PortRecord record;
  };
  std::vector<Entry> ReadEntries() const;
  std::optional<Entry> FindEntry(const PortRecord& record) const;
  bool WriteEntry(const std::u16string& section, const PortRecord& record) const;
  bool EnsureFolder() const;

  std::u16string file_;
};

}  // namespace xjcomm
