#pragma once
// Replacing a file so that it is either complete or not there: the bytes go to a
// temporary file in the same folder, which is flushed to the disk and renamed over the
// target. Any thread; writers of one target must be serialised by the caller.
#include <string>
#include <string_view>

namespace plat {

// Where a failed replacement stopped.
enum class ReplaceFailure { kNone, kCreate, kWrite, kRename };

// Writes bytes to a temporary file beside path (a short name in the same folder when
// path's own name plus the suffix is too long) and renames it over path; the folder is
// synced afterwards. An existing file keeps its permissions and, where the writer may
// set it, its owner; a new file gets 0666 less the process's umask. On failure the
// temporary file is removed, path is left as it was, false is returned, *failure (when
// given) says which step failed and errno holds the system's reason.
bool ReplaceFileAtomically(const std::string& path, std::string_view bytes,
                           ReplaceFailure* failure = nullptr);

}  // namespace plat
