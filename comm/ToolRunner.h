#pragma once
// Starts the maker's external tools. A tool that the dialog waits for runs on a worker
// thread: the dialog that starts it stays responsive (it shows a small "running"
// window meanwhile) and hears of the start and the end through the two callbacks, which
// the worker calls in order. A tool that is only opened (OpenDetached) is started as a
// process of its own and not waited for.
//
// The runner owns its thread: Join (or the destructor) waits for it. The callbacks run
// on the worker thread; they typically send a numbered message to the dialog, which
// blocks the worker until the user-interface thread has handled it, so the owner must
// not Join from inside such a handler. No windowing here.
//
// Threads: Start, Join, Launched and the destructor on the owner's thread (the UI
// thread); RunAndWait and OpenDetached on any thread.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

// The program that opens a file that is no program, found on PATH.
inline constexpr char kDesktopOpener[] = "xdg-open";

class ToolRunner {
 public:
  ToolRunner() = default;
  ~ToolRunner();  // joins the worker
  ToolRunner(const ToolRunner&) = delete;
  ToolRunner& operator=(const ToolRunner&) = delete;

  // Starts the worker: it calls started(), runs the program at path as a new process
  // with no arguments, waits for it without limit, then calls ended(launched), where
  // launched tells whether the process could be started at all. A worker of an earlier
  // Start is joined first. Returns false when the thread could not be created (no
  // callback is called then).
  bool Start(const std::u16string& path, std::function<void()> started, std::function<void(bool)> ended);

  // Waits for the worker to end; nothing when there is none.
  void Join();

  // True from Start until Join.
  bool HasWorker() const { return worker_.joinable(); }

  // After Join: whether the last worker could start its program (false also when no
  // worker ever ran).
  bool Launched() const { return launched_; }

  // Starts the program at path as a new process with no arguments and waits for it to
  // end. False when it could not be started.
  static bool RunAndWait(const std::u16string& path);

  // Opens path as the desktop opens a file, without waiting: an executable file is
  // started with no arguments, any other file is handed to kDesktopOpener. The process
  // is detached (the program never waits for it, and leaves no process behind to be
  // reaped). False when the process could not be started or kDesktopOpener is missing.
  static bool OpenDetached(const std::u16string& path);

 private:
  std::thread worker_;
  std::atomic<bool> launched_{false};
};
