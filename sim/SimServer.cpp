#include "sim/SimServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace sim {
namespace {

constexpr int kListenBacklog = 4;
constexpr std::size_t kMaxControlLine = 4096;
constexpr std::size_t kReadChunk = 4096;
constexpr std::size_t kMaxControlOutput = 1 << 20;
constexpr auto kRebindRetry = std::chrono::milliseconds(100);
constexpr int kExitFailure = 1;
constexpr long long kLongestSleepUs = 60'000'000;

std::string Errno(const std::string& what) { return what + ": " + std::strerror(errno); }

bool SetNonBlockingCloexec(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return false;
  const int fdFlags = fcntl(fd, F_GETFD);
  return fdFlags >= 0 && fcntl(fd, F_SETFD, fdFlags | FD_CLOEXEC) == 0;
}

void CloseFd(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

}  // namespace

SimServer::SimServer(SimOptions options)
    : options_(std::move(options)), control_(model_, link_, *this) {
  model_.identity = options_.identity;
  model_.condition.batteryLevel = options_.batteryLevel;
  model_.condition.power = options_.power;
  for (const auto& endpoint : options_.tcp) listeners_.push_back(Listener{endpoint, -1});
  if (!options_.statePath.empty()) state_.emplace(options_.statePath);
}

SimServer::~SimServer() { Shutdown(); }

bool SimServer::BlockSignals(std::string& error) {
  // A host or control client that vanishes must give an error result, not end the process.
  signal(SIGPIPE, SIG_IGN);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGHUP);
  if (sigprocmask(SIG_BLOCK, &set, nullptr) != 0) {
    error = Errno("cannot block signals");
    return false;
  }
  signalFd_ = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
  if (signalFd_ < 0) {
    error = Errno("cannot create signalfd");
    return false;
  }
  return true;
}

bool SimServer::Start(std::string& error) {
  if (!BlockSignals(error)) return false;
  if (state_) {
    const bool existed = access(state_->Path().c_str(), F_OK) == 0;
    if (!state_->Load(model_.settings, error)) return false;
    // A state file that cannot be written is found out now, not after the first change.
    if (!existed && !state_->Save(model_.settings, error)) return false;
  }
  if (!options_.printDir.empty() && !printer_.OpenJournal(options_.printDir, error)) return false;
  if (!options_.controlPath.empty() && !OpenControlSocket(error)) {
    Shutdown();
    return false;
  }
  for (auto& listener : listeners_) {
    if (!OpenListener(listener, error)) {
      Shutdown();
      return false;
    }
  }
  if (options_.pty && !OpenPty(error)) {
    Shutdown();
    return false;
  }
  std::string lines;
  for (const auto& listener : listeners_)
    lines += "tcp " + listener.endpoint.address + ":" + std::to_string(listener.endpoint.port) + "\n";
  if (options_.pty) lines += "pty " + ptyPath_ + "\n";
  lines += "ready\n";
  WriteStdout(lines);
  started_ = true;
  return true;
}

bool SimServer::OpenListener(Listener& listener, std::string& error) {
  const std::string name = listener.endpoint.address + ":" + std::to_string(listener.endpoint.port);
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    error = Errno("cannot create a socket for " + name);
    return false;
  }
  // Lets a restart bind the same port again while old connections linger in TIME_WAIT.
  const int one = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<std::uint16_t>(listener.endpoint.port));
  if (inet_pton(AF_INET, listener.endpoint.address.c_str(), &addr.sin_addr) != 1 ||
      !IsLoopbackAddress(listener.endpoint.address)) {
    close(fd);
    error = "not a loopback address: " + listener.endpoint.address;
    return false;
  }
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd, kListenBacklog) != 0) {
    error = Errno("cannot listen on " + name);
    close(fd);
    return false;
  }
  socklen_t length = sizeof addr;
  if (getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length) != 0) {
    error = Errno("cannot read the port of " + name);
    close(fd);
    return false;
  }
  listener.endpoint.port = ntohs(addr.sin_port);
  listener.fd = fd;
  return true;
}

void SimServer::CloseListeners() {
  for (auto& listener : listeners_) CloseFd(listener.fd);
}

bool SimServer::ReopenListeners() {
  bool all = true;
  for (auto& listener : listeners_) {
    if (listener.fd >= 0) continue;
    std::string error;
    if (!OpenListener(listener, error)) {
      all = false;
      if (!rebindWarned_) std::fprintf(stderr, "xjk52-sim: %s; retrying\n", error.c_str());
      rebindWarned_ = true;
    }
  }
  if (all) rebindWarned_ = false;
  return all;
}

bool SimServer::OpenPty(std::string& error) {
  ptyMaster_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (ptyMaster_ < 0) {
    error = Errno("cannot open a pseudo-terminal");
    return false;
  }
  char name[128];
  if (grantpt(ptyMaster_) != 0 || unlockpt(ptyMaster_) != 0 || ptsname_r(ptyMaster_, name, sizeof name) != 0 ||
      !SetNonBlockingCloexec(ptyMaster_)) {
    error = Errno("cannot prepare the pseudo-terminal");
    return false;
  }
  ptyPath_ = name;
  ptySlave_ = open(ptyPath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (ptySlave_ < 0) {
    error = Errno("cannot open " + ptyPath_);
    return false;
  }
  // Raw bytes both ways: no echo, no line editing, no CR/LF or XON/XOFF handling.
  termios tio{};
  if (tcgetattr(ptySlave_, &tio) != 0) {
    error = Errno("cannot read the terminal settings of " + ptyPath_);
    return false;
  }
  cfmakeraw(&tio);
  if (tcsetattr(ptySlave_, TCSANOW, &tio) != 0) {
    error = Errno("cannot set raw mode on " + ptyPath_);
    return false;
  }
  pty_ = std::make_unique<HostChannel>(ptyMaster_, false, "pty " + ptyPath_, model_, printer_, link_, *this);
  pty_->SetLineRate(options_.ptyBaud);
  return true;
}

bool SimServer::OpenControlSocket(std::string& error) {
  const std::string& path = options_.controlPath;
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.size() >= sizeof addr.sun_path) {
    error = "control socket path is too long: " + path;
    return false;
  }
  std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
  struct stat st {};
  if (lstat(path.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) {
      error = "control socket path exists and is not a socket: " + path;
      return false;
    }
    // A socket file left behind by an earlier run is reused; a live one is not taken over.
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool live = probe >= 0 && connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    if (probe >= 0) close(probe);
    if (live) {
      error = "control socket is in use by another process: " + path;
      return false;
    }
    unlink(path.c_str());
  }
  controlListen_ = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (controlListen_ < 0) {
    error = Errno("cannot create the control socket");
    return false;
  }
  if (bind(controlListen_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    error = Errno("cannot bind the control socket " + path);
    CloseFd(controlListen_);
    return false;
  }
  controlSocketCreated_ = true;
  if (listen(controlListen_, kListenBacklog) != 0) {
    error = Errno("cannot listen on the control socket " + path);
    return false;
  }
  return true;
}

void SimServer::AcceptTcp(int listenFd) {
  const int fd = accept4(listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
  if (fd < 0) return;
  // Replies are a few bytes each; send them at once.
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  sockaddr_in peer{};
  socklen_t length = sizeof peer;
  std::string description = "tcp";
  if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &length) == 0) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof text);
    description += std::string(" ") + text + ":" + std::to_string(ntohs(peer.sin_port));
  }
  ++model_.counters.connections;
  tcp_ = std::make_unique<HostChannel>(fd, true, description, model_, printer_, link_, *this);
}

void SimServer::CloseTcp() { tcp_.reset(); }

void SimServer::BeginRestart() {
  restartPending_ = false;
  const auto now = Clock::now();
  // The listeners go first: a host that sees its connection close and reconnects at once
  // must be refused, not taken into a backlog that is about to vanish.
  CloseListeners();
  rebindPending_ = false;
  // What the printer sent before it went down still leaves; whatever is not out is lost.
  if (tcp_) {
    tcp_->WriteDue(now);
    CloseTcp();
  }
  if (pty_) {
    pty_->WriteDue(now);
    pty_->DiscardOutput();
    pty_->DiscardInput();
    pty_->Interpreter().Reset();
  }
  model_.userSettingMode = false;
  printer_.DiscardLine();  // a restart clears the print buffer
  ++model_.counters.restarts;
  restarting_ = true;
  restartEnd_ = now + std::chrono::milliseconds(options_.restartDelayMs);
  SaveState();
}

void SimServer::FinishRestart() {
  restarting_ = false;
  if (!ReopenListeners()) {
    rebindPending_ = true;
    rebindAt_ = Clock::now() + kRebindRetry;
  }
}

void SimServer::RunDeferredCommand() {
  const std::string command = std::move(link_.afterCommand);
  link_.replyBudget.reset();
  link_.afterCommand.clear();
  const ControlCommands::Result result = control_.Execute(command);
  if (result.reply.rfind("error", 0) == 0) std::fprintf(stderr, "xjk52-sim: after: %s: %s\n", command.c_str(), result.reply.c_str());
  // What the budget held back leaves as the link behaves now.
  if (tcp_) tcp_->Requeue();
  if (pty_) pty_->Requeue();
}

void SimServer::OnSettingsChanged() { SaveState(); }

void SimServer::SaveState() {
  if (!state_) return;
  std::string error;
  if (!state_->Save(model_.settings, error)) {
    ++model_.counters.saveFailures;
    std::fprintf(stderr, "xjk52-sim: %s\n", error.c_str());
  }
}

void SimServer::ConditionChanged() {
  if (tcp_) tcp_->Interpreter().OnConditionChanged();
  if (pty_ && !restarting_) pty_->Interpreter().OnConditionChanged();
}

std::string SimServer::DropConnection() {
  std::string what;
  if (tcp_) {
    what = "dropped " + tcp_->Description();
    CloseTcp();
  }
  if (pty_) {
    // A serial line cannot be hung up from the printer's side: everything on the line
    // is lost instead, in both directions, and a half-received command is forgotten.
    pty_->DiscardOutput();
    pty_->DiscardInput();
    pty_->Interpreter().ResetParser();
    tcflush(ptySlave_, TCIOFLUSH);
    what += std::string(what.empty() ? "" : "; ") + "flushed " + pty_->Description();
  }
  return what.empty() ? "no connection" : what;
}

std::string SimServer::LinkStatus() const {
  std::string out;
  std::string endpoints;
  for (const auto& listener : listeners_) {
    if (!endpoints.empty()) endpoints += ",";
    endpoints += listener.endpoint.address + ":" + std::to_string(listener.endpoint.port);
  }
  if (!endpoints.empty()) out += "tcp=" + endpoints + " ";
  if (!ptyPath_.empty()) out += "pty=" + ptyPath_ + " ";
  out += std::string("connected=") + (tcp_ ? "yes" : "no");
  out += std::string(" restarting=") + (restarting_ || rebindPending_ ? "yes" : "no");
  out += " asb=" + std::to_string(tcp_ ? tcp_->Interpreter().AsbMask() : 0);
  if (pty_) out += " ptyasb=" + std::to_string(pty_->Interpreter().AsbMask());
  if (pty_) out += " ptybaud=" + std::to_string(options_.ptyBaud);
  return out;
}

void SimServer::WriteStdout(const std::string& text) {
  std::size_t written = 0;
  while (written < text.size()) {
    const ssize_t n = write(STDOUT_FILENO, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // nobody reads the replies any more; the commands still act
    written += static_cast<std::size_t>(n);
  }
}

template <typename Reply>
void SimServer::ControlBytes(std::string& buffer, bool& discarding, const char* data, std::size_t size,
                             Reply reply) {
  for (std::size_t i = 0; i < size && !quit_; ++i) {
    const char c = data[i];
    if (c == '\n') {
      if (discarding) {
        discarding = false;
        buffer.clear();
        continue;
      }
      if (!buffer.empty() && buffer.back() == '\r') buffer.pop_back();
      const ControlCommands::Result result = control_.Execute(buffer);
      buffer.clear();
      reply(result.reply + "\n");
      if (result.quit) quit_ = true;
      continue;
    }
    if (discarding) continue;
    if (buffer.size() >= kMaxControlLine) {
      reply("error: line too long\n");
      discarding = true;
      buffer.clear();
      continue;
    }
    buffer.push_back(c);
  }
}

void SimServer::ReadStdin() {
  char data[kReadChunk];
  const ssize_t n = read(STDIN_FILENO, data, sizeof data);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (n <= 0) {
    stdinOpen_ = false;
    // Without a control socket standard input is the only way to steer the simulator.
    if (options_.controlPath.empty()) quit_ = true;
    return;
  }
  ControlBytes(stdinBuffer_, stdinDiscarding_, data, static_cast<std::size_t>(n),
               [this](const std::string& line) { WriteStdout(line); });
}

void SimServer::ReadControlClient(ControlClient& client) {
  char data[kReadChunk];
  const ssize_t n = read(client.fd, data, sizeof data);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (n <= 0) {
    CloseFd(client.fd);
    return;
  }
  ControlBytes(client.in, client.discarding, data, static_cast<std::size_t>(n), [&client](const std::string& line) {
    if (client.out.size() + line.size() <= kMaxControlOutput) client.out += line;
  });
}

int SimServer::Run() {
  enum class Tag { kSignal, kStdin, kControlListen, kControlClient, kListener, kTcp, kPty };
  std::vector<pollfd> fds;
  std::vector<std::pair<Tag, std::size_t>> tags;
  while (!quit_) {
    auto now = Clock::now();
    if (restarting_ && now >= restartEnd_) FinishRestart();
    if (rebindPending_ && now >= rebindAt_) {
      if (ReopenListeners()) {
        rebindPending_ = false;
      } else {
        rebindAt_ = now + kRebindRetry;
      }
    }

    fds.clear();
    tags.clear();
    auto add = [&](int fd, short events, Tag tag, std::size_t index = 0) {
      fds.push_back(pollfd{fd, events, 0});
      tags.emplace_back(tag, index);
    };
    add(signalFd_, POLLIN, Tag::kSignal);
    if (stdinOpen_) add(STDIN_FILENO, POLLIN, Tag::kStdin);
    if (controlListen_ >= 0) add(controlListen_, POLLIN, Tag::kControlListen);
    for (std::size_t i = 0; i < controlClients_.size(); ++i) {
      const auto& client = controlClients_[i];
      add(client.fd, static_cast<short>(POLLIN | (client.out.empty() ? 0 : POLLOUT)), Tag::kControlClient, i);
    }
    if (!tcp_ && !restarting_) {
      for (std::size_t i = 0; i < listeners_.size(); ++i)
        if (listeners_[i].fd >= 0) add(listeners_[i].fd, POLLIN, Tag::kListener, i);
    }
    if (tcp_) add(tcp_->Fd(), static_cast<short>(POLLIN | (tcp_->HasDueOutput(now) ? POLLOUT : 0)), Tag::kTcp);
    if (pty_) add(pty_->Fd(), static_cast<short>(POLLIN | (pty_->HasDueOutput(now) ? POLLOUT : 0)), Tag::kPty);

    // Sleep until something happens or the next timed event: a delayed reply, the end
    // of a restart, another try to bind a port.
    std::optional<Clock::time_point> wake;
    auto consider = [&](std::optional<Clock::time_point> t) {
      if (t && (!wake || *t < *wake)) wake = t;
    };
    if (tcp_) consider(tcp_->NextDue());
    if (pty_) consider(pty_->NextDue());
    if (restarting_) consider(restartEnd_);
    if (rebindPending_) consider(rebindAt_);
    // To the microsecond: a paced terminal has a byte due every few hundred of them.
    timespec timeout{};
    if (wake) {
      const auto wait = std::clamp<long long>(
          std::chrono::ceil<std::chrono::microseconds>(*wake - now).count(), 0, kLongestSleepUs);
      timeout.tv_sec = static_cast<time_t>(wait / 1000000);
      timeout.tv_nsec = static_cast<long>(wait % 1000000) * 1000;
    }

    const int ready = ppoll(fds.data(), fds.size(), wake ? &timeout : nullptr, nullptr);
    if (ready < 0) {
      if (errno == EINTR) continue;
      std::fprintf(stderr, "xjk52-sim: poll failed: %s\n", std::strerror(errno));
      exitCode_ = kExitFailure;
      break;
    }

    for (std::size_t i = 0; i < fds.size() && !quit_; ++i) {
      const short revents = fds[i].revents;
      if (revents == 0) continue;
      const auto [tag, index] = tags[i];
      switch (tag) {
        case Tag::kSignal: {
          signalfd_siginfo info{};
          if (read(signalFd_, &info, sizeof info) > 0) quit_ = true;
          break;
        }
        case Tag::kStdin: ReadStdin(); break;
        case Tag::kControlListen: {
          const int fd = accept4(controlListen_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
          if (fd >= 0) controlClients_.push_back(ControlClient{fd, {}, {}, false});
          break;
        }
        case Tag::kControlClient: {
          ControlClient& client = controlClients_[index];
          if (client.fd < 0) break;
          if (revents & (POLLIN | POLLHUP | POLLERR)) ReadControlClient(client);
          break;
        }
        case Tag::kListener:
          if (!tcp_ && !restarting_ && listeners_[index].fd >= 0) AcceptTcp(listeners_[index].fd);
          break;
        case Tag::kTcp:
          if (tcp_ && (revents & (POLLIN | POLLHUP | POLLERR))) {
            if (tcp_->ReadAvailable(false) == HostChannel::ReadResult::kClosed) CloseTcp();
          }
          break;
        case Tag::kPty:
          if (pty_ && (revents & (POLLIN | POLLHUP | POLLERR))) pty_->ReadAvailable(restarting_);
          break;
      }
      if (restartPending_) BeginRestart();
    }

    // Take in what has arrived on a paced line, then send what is due: replies,
    // automatic status, control replies.
    now = Clock::now();
    if (pty_ && !restarting_) {
      pty_->FeedDue(now);
      if (restartPending_) BeginRestart();
    }
    if (tcp_ && !tcp_->WriteDue(now)) CloseTcp();
    if (pty_) pty_->WriteDue(now);
    if (link_.replyBudget && *link_.replyBudget == 0) RunDeferredCommand();
    for (auto& client : controlClients_) {
      while (client.fd >= 0 && !client.out.empty()) {
        const ssize_t n = send(client.fd, client.out.data(), client.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
          client.out.erase(0, static_cast<std::size_t>(n));
        } else {
          if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) CloseFd(client.fd);
          break;
        }
      }
    }
    controlClients_.erase(std::remove_if(controlClients_.begin(), controlClients_.end(),
                                         [](const ControlClient& c) { return c.fd < 0; }),
                          controlClients_.end());
  }
  Shutdown();
  return exitCode_;
}

void SimServer::Shutdown() {
  // A simulator that never started must not overwrite a state file it could not read.
  if (state_ && started_) {
    // The state was saved on every change; a last save makes sure the file exists and
    // reports a full disk now rather than never.
    std::string error;
    if (!state_->Save(model_.settings, error)) {
      std::fprintf(stderr, "xjk52-sim: %s\n", error.c_str());
      exitCode_ = kExitFailure;
    }
  }
  state_.reset();
  tcp_.reset();
  pty_.reset();
  CloseFd(ptySlave_);
  CloseFd(ptyMaster_);
  CloseListeners();
  for (auto& client : controlClients_) CloseFd(client.fd);
  controlClients_.clear();
  CloseFd(controlListen_);
  if (controlSocketCreated_) {
    unlink(options_.controlPath.c_str());
    controlSocketCreated_ = false;
  }
  CloseFd(signalFd_);
}

}  // namespace sim
