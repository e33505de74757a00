#pragma once
// Finding the running copy of the program. The window that carries the tag (the main
// frame, or the printer selection dialog before it) listens on a local socket named
// after the tag in the runtime folder; a second start connects to it, which raises the
// tagged window, and then ends.
#include <QObject>
#include <QPointer>
#include <QString>
#include <string>

class QWidget;

namespace plat {

// Tags a window for the lifetime of this object (or of the window, whichever ends
// first). A stale socket left by a crashed copy is replaced. UI thread.
class WindowTag : public QObject {
  Q_OBJECT
 public:
  WindowTag(QWidget* window, const QString& tagName);
  ~WindowTag() override;
  bool IsListening() const;

 private:
  void OnConnection();
  QPointer<QWidget> window_;
  std::string path_;   // the socket's path while this tag listens there
  int listenFd_ = -1;
};

// Full path of the local socket of a tag, in the runtime folder.
QString TagSocketPath(const QString& tagName);

// Asks the copy whose window carries the tag to come to the front. True when a
// running copy answered. Any thread.
bool BringTaggedWindowToFront(const QString& tagName, int timeoutMs = 2000);

// Brings a window of this process to the front (shows, raises, activates). UI thread.
void BringToFront(QWidget* window);

}  // namespace plat
