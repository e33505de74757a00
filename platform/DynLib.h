#pragma once
// Run-time loading of shared libraries (dlopen/dlsym/dlclose). Any thread may call these.
#include <string>
#include <string_view>

namespace plat {

using LibHandle = void*;

// Loads a shared library. A bare file name (no "/") is looked for in the executable
// folder first, then through the system's library search. A name ending in ".dll" (any
// letter case) that does not exist as written is loaded with the same stem and ".so", so
// menu files and code keep the names they were designed with. Libraries are loaded with
// every symbol bound at once and kept local to the library. Null on failure; the reason
// is then in LastLoadError (a file that exists but does not load is reported rather than
// a later "not found").
LibHandle LoadLibraryW(std::u16string_view name);

// Address of an exported symbol, or null.
void* GetProcAddress(LibHandle lib, const char* name);

// Unloads a library loaded by LoadLibraryW; null is ignored.
void FreeLibrary(LibHandle lib);

// The loader's message for the last failure on this thread (for diagnostics only).
std::string LastLoadError();

}  // namespace plat
