#pragma once
// Runs an external tool on a worker thread and waits for it to end: the dialog that
// starts it stays responsive (it shows a small "running" window meanwhile) and hears of
// the start and the end through the two callbacks, which the worker calls in order.
//
// The runner owns its thread: Join (or the destructor) waits for it. The callbacks run
// on the worker thread; they typically send a numbered message to the dialog, which
// blocks the worker until the user-interface thread has handled it, so the owner must
// not Join from inside such a handler.
//
// Threads: Start, Join and the destructor on the owner's thread (the UI thread).
#include <functional>
#include <string>
#include <thread>

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

  // Starts the program at path as a new process with no arguments and waits for it to
  // end. False when it could not be started. Any thread.
  static bool RunAndWait(const std::u16string& path);

 private:
  std::thread worker_;
};
