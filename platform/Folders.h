#pragma once
// Known folders and simple file-system operations on UTF-16 paths ("/" separators).
// Any thread may call these; the folder functions read the environment each time (the
// executable folder is looked up once), so the environment must not be changed by
// another thread meanwhile.
#include <string>
#include <string_view>

namespace plat {

// Folder of the running executable, ending in "/".
std::u16string ExecutableFolder();

// User application data: $XDG_DATA_HOME (when absolute), else $HOME/.local/share.
// No trailing "/".
std::u16string UserAppDataFolder();

// Common application data: $XJ_COMMON_APPDATA when set, else /var/lib when writable,
// else the user application data folder. No trailing "/".
std::u16string CommonAppDataFolder();

// Runtime folder for lock files and local sockets: $XDG_RUNTIME_DIR, else the system's
// temporary folder ($TMPDIR, else /tmp). No trailing "/".
std::u16string RuntimeFolder();

// Folder for locks that every user of the machine must see (a printer port is one for
// all users): $XJ_LOCK_FOLDER when set, else /run/lock when it is a folder where every
// user may create files and only the owner may remove them (the sticky bit), else /tmp.
// No trailing "/".
std::u16string SharedLockFolder();

// Creates one folder level; true when it was created or already is a folder.
bool CreateFolder(std::u16string_view path);
// Removes an empty folder; false when it is not empty or cannot be removed.
bool RemoveFolder(std::u16string_view path);
bool PathExists(std::u16string_view path);    // a file or a folder
bool FileExists(std::u16string_view path);    // a regular file (or a link to one)
bool FolderExists(std::u16string_view path);
bool RemoveFile(std::u16string_view path);    // a file or link; never a folder

}  // namespace plat
