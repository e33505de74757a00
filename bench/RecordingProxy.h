#pragma once
// A TCP relay on a free loopback port that passes every connection on to a target port
// on 127.0.0.1 and records what each side sent, with the time it passed, so that a
// benchmark can learn which requests a program sends to the printer simulator without
// changing either of them. Each read from the program's side is one recorded chunk;
// a program that writes one request at a time so leaves one request per chunk.
//
// Threads: Start and Stop on one thread; the relay runs on a thread of its own, which
// Stop joins. Chunks() may be called from any thread.
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

class RecordingProxy {
 public:
  struct Chunk {
    double seconds = 0;  // monotonic clock, when the relay read it
    bool toPrinter = true;
    std::vector<std::uint8_t> bytes;
  };

  RecordingProxy() = default;
  ~RecordingProxy();  // stops
  RecordingProxy(const RecordingProxy&) = delete;
  RecordingProxy& operator=(const RecordingProxy&) = delete;

  // Listens on 127.0.0.1 (any free port) and relays to 127.0.0.1:targetPort.
  bool Start(int targetPort);
  // Closes every connection and the listener and joins the relay thread.
  void Stop();
  int Port() const { return port_; }
  std::vector<Chunk> Chunks() const;

 private:
  void Run();
  void Record(bool toPrinter, const std::uint8_t* data, std::size_t size);

  int targetPort_ = 0;
  int port_ = 0;
  int listenFd_ = -1;
  int stopPipe_[2] = {-1, -1};
  std::thread thread_;
  mutable std::mutex mutex_;
  std::vector<Chunk> chunks_;
};
