#include "cli/StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>

namespace {

volatile sig_atomic_t gStopSignal = 0;
volatile sig_atomic_t gWakeWrite = -1;
int gWakeRead = -1;

void OnStopSignal(int signal) {
  const int saved = errno;
  if (gStopSignal == 0) gStopSignal = signal;
  if (gWakeWrite >= 0) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(gWakeWrite, &byte, 1);
  }
  errno = saved;
}

}  // namespace

void InstallStopHandlers() {
  if (gWakeRead < 0) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) == 0) {
      gWakeRead = fds[0];
      gWakeWrite = fds[1];
    }
  }
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

int StopSignal() { return gStopSignal; }

int StopWakeDescriptor() { return gWakeRead; }

void DetachStopWake() { gWakeWrite = -1; }

void ResetStopSignal() {
  gStopSignal = 0;
  if (gWakeRead >= 0) {
    char buffer[64];
    while (read(gWakeRead, buffer, sizeof buffer) > 0) {
    }
  }
}
