#pragma once
// Profile (INI-style) files with the semantics of the Windows profile functions.
//
// Reading: section and key names are compared without letter case (ASCII); the first
// matching section and the first matching key win; blanks around names and values are
// trimmed; lines whose first non-blank character is ';' are comments; a value enclosed
// in a matching pair of double or single quotes loses the quotes. Files are read as
// UTF-8 (with or without BOM) or UTF-16LE with BOM. Every call reads the file anew.
//
// Writing: creates the file and the section when missing, replaces the value of an
// existing key in place, keeps every other line, writes UTF-8 and replaces the file
// atomically (temporary file in the same folder, then rename), so a crash never leaves
// half a file.
//
// File names are UTF-16 paths with "/" separators. All functions may be called from any
// thread; concurrent writers of one file are serialised within the process.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace plat {

// Copies the value of key in section into out (size characters including the
// terminator) and returns the number of characters copied, terminator excluded. A value
// that does not fit is cut to size - 1 characters and size - 1 is returned.
// A missing key (or file) copies def (trailing blanks removed; null = empty).
// section == null: all section names, each NUL-terminated, the list ended by a second
// NUL; key == null: all key names of the section, likewise. When such a list does not
// fit, it is cut and size - 2 is returned.
// size == 0 copies nothing and returns 0.
std::uint32_t GetPrivateProfileStringW(const char16_t* section, const char16_t* key,
                                       const char16_t* def, char16_t* out, std::uint32_t size,
                                       const char16_t* file);

// The value read as an integer: optional leading blanks, optional sign, "0x" hexadecimal
// or decimal leading digits (trailing text ignored; no digits gives 0). A missing key or
// an empty value gives def.
std::int32_t GetPrivateProfileIntW(const char16_t* section, const char16_t* key, std::int32_t def,
                                   const char16_t* file);

// The lines of a section as "key=value" (trimmed key and value; lines without '=' as the
// trimmed line), in file order, each NUL-terminated, ended by a second NUL. Returns the
// number of characters copied, the final NUL excluded; 0 for a missing or empty section.
// When the lines do not fit in size characters, the list is cut and size - 2 is returned.
std::uint32_t GetPrivateProfileSectionW(const char16_t* section, char16_t* out, std::uint32_t size,
                                        const char16_t* file);

// All section names in file order (first occurrence of each name), each NUL-terminated,
// ended by a second NUL; cut lists return size - 2, as above.
std::uint32_t GetPrivateProfileSectionNamesW(char16_t* out, std::uint32_t size,
                                             const char16_t* file);

// Sets key in section to value. key == null removes the whole section; value == null
// removes the key. Returns false when the file cannot be written (the old file stays).
bool WritePrivateProfileStringW(const char16_t* section, const char16_t* key,
                                const char16_t* value, const char16_t* file);

// Convenience forms for code of our own (no buffer sizes).
std::u16string ProfileString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view def, std::u16string_view file);
std::int32_t ProfileInt(std::u16string_view section, std::u16string_view key, std::int32_t def,
                        std::u16string_view file);
std::vector<std::u16string> ProfileSectionLines(std::u16string_view section,
                                                std::u16string_view file);
std::vector<std::u16string> ProfileSectionNames(std::u16string_view file);
bool ProfileWrite(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                  std::u16string_view file);

}  // namespace plat
