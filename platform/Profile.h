#pragma once
// Profile (INI-style) files with the semantics of the Windows profile functions.
//
// Reading: section and key names are compared without letter case (ASCII); the first
// matching section and the first matching key win; blanks around names and values are
// trimmed; lines whose first non-blank character is ';' are comments; a value enclosed
// in a matching pair of double or single quotes loses the quotes. Files are read as
// UTF-8 (with or without BOM) or UTF-16LE with BOM. Every call sees the file as it is
// now: a parsed copy of a file is reused only while the file's identity, size and change
// times are unchanged, and only for a file last changed more than a few seconds before
// it was read (so that a change within the file system's time resolution is not missed).
//
// Writing: creates the file and the section when missing, replaces the value of an
// existing key in place, keeps every other line, writes UTF-8 and replaces the file
// atomically (temporary file in the same folder, then rename), so a crash never leaves
// half a file.
//
// Lines end at LF, CR LF or a lone CR. A '[' line counts as a section header only when it
// has a ']'; the name is the trimmed text up to the last ']'. Lines before the first
// section belong to no section. A missing or unreadable file reads as an empty one.
//
// File names are UTF-16 paths with "/" separators. All functions may be called from any
// thread. Writers are serialised within the process by a mutex and across processes by
// an exclusive flock on the folder that holds the file (the file itself is replaced by a
// rename, and no lock files are left behind); readers take no lock and always see either
// the old or the new file.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
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
// or decimal leading digits (trailing text ignored; no digits gives 0). The value wraps
// modulo 2^32, so "0xFFFFFFFF" reads -1. A missing key or an empty value gives def.
std::int32_t GetPrivateProfileIntW(const char16_t* section, const char16_t* key, std::int32_t def,
                                   const char16_t* file);

// The lines of a section as "key=value" (trimmed key and value; lines without '=' as the
// trimmed line), in file order, each NUL-terminated, ended by a second NUL. Returns the
// number of characters copied, the final NUL excluded; 0 for a missing or empty section.
// When the lines do not fit in size characters, the list is cut and size - 2 is returned.
// A list that fills exactly size - 2 characters also returns size - 2, so a caller that
// sees size - 2 grows its buffer and asks again. Comment and blank lines are not listed.
// In every list form the two characters after the returned count are NULs (size >= 2);
// size 1 gives an empty text and 0, size 0 copies nothing and returns 0.
std::uint32_t GetPrivateProfileSectionW(const char16_t* section, char16_t* out, std::uint32_t size,
                                        const char16_t* file);

// All section names in file order (first occurrence of each name), each NUL-terminated,
// ended by a second NUL; cut lists return size - 2, as above.
std::uint32_t GetPrivateProfileSectionNamesW(char16_t* out, std::uint32_t size,
                                             const char16_t* file);

// Sets key in section to value. key == null removes the whole section (every section of
// that name); value == null removes the key (each of its lines in the first section of
// that name). An existing key keeps its spelling and everything before its value; a new
// key follows the last entry of its section; a new section is appended at the end after
// one blank line. The line ending of the file is kept; a UTF-8 byte order mark is kept;
// a UTF-16 file is rewritten as UTF-8. Nothing to change leaves the file untouched.
// Returns false, leaving the old file as it was, when the file cannot be read or
// written, or when the names or the value would break the file's structure: an empty
// section or key name, a line break or NUL in any of them, or a key containing '=' or
// beginning with ';' or '['; likewise when any of them holds an unpaired surrogate,
// which the UTF-8 file cannot store (it would read back as another text).
bool WritePrivateProfileStringW(const char16_t* section, const char16_t* key,
                                const char16_t* value, const char16_t* file);

// One change of ProfileWriteChanges: as WritePrivateProfileStringW with the same
// arguments (no key: the section is removed; no value: the key is removed).
struct ProfileChange {
  std::u16string section;
  std::optional<std::u16string> key;
  std::optional<std::u16string> value;
};

// Applies the changes in order, each as WritePrivateProfileStringW would, and replaces
// the file once, under one lock: readers, other writers and a crash see the file with
// all of them or with none. Returns false, leaving the file as it was, when any change
// would be refused or the file cannot be read or written; true when the file holds the
// changes (also when nothing had to change). Any thread.
bool ProfileWriteChanges(std::u16string_view file, const std::vector<ProfileChange>& changes);

// Convenience forms for code of our own (no buffer sizes).
std::u16string ProfileString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view def, std::u16string_view file);
std::int32_t ProfileInt(std::u16string_view section, std::u16string_view key, std::int32_t def,
                        std::u16string_view file);
std::vector<std::u16string> ProfileSectionLines(std::u16string_view section,
                                                std::u16string_view file);
// Calls visit for every line of the section, the lines GetPrivateProfileSectionW lists,
// without copying them out; returns the number of lines (0: missing or empty section).
// For long sections: nothing grows a buffer and asks again.
std::size_t ForEachProfileSectionLine(std::u16string_view section, std::u16string_view file,
                                      const std::function<void(std::u16string_view line)>& visit);
std::vector<std::u16string> ProfileSectionNames(std::u16string_view file);
bool ProfileWrite(std::u16string_view section, std::u16string_view key, std::u16string_view value,
                  std::u16string_view file);

}  // namespace plat
