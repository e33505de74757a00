#pragma once
// A printer played by the test: a TCP listener on 127.0.0.1 (a free port) whose replies
// the test decides command by command, and which can send bytes of its own at any time.
// It recognises the commands the library asks with (DLE EOT n, DLE DC4 7 5, GS I n,
// GS a n); any other byte is passed to the handler alone. One connection at a time: a new
// one replaces the old, as on the real printer. The server thread is joined by the
// destructor.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

class ScriptedPrinter {
 public:
  // Returns the reply to one command (empty: no reply).
  using Handler = std::function<Bytes(const Bytes& command)>;

  explicit ScriptedPrinter(Handler handler);
  ~ScriptedPrinter();
  ScriptedPrinter(const ScriptedPrinter&) = delete;
  ScriptedPrinter& operator=(const ScriptedPrinter&) = delete;

  std::uint16_t Port() const { return port_; }
  // Sends bytes on the current connection; false when there is none.
  bool Send(const Bytes& bytes);
  // Closes the current connection from the printer's side.
  void Drop();
  int Connections() const { return connections_.load(); }
  // Waits (up to a generous bound) until at least n commands were received.
  bool WaitForCommands(std::size_t n);
  std::vector<Bytes> Commands() const;

 private:
  void Run();
  void Parse();

  Handler handler_;
  int listenFd_ = -1;
  int wakeRead_ = -1;
  int wakeWrite_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<int> connections_{0};
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  int clientFd_ = -1;
  bool dropRequested_ = false;
  Bytes pending_;
  std::vector<Bytes> commands_;
  std::thread thread_;
};
