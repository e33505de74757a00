#include "cli/PrinterRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>

#include "cli/StopSignals.h"

namespace {

struct Worker {
  std::size_t index = 0;  // of its target
  pid_t pid = -1;
  int fd = -1;            // read end of its pipe
  std::string received;
};

void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

// Runs the job in a new process; nothing when the process could not be made.
std::optional<Worker> StartWorker(std::size_t index, const PortTarget& target, const PrinterJob& job) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return std::nullopt;
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = fork();
  if (pid < 0) {
    close(fds[0]);
    close(fds[1]);
    return std::nullopt;
  }
  if (pid == 0) {
    DetachStopWake();
    close(fds[0]);
    PrinterReport report = job(target);
    report.port = target.name;
    WriteAll(fds[1], EncodeReport(report));
    close(fds[1]);
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(0);
  }
  close(fds[1]);
  return Worker{index, pid, fds[0], {}};
}

PrinterReport WorkerFailed(const PortTarget& target, int status) {
  PrinterReport report;
  report.port = target.name;
  std::string how = "without its result";
  if (WIFSIGNALED(status)) how = "by signal " + std::to_string(WTERMSIG(status));
  report.Outcome("worker-failed", "The process that served this printer ended " + how + ".");
  return report;
}

PrinterReport NotStarted(const PortTarget& target) {
  PrinterReport report;
  report.port = target.name;
  report.Outcome("not-started", "Interrupted before this printer was served: nothing was sent to it.");
  return report;
}

PrinterReport CannotStart(const PortTarget& target) {
  PrinterReport report;
  report.port = target.name;
  report.Outcome("worker-failed", "No process could be started to serve this printer.");
  return report;
}

}  // namespace

std::vector<PrinterReport> RunPrinterJobs(const std::vector<PortTarget>& targets, int jobs, const PrinterJob& job,
                                          const std::function<void(std::size_t, const PrinterReport&)>& onDone) {
  std::vector<std::optional<PrinterReport>> reports(targets.size());
  auto finish = [&](std::size_t index, PrinterReport report) {
    if (onDone) onDone(index, report);
    reports[index] = std::move(report);
  };
  std::vector<Worker> running;
  std::size_t next = 0;
  bool forwarded = false;
  const std::size_t limit = static_cast<std::size_t>(std::max(jobs, 1));

  while (next < targets.size() || !running.empty()) {
    while (!StopRequested() && running.size() < limit && next < targets.size()) {
      const std::size_t index = next++;
      if (std::optional<Worker> worker = StartWorker(index, targets[index], job)) {
        running.push_back(std::move(*worker));
      } else {
        finish(index, CannotStart(targets[index]));
      }
    }
    if (StopRequested()) {
      if (!forwarded) {
        for (const Worker& worker : running) kill(worker.pid, StopSignal());
        forwarded = true;
      }
      while (next < targets.size()) {
        const std::size_t index = next++;
        finish(index, NotStarted(targets[index]));
      }
    }
    if (running.empty()) continue;

    std::vector<pollfd> fds;
    for (const Worker& worker : running) fds.push_back({worker.fd, POLLIN, 0});
    const int wake = StopWakeDescriptor();
    if (wake >= 0) fds.push_back({wake, POLLIN, 0});
    if (poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      // Without poll the workers are read one after the other: a read waits for data or
      // the end of its pipe.
      for (pollfd& fd : fds) fd.revents = POLLIN;
    }
    if (wake >= 0 && (fds.back().revents & POLLIN) != 0) {
      char buffer[64];
      while (read(wake, buffer, sizeof buffer) > 0) {
      }
    }

    for (std::size_t i = running.size(); i-- > 0;) {
      if ((fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0) continue;
      Worker& worker = running[i];
      char buffer[4096];
      const ssize_t n = read(worker.fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n > 0) {
        worker.received.append(buffer, static_cast<std::size_t>(n));
        continue;
      }
      // End of the pipe: the worker is done.
      close(worker.fd);
      int status = 0;
      while (waitpid(worker.pid, &status, 0) < 0 && errno == EINTR) {
      }
      const PortTarget& target = targets[worker.index];
      std::optional<PrinterReport> report = DecodeReport(worker.received);
      if (report && report->port == target.name) {
        finish(worker.index, std::move(*report));
      } else {
        finish(worker.index, WorkerFailed(target, status));
      }
      running.erase(running.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }

  std::vector<PrinterReport> ordered;
  for (std::size_t i = 0; i < targets.size(); ++i) {
    ordered.push_back(reports[i] ? std::move(*reports[i]) : WorkerFailed(targets[i], 0));
  }
  return ordered;
}
