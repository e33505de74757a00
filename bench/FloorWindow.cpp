// floor_window: the least a Qt Widgets program does to show a window of the main
// window's size (796 x 523), the floor of the program's start-up figure. It appends the
// moment its window is shown to the event log named by XJ_EVENT_LOG, in the program's
// own line format ("<pid> TAB <time> TAB main-window-shown"), and ends right after.
// Nothing else: no library of the project, so its time and memory are what the toolkit
// alone costs.
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {

constexpr int kWidth = 796;
constexpr int kHeight = 523;

void LogShown() {
  const char* path = std::getenv("XJ_EVENT_LOG");
  if (path == nullptr || *path == '\0') return;
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  char line[96];
  const int length = std::snprintf(line, sizeof line, "%ld\t%lld.%06ld\tmain-window-shown\n", static_cast<long>(getpid()),
                                   static_cast<long long>(now.tv_sec), now.tv_nsec / 1000);
  const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return;
  [[maybe_unused]] const ssize_t written = write(fd, line, static_cast<std::size_t>(length));
  close(fd);
}

class Window : public QWidget {
 protected:
  void showEvent(QShowEvent* event) override {
    QWidget::showEvent(event);
    LogShown();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
  }
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  Window window;
  window.setWindowTitle(QStringLiteral("floor"));
  window.resize(kWidth, kHeight);
  window.show();
  return QApplication::exec();
}
