#pragma once
// The two lists the dialogs fill from the communication library: the devices of one
// kind present now (XJC_EnumDevPort) and the registered ports (XJC_EnumPort). The
// library says how many there are; the lists are sized after that answer, but never
// beyond a limit, so a count beyond reason is not trusted with memory. No windowing.
//
// Threads: the thread that may use the XJC object (the user-interface thread).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "sdk/PortRecord.h"

class XJC;

// Records given to a device enumeration at first.
inline constexpr std::size_t kInitialDeviceRecords = 128;
// The most records a device enumeration is given room for.
inline constexpr std::size_t kMaxDeviceRecords = 4096;
// The most registered ports a list takes.
inline constexpr std::uint32_t kMaxRegisteredPorts = 4096;
// Driver mode argument of XJC_EnumPort.
inline constexpr std::int32_t kEnumPortMode = 0;
inline constexpr std::int32_t kEnumDriverMode = 1;

// The devices of kind present now. records starts as kInitialDeviceRecords zero-filled
// records; when the library finds more, it is enlarged to their number (at most
// kMaxDeviceRecords) and the library is asked once more. Returns how many records at
// the front of records are filled: 0 when xjc is null or not loaded.
std::uint32_t EnumerateDevices(XJC* xjc, const std::u16string& kind, std::vector<PortRecord>& records);

// The registered ports: nothing (nullopt) when xjc is null or not loaded or the library
// cannot count them; otherwise the records it filled, at most kMaxRegisteredPorts, and
// none when the second call fails.
std::optional<std::vector<PortRecord>> ListRegisteredPorts(XJC* xjc, std::int32_t driverMode);
