#include "platform/ui/RunningCopy.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <QWidget>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/Folders.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/EventLog.h"

// The tag is a Unix stream socket served by the UI thread's event loop: the program
// needs no network module for it, which would load a dozen libraries at every start.
namespace plat {
namespace {

constexpr char kRaiseRequest[] = "raise\n";
constexpr char kAnswer[] = "ok\n";
constexpr int kBacklog = 4;

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

bool MakeAddress(const std::string& path, sockaddr_un& address) {
  address = sockaddr_un{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) return false;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  return true;
}

// A connected client socket to path (non-blocking), or -1 when nobody listens there
// within timeoutMs.
int ConnectTo(const std::string& path, int timeoutMs) {
  sockaddr_un address;
  if (!MakeAddress(path, address)) return -1;
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
  // A listener whose backlog is full makes a non-blocking connect wait.
  if (errno == EAGAIN || errno == EINPROGRESS) {
    pollfd p{fd, POLLOUT, 0};
    int error = 0;
    socklen_t length = sizeof error;
    if (poll(&p, 1, timeoutMs) == 1 && getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
      return fd;
  }
  close(fd);
  return -1;
}

// A listening socket at path, readable and writable by the user alone: it is bound in
// a private folder beside the path and then moved to its name (replacing what had the
// name), so nobody can reach it before its permissions are set. -1 on failure.
int ListenAt(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  std::string folder = (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/.tag-XXXXXX";
  if (mkdtemp(folder.data()) == nullptr) return -1;
  const std::string inner = folder + "/s";
  sockaddr_un address;
  int fd = MakeAddress(inner, address) ? socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0) : -1;
  if (fd >= 0 && (bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
                  chmod(inner.c_str(), S_IRUSR | S_IWUSR) != 0 || listen(fd, kBacklog) != 0 ||
                  rename(inner.c_str(), path.c_str()) != 0)) {
    close(fd);
    fd = -1;
  }
  unlink(inner.c_str());
  rmdir(folder.c_str());
  return fd;
}

}  // namespace

QString TagSocketPath(const QString& tagName) {
  QString name = tagName;
  name.replace('/', '_');
  return ToQString(RuntimeFolder()) + "/" + name;
}

WindowTag::WindowTag(QWidget* window, const QString& tagName)
    : QObject(window), window_(window), path_(ToUtf8(FromQString(TagSocketPath(tagName)))) {
  // Whatever has the name (a crashed copy's socket file) is replaced.
  listenFd_ = ListenAt(path_);
  if (listenFd_ < 0) {
    path_.clear();
    return;
  }
  auto* notifier = new QSocketNotifier(listenFd_, QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, &WindowTag::OnConnection);
}

WindowTag::~WindowTag() {
  if (listenFd_ >= 0) {
    close(listenFd_);
    unlink(path_.c_str());
  }
}

bool WindowTag::IsListening() const { return listenFd_ >= 0; }

void WindowTag::OnConnection() {
  for (;;) {
    const int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
    if (client < 0) return;
    [[maybe_unused]] const ssize_t sent = send(client, kAnswer, sizeof kAnswer - 1, MSG_NOSIGNAL);
    // The connection stays until the asking copy has read the answer and hung up.
    // The socket is closed with its notifier (at the hang-up, or with the tag).
    auto* notifier = new QSocketNotifier(client, QSocketNotifier::Read, this);
    connect(notifier, &QObject::destroyed, [client] { close(client); });
    connect(notifier, &QSocketNotifier::activated, this, [notifier, client] {
      char buffer[64];
      const ssize_t n = read(client, buffer, sizeof buffer);
      if (n > 0 || (n < 0 && (errno == EAGAIN || errno == EINTR))) return;
      notifier->setEnabled(false);
      notifier->deleteLater();
    });
    if (window_) BringToFront(window_);
    LogEvent(kEventRaised);
  }
}

bool BringTaggedWindowToFront(const QString& tagName, int timeoutMs) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  const int fd = ConnectTo(ToUtf8(FromQString(TagSocketPath(tagName))), timeoutMs);
  if (fd < 0) return false;
  bool answered = false;
  if (send(fd, kRaiseRequest, sizeof kRaiseRequest - 1, MSG_NOSIGNAL) == sizeof kRaiseRequest - 1) {
    std::string reply;
    while (reply.find('\n') == std::string::npos) {
      pollfd p{fd, POLLIN, 0};
      if (poll(&p, 1, RemainingMs(deadline)) <= 0) break;
      char buffer[16];
      const ssize_t n = read(fd, buffer, sizeof buffer);
      if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
      if (n <= 0) break;
      reply.append(buffer, static_cast<std::size_t>(n));
    }
    answered = reply.rfind("ok", 0) == 0;
  }
  close(fd);
  return answered;
}

void BringToFront(QWidget* window) {
  if (!window) return;
  if (window->isMinimized()) window->showNormal();
  window->show();
  window->raise();
  window->activateWindow();
}

}  // namespace plat
