#pragma once
// Private folders for the benchmarks. The first use creates a fresh temporary root under
// $TMPDIR (else /tmp) and points every folder the program looks at into it:
//   XDG_DATA_HOME -> <root>/user, XJ_COMMON_APPDATA -> <root>/common,
//   XDG_RUNTIME_DIR -> <root>/run, HOME -> <root>/home,
// with XJCOMM_NET_SEARCH=127.0.0.1, so that nothing a benchmark runs reads or writes the
// real per-user or common folders and no device search leaves the loopback range.
// RunBenchmarks removes the root when the run ends.
//
// Threads: call these from the benchmark's main thread (the benchmarks run on it too).
#include <functional>
#include <string>

namespace benchenv {

// The temporary root of this process (no trailing slash). Creates it on first use;
// a root that cannot be made ends the process with a message (nothing can be measured).
const std::string& Root();

// A new, empty folder below the root, unique within the process.
std::string MakeTempDir(const std::string& hint);

// Writes bytes to path (replacing the file) and returns true on success.
bool WriteFile(const std::string& path, const std::string& bytes);

// Sets the change and modification times of path to now, as a rewrite of the file
// would. Returns true on success.
bool TouchNow(const std::string& path);

// Waits until path was last changed more than seconds ago (readers may then keep a
// parsed copy of it). Returns at once for a missing file.
void WaitUntilUnchangedFor(const std::string& path, double seconds);

// Removes the root and everything in it (at the end of a run that does not use
// RunBenchmarks).
void RemoveRoot();

// The whole run: sets up the root, runs the benchmarks selected on the command line
// (Google Benchmark flags), prints their figures, calls beforeCleanup (when given: the
// place to stop children and unload libraries that use the root) and removes the root.
// Returns the exit code for main.
int RunBenchmarks(int argc, char** argv, const std::function<void()>& beforeCleanup = {});

}  // namespace benchenv
