#pragma once
// Per-process test folders. The test main creates a fresh temporary root before any
// test runs and points every folder the program looks at into it:
//   XDG_DATA_HOME      -> <root>/user      (user application data)
//   XJ_COMMON_APPDATA  -> <root>/common    (common application data)
//   XDG_RUNTIME_DIR    -> <root>/run       (the user's lock files, local sockets)
//   XJ_LOCK_FOLDER     -> <root>/locks     (locks of all users: the printer ports)
//   HOME               -> <root>/home
// and sets QT_QPA_PLATFORM=offscreen, XJCOMM_NET_SEARCH=127.0.0.1 (loopback only) and
// CUPS_SERVER to a socket that does not exist (the machine's print server is never asked),
// and removes DBUS_SESSION_BUS_ADDRESS (no desktop session: notifications stay local).
// The root is removed when the process ends. Tests never touch the real folders.
#include <string>

namespace testenv {

// The temporary root of this test process (no trailing slash).
const std::string& Root();

// A new, empty folder below the root, unique within the process.
std::string MakeTempDir(const std::string& hint = "t");

// Writes bytes to a file (creating parent folders); returns false on failure.
bool WriteFile(const std::string& path, const std::string& bytes);

// Reads a whole file; empty string when it cannot be read.
std::string ReadFile(const std::string& path);

}  // namespace testenv
