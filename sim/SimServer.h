#pragma once
// The simulator process: listens on its TCP endpoints and its pseudo-terminal, takes
// control commands on standard input and on an optional Unix socket, and runs all of it
// in one poll() loop on the thread that calls Run(); there are no other threads.
//
// TCP: one host connection at a time, like a raw printing port. While a host is
// connected the listening sockets are not served; a second client's connection waits
// in the listen backlog and is served, with whatever it already sent, once the first
// one closes. The pseudo-terminal is a serial line and always there; it shares the
// printer (condition, settings) with the TCP connection.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/ControlCommands.h"
#include "sim/HostChannel.h"
#include "sim/PrintEngine.h"
#include "sim/PrinterModel.h"
#include "sim/SimOptions.h"
#include "sim/StateFile.h"

namespace sim {

class SimServer : public HostChannel::Owner, public ControlCommands::Actions {
 public:
  explicit SimServer(SimOptions options);
  ~SimServer() override;
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  // Loads the state file, opens the control socket, the listeners and the
  // pseudo-terminal, prints one line per endpoint and then "ready" on standard output.
  // False with a message in `error` when any of it fails (nothing is left open).
  bool Start(std::string& error);

  // Serves until "quit", a termination signal (SIGTERM, SIGINT, SIGHUP), or the end of
  // standard input when there is no control socket. Saves the state and closes every
  // endpoint before it returns. Returns the process exit code.
  int Run();

  // HostChannel::Owner
  void OnSettingsChanged() override;
  void OnRestartRequested() override { restartPending_ = true; }
  void OnConditionChanged() override { ConditionChanged(); }

  // ControlCommands::Actions
  void ConditionChanged() override;
  void SettingsChanged() override { SaveState(); }
  std::string DropConnection() override;
  std::string LinkStatus() const override;

 private:
  struct Listener {
    TcpEndpoint endpoint;  // the port is the one bound first, so a restart keeps it
    int fd = -1;
  };
  struct ControlClient {
    int fd = -1;
    std::string in;
    std::string out;
    bool discarding = false;  // inside an over-long line
  };

  bool OpenListener(Listener& listener, std::string& error);
  void CloseListeners();
  bool ReopenListeners();
  bool OpenPty(std::string& error);
  bool OpenControlSocket(std::string& error);
  bool BlockSignals(std::string& error);
  void AcceptTcp(int listenFd);
  void CloseTcp();
  void BeginRestart();
  void FinishRestart();
  void ReadStdin();
  void ReadControlClient(ControlClient& client);
  // Splits control bytes into lines and answers each; `reply` receives each reply line.
  template <typename Reply>
  void ControlBytes(std::string& buffer, bool& discarding, const char* data, std::size_t size, Reply reply);
  void WriteStdout(const std::string& text);
  // Carries out the command of `after` once its bytes have left.
  void RunDeferredCommand();
  void SaveState();
  void Shutdown();

  SimOptions options_;
  PrinterModel model_;
  PrintEngine printer_{model_.counters};
  LinkBehaviour link_;
  ControlCommands control_;
  std::optional<StateFile> state_;

  std::vector<Listener> listeners_;
  std::unique_ptr<HostChannel> tcp_;
  int ptyMaster_ = -1;
  int ptySlave_ = -1;  // kept open so the path stays valid while no client has it open
  std::string ptyPath_;
  std::unique_ptr<HostChannel> pty_;
  int controlListen_ = -1;
  bool controlSocketCreated_ = false;
  std::vector<ControlClient> controlClients_;
  bool stdinOpen_ = true;
  std::string stdinBuffer_;
  bool stdinDiscarding_ = false;
  int signalFd_ = -1;

  bool restartPending_ = false;
  bool restarting_ = false;
  Clock::time_point restartEnd_{};
  bool rebindPending_ = false;
  Clock::time_point rebindAt_{};
  bool rebindWarned_ = false;

  bool started_ = false;
  bool quit_ = false;
  int exitCode_ = 0;
};

}  // namespace sim
