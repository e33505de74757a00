#include "platform/DynLib.h"

#include <dlfcn.h>
#include <elf.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <fstream>

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

// Reads the header tables of an ELF file of the class T (32 or 64 bit) and checks that
// every segment and the section header table lie inside the file. The loader maps
// segments without checking the file's length, so a truncated library (a copy cut short,
// a full disk) would otherwise end the program with SIGBUS instead of failing to load.
template <typename Ehdr, typename Phdr>
bool SegmentsInsideFile(std::ifstream& in, std::uint64_t size, std::string& why) {
  Ehdr eh{};
  in.seekg(0);
  if (!in.read(reinterpret_cast<char*>(&eh), sizeof eh)) {
    why = "the ELF header is cut short";
    return false;
  }
  const auto ends = [size](std::uint64_t offset, std::uint64_t length) {
    return offset <= size && length <= size - offset;
  };
  if (eh.e_shnum != 0 && !ends(eh.e_shoff, std::uint64_t{eh.e_shnum} * eh.e_shentsize)) {
    why = "the file is cut short (section headers missing)";
    return false;
  }
  if (eh.e_phentsize != sizeof(Phdr) || !ends(eh.e_phoff, std::uint64_t{eh.e_phnum} * sizeof(Phdr))) {
    why = "the file is cut short or damaged (program headers)";
    return false;
  }
  for (unsigned i = 0; i < eh.e_phnum; ++i) {
    Phdr ph{};
    in.seekg(static_cast<std::streamoff>(eh.e_phoff + std::uint64_t{i} * sizeof(Phdr)));
    if (!in.read(reinterpret_cast<char*>(&ph), sizeof ph)) {
      why = "the file is cut short (program headers)";
      return false;
    }
    if (ph.p_type == PT_LOAD && !ends(ph.p_offset, ph.p_filesz)) {
      why = "the file is cut short (a segment ends after the end of the file)";
      return false;
    }
  }
  return true;
}

// False with a reason when `path` is an ELF file whose contents do not all lie inside
// it. Files that are no ELF file at all are left to the loader, which refuses them.
bool ElfFileIsWhole(const std::string& path, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return true;
  unsigned char ident[EI_NIDENT] = {};
  if (!in.read(reinterpret_cast<char*>(ident), sizeof ident) || std::memcmp(ident, ELFMAG, SELFMAG) != 0) {
    return true;
  }
  in.seekg(0, std::ios::end);
  const auto size = static_cast<std::uint64_t>(in.tellg());
  if (ident[EI_CLASS] == ELFCLASS64) return SegmentsInsideFile<Elf64_Ehdr, Elf64_Phdr>(in, size, why);
  if (ident[EI_CLASS] == ELFCLASS32) return SegmentsInsideFile<Elf32_Ehdr, Elf32_Phdr>(in, size, why);
  return true;
}

// Tries one file; a file that exists but cannot be loaded gives the more useful message,
// so it is kept in preference to "not found" messages of later candidates.
void* TryOpen(const std::string& path, bool isFile, std::string& error, bool& errorFromFile) {
  std::string why;
  if (isFile && !ElfFileIsWhole(path, why)) {
    if (!errorFromFile) {
      error = path + ": " + why;
      errorFromFile = true;
    }
    return nullptr;
  }
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
