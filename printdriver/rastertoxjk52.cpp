// The print server's filter of the XJ-K52II receipt queues: reads the job's raster pages
// and writes the printer's commands to standard output, for the backend to send.
//
//   rastertoxjk52 job-id user title copies options [file]
//
// Copies are made by the filters before this one (the driver description asks for that).
// The job's options come from the driver description's defaults (PPD) and the options
// argument. While the job is converted the printer's port lock is held, so the utility
// reports the printer in use; when the utility has the printer open, the job waits.
// SIGTERM (a cancelled job) ends the job after the band being sent.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "printdriver/QueueDeviceLock.h"
#include "printdriver/ReceiptRaster.h"

namespace {

std::atomic<bool> g_cancel{false};

void OnTerminate(int) { g_cancel.store(true); }

std::string ReadFile(const char* path) {
  if (path == nullptr) return {};
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool WriteAll(const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(STDOUT_FILENO, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 6 || argc > 7) {
    std::fprintf(stderr, "Usage: %s job-id user title copies options [file]\n", argv[0]);
    return 1;
  }
  struct sigaction action {};
  action.sa_handler = OnTerminate;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  signal(SIGPIPE, SIG_IGN);

  int fd = STDIN_FILENO;
  if (argc == 7 && (fd = ::open(argv[6], O_RDONLY | O_CLOEXEC)) < 0) {
    std::fprintf(stderr, "ERROR: Unable to open the print file %s\n", argv[6]);
    return 1;
  }
  const receipt::JobOptions options = receipt::ReadJobOptions(ReadFile(std::getenv("PPD")), argv[5]);

  receipt::QueueDeviceLock lock;
  if (const char* uri = std::getenv("DEVICE_URI")) {
    const auto taken = lock.Acquire(uri, g_cancel, [] {
      std::fputs("INFO: Waiting for the printer: another program is using it\n", stderr);
      std::fflush(stderr);
    });
    if (taken == receipt::QueueDeviceLock::Result::Cancelled) return 0;
    if (taken == receipt::QueueDeviceLock::Result::Unavailable)
      std::fputs("DEBUG: The printer's port lock cannot be taken; printing without it\n", stderr);
  }

  cups_raster_t* raster = cupsRasterOpen(fd, CUPS_RASTER_READ);
  if (raster == nullptr) {
    std::fputs("ERROR: The print data is not a raster stream\n", stderr);
    return 1;
  }
  const receipt::JobReport report = receipt::ConvertRaster(raster, options, &WriteAll, g_cancel);
  cupsRasterClose(raster);
  if (fd != STDIN_FILENO) ::close(fd);

  std::fprintf(stderr, "DEBUG: %d page(s) read, %d without print\n", report.pages, report.blankPages);
  if (report.failed) {
    std::fprintf(stderr, "ERROR: %s\n", report.error.c_str());
    return 1;
  }
  if (report.cancelled) std::fputs("INFO: Job cancelled\n", stderr);
  else if (report.pages == 0) std::fputs("ERROR: The job has no pages\n", stderr);
  return report.pages == 0 && !report.cancelled ? 1 : 0;
}
