#include "platform/ui/Messages.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QWidget>
#include <atomic>
#include <mutex>
#include <unordered_map>

namespace plat {
namespace {

// Lives as a child of its widget, so it dies with it; unregisters the handle then.
class WindowRecord : public QObject {
 public:
  WindowRecord(QWidget* window, HWND handle) : QObject(window), window_(window), handle_(handle) {}
  ~WindowRecord() override;

  QWidget* window_;
  HWND handle_;
  std::unordered_map<unsigned, MessageHandler> handlers_;
};

struct Registry {
  std::mutex mutex;
  std::unordered_map<HWND, WindowRecord*> records;  // touched under mutex; dereferenced on UI thread only
  std::atomic<std::uintptr_t> next{0x10000};
};

Registry& TheRegistry() {
  static Registry* registry = new Registry;  // never destroyed: handles may be asked after exit
  return *registry;
}

WindowRecord::~WindowRecord() {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.records.erase(handle_);
}

const char kRecordProperty[] = "xjWindowRecord";

WindowRecord* RecordOf(QWidget* window) {
  return static_cast<WindowRecord*>(window->property(kRecordProperty).value<QObject*>());
}

WindowRecord* FindRecord(HWND handle) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  auto it = r.records.find(handle);
  return it == r.records.end() ? nullptr : it->second;
}

// Runs on the UI thread.
LRESULT Dispatch(HWND handle, unsigned message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* record = FindRecord(handle);
  if (!record) return 0;
  auto it = record->handlers_.find(message);
  if (it != record->handlers_.end()) {
    MessageHandler handler = it->second;  // a copy: the handler may replace itself
    return handler(wParam, lParam);
  }
  if (message == WM_CLOSE) record->window_->close();
  return 0;
}

bool OnUiThread() {
  return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

HWND WindowHandle(QWidget* window) {
  if (!window) return nullptr;
  if (WindowRecord* record = RecordOf(window)) return record->handle_;
  Registry& r = TheRegistry();
  HWND handle = reinterpret_cast<HWND>(r.next.fetch_add(0x10));
  auto* record = new WindowRecord(window, handle);
  window->setProperty(kRecordProperty, QVariant::fromValue<QObject*>(record));
  std::lock_guard lock(r.mutex);
  r.records[handle] = record;
  return handle;
}

QWidget* WindowFromHandle(HWND window) {
  WindowRecord* record = FindRecord(window);
  return record ? record->window_ : nullptr;
}

bool IsWindow(HWND window) { return window && FindRecord(window) != nullptr; }

void SetMessageHandler(QWidget* window, unsigned message, MessageHandler handler) {
  WindowHandle(window);
  WindowRecord* record = RecordOf(window);
  if (handler)
    record->handlers_[message] = std::move(handler);
  else
    record->handlers_.erase(message);
}

LRESULT SendMessage(HWND window, unsigned message, WPARAM wParam, LPARAM lParam) {
  if (!IsWindow(window)) return 0;
  if (OnUiThread()) return Dispatch(window, message, wParam, lParam);
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) return 0;
  LRESULT result = 0;
  // The application object lives for the whole run; the handle is looked up again on
  // the UI thread, so a window that died meanwhile simply gives 0.
  QMetaObject::invokeMethod(
      app, [&] { result = Dispatch(window, message, wParam, lParam); }, Qt::BlockingQueuedConnection);
  return result;
}

bool PostMessage(HWND window, unsigned message, WPARAM wParam, LPARAM lParam) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || !IsWindow(window)) return false;
  QMetaObject::invokeMethod(
      app, [=] { Dispatch(window, message, wParam, lParam); }, Qt::QueuedConnection);
  return true;
}

}  // namespace plat
