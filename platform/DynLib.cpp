#include "platform/DynLib.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "platform/Folders.h"
#include "platform/Text.h"

namespace plat {
namespace {

thread_local std::string tLastError;

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

std::string DlError(const std::string& fallback) {
  const char* e = ::dlerror();
  return e != nullptr ? std::string(e) : fallback;
}

// Tries one file; a file that exists but cannot be loaded gives the more useful message,
// so it is kept in preference to "not found" messages of later candidates.
void* TryOpen(const std::string& path, bool isFile, std::string& error, bool& errorFromFile) {
  void* lib = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (lib != nullptr) return lib;
  const std::string message = DlError(path + ": cannot be loaded");
  if (!errorFromFile) {
    error = message;
    errorFromFile = isFile;
  }
  return nullptr;
}

}  // namespace

LibHandle LoadLibraryW(std::u16string_view name) {
  if (name.empty()) {
    tLastError = "empty library name";
    return nullptr;
  }
  const std::string asWritten = ToUtf8(name);
  // "X.dll" in any letter case may stand for "X.so".
  std::string soName;
  if (name.size() > 4 && EqualsNoCase(name.substr(name.size() - 4), u".dll")) {
    soName = asWritten.substr(0, asWritten.size() - 4) + ".so";
  }

  std::string error;
  bool errorFromFile = false;
  void* lib = nullptr;
  if (asWritten.find('/') != std::string::npos) {
    const bool written = IsRegularFile(asWritten);
    if (written || soName.empty()) {
      lib = TryOpen(asWritten, written, error, errorFromFile);
    } else {
      lib = TryOpen(soName, IsRegularFile(soName), error, errorFromFile);
    }
  } else {
    // A bare name: the executable folder first, then the system's library search.
    const std::string folder = ToUtf8(ExecutableFolder());
    std::vector<std::pair<std::string, bool>> candidates;  // path, is a file we found
    if (IsRegularFile(folder + asWritten)) {
      candidates.emplace_back(folder + asWritten, true);
    } else if (!soName.empty() && IsRegularFile(folder + soName)) {
      candidates.emplace_back(folder + soName, true);
    }
    candidates.emplace_back(asWritten, false);
    if (!soName.empty()) candidates.emplace_back(soName, false);
    for (const auto& [path, isFile] : candidates) {
      lib = TryOpen(path, isFile, error, errorFromFile);
      if (lib != nullptr) break;
    }
  }
  if (lib == nullptr) tLastError = error.empty() ? asWritten + ": cannot be loaded" : error;
  return lib;
}

void* GetProcAddress(LibHandle lib, const char* name) {
  if (lib == nullptr || name == nullptr) {
    tLastError = "no library or no symbol name";
    return nullptr;
  }
  ::dlerror();  // clear a stale message so a failure below reports its own
  void* sym = ::dlsym(lib, name);
  if (sym == nullptr) tLastError = DlError(std::string(name) + ": symbol not found");
  return sym;
}

void FreeLibrary(LibHandle lib) {
  if (lib != nullptr) ::dlclose(lib);
}

std::string LastLoadError() { return tLastError; }

}  // namespace plat
