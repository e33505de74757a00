#pragma once
// Read-only registry stand-in. The keys the program reads (the point-of-sale printer
// devices, the install locations of the maker's tools) live in the profile file
// "registry.ini" in the common application data folder: a section per key, named by
// its full key path, and its values as key=value lines:
//
//   [HKLM\SOFTWARE\OLEforRetail\ServiceOPOS\POSPrinter\Receipt1]
//   Port=ZLDPRT001
//
// Key paths and value names are compared without letter case; the root may be written
// long or short (HKEY_LOCAL_MACHINE or HKLM, HKEY_CURRENT_USER or HKCU). A missing file
// is an empty registry: every key is absent.
//
// Threads: every function reads the file anew and may be called from any thread.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

inline constexpr char16_t kRegistryFileName[] = u"registry.ini";

}  // namespace plat

// The key under which the point-of-sale printer devices are registered, and the value
// that names a device's port (the printer driver's port).
inline constexpr char16_t kPosPrinterKey[] = u"HKEY_LOCAL_MACHINE\\SOFTWARE\\OLEforRetail\\ServiceOPOS\\POSPrinter";
inline constexpr char16_t kPosPrinterPortValue[] = u"Port";

namespace plat {

// Full path of the registry file: CommonAppDataFolder() + "/registry.ini".
std::u16string RegistryFilePath();

// True when the key exists (its section is present, even without values).
bool RegKeyExists(std::u16string_view keyPath);

// Reads the text value `valueName` of the key into value. The value must fit, with its
// terminator, into a buffer of bufferBytes bytes of UTF-16 (as a caller's fixed buffer
// would); a longer value is not returned, like a read into a too small buffer.
// Returns false (value unchanged) when the key or the value is absent or too long.
bool RegQueryString(std::u16string_view keyPath, std::u16string_view valueName,
                    std::u16string& value, std::size_t bufferBytes = 520);

// Names of the direct subkeys of the key, in file order, each once. A subkey exists
// when a section names a key below it (also when only a deeper key is written down).
std::vector<std::u16string> RegEnumSubKeys(std::u16string_view keyPath);

// Replaces every %NAME% of text by the environment variable NAME. %ProgramFiles%
// stands for the folder where optional vendor software is installed: the variable
// when it is set, else "/opt". A name without a value, and a lone "%", stay as written.
std::u16string ExpandEnvironmentStrings(std::u16string_view text);

// The folder %ProgramFiles% stands for (see above).
std::u16string ProgramFilesFolder();

}  // namespace plat
