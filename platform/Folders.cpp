#include "platform/Folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>

#include "platform/Text.h"

namespace plat {
namespace {

// The system's folder for lock files shared by all users.
constexpr char kSystemLockFolder[] = "/run/lock";

// The value of an environment variable, or empty when it is unset or empty.
std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr ? std::string(v) : std::string();
}

// Folder texts are returned without a trailing "/" (the root stays "/").
std::u16string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return FromUtf8(path);
}

std::string HomeFolder() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  if (const passwd* pw = ::getpwuid(::geteuid()); pw != nullptr && pw->pw_dir != nullptr) {
    return pw->pw_dir;
  }
  return "/";
}

bool StatPath(std::u16string_view path, struct stat& st) {
  if (path.empty()) return false;
  return ::stat(ToUtf8(path).c_str(), &st) == 0;
}

}  // namespace

std::u16string ExecutableFolder() {
  static const std::u16string folder = [] {
    std::string exe(4096, '\0');
    const ssize_t n = ::readlink("/proc/self/exe", exe.data(), exe.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= exe.size()) return std::u16string(u"./");
    exe.resize(static_cast<std::size_t>(n));
    // A program whose file was replaced while it runs is reported with this suffix.
    static constexpr std::string_view kDeleted = " (deleted)";
    if (exe.size() > kDeleted.size() && exe.ends_with(kDeleted)) exe.resize(exe.size() - kDeleted.size());
    const std::size_t slash = exe.rfind('/');
    if (slash == std::string::npos) return std::u16string(u"./");
    return FromUtf8(exe.substr(0, slash + 1));
  }();
  return folder;
}

std::u16string UserAppDataFolder() {
  // Only an absolute XDG_DATA_HOME counts; a relative one is ignored as invalid.
  const std::string xdg = Env("XDG_DATA_HOME");
  if (!xdg.empty() && xdg.front() == '/') return WithoutTrailingSlash(xdg);
  std::string home = HomeFolder();
  while (home.size() > 1 && home.back() == '/') home.pop_back();
  if (home == "/") home.clear();
  return FromUtf8(home + "/.local/share");
}

std::u16string CommonAppDataFolder() {
  const std::string common = Env("XJ_COMMON_APPDATA");
  if (!common.empty()) return WithoutTrailingSlash(common);
  if (::access("/var/lib", W_OK) == 0) return u"/var/lib";
  return UserAppDataFolder();
}

std::u16string RuntimeFolder() {
  const std::string run = Env("XDG_RUNTIME_DIR");
  if (!run.empty()) return WithoutTrailingSlash(run);
  const std::string tmp = Env("TMPDIR");
  if (!tmp.empty()) return WithoutTrailingSlash(tmp);
  return u"/tmp";
}

std::u16string SharedLockFolder() {
  const std::string locks = Env("XJ_LOCK_FOLDER");
  if (!locks.empty()) return WithoutTrailingSlash(locks);
  // Everyone may create files there, nobody may remove another user's.
  constexpr mode_t kSharedSticky = S_IWOTH | S_ISVTX;
  struct stat st {};
  if (::stat(kSystemLockFolder, &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & kSharedSticky) == kSharedSticky) {
    return FromUtf8(kSystemLockFolder);
  }
  return u"/tmp";
}

bool CreateFolder(std::u16string_view path) {
  if (path.empty()) return false;
  const std::string p = ToUtf8(path);
  if (::mkdir(p.c_str(), 0777) == 0) return true;
  if (errno != EEXIST) return false;
  struct stat st {};
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool RemoveFolder(std::u16string_view path) {
  if (path.empty()) return false;
  return ::rmdir(ToUtf8(path).c_str()) == 0;
}

bool PathExists(std::u16string_view path) {
  struct stat st {};
  return StatPath(path, st);
}

bool FileExists(std::u16string_view path) {
  struct stat st {};
  return StatPath(path, st) && S_ISREG(st.st_mode);
}

bool FolderExists(std::u16string_view path) {
  struct stat st {};
  return StatPath(path, st) && S_ISDIR(st.st_mode);
}

bool RemoveFile(std::u16string_view path) {
  if (path.empty()) return false;
  const std::string p = ToUtf8(path);
  struct stat st {};
  // Only files (and links) are removed here; folders go through RemoveFolder.
  if (::lstat(p.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  return ::unlink(p.c_str()) == 0;
}

}  // namespace plat
