#pragma once
// Numbered window messages between the program's windows, its worker threads and the
// plug-ins. A window that handles numbered messages registers a handler per number;
// SendMessage runs it synchronously (from a worker thread it blocks until the UI thread
// has run it), PostMessage queues it, IsWindow tells whether a handle still lives.
// A window handle is an opaque pointer-sized value; it is never reused within a process.
#include <cstdint>
#include <functional>

class QWidget;

namespace plat {

struct HWND__;
using HWND = HWND__*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

inline constexpr unsigned WM_CREATE = 0x0001;
inline constexpr unsigned WM_SIZE = 0x0005;
inline constexpr unsigned WM_CLOSE = 0x0010;
inline constexpr unsigned WM_ERASEBKGND = 0x0014;
inline constexpr unsigned WM_TIMER = 0x0113;
inline constexpr unsigned WM_SYSCOMMAND = 0x0112;
inline constexpr unsigned WM_SIZING = 0x0214;
inline constexpr unsigned WM_USER = 0x0400;

using MessageHandler = std::function<LRESULT(WPARAM, LPARAM)>;

// The handle of a window, created on first use; it dies with the widget. UI thread.
HWND WindowHandle(QWidget* window);

// The widget of a live handle, or null. UI thread.
QWidget* WindowFromHandle(HWND window);

// True while the window of the handle exists. Any thread.
bool IsWindow(HWND window);

// Sets (or, with an empty handler, removes) the handler of one message number of a
// window. UI thread.
void SetMessageHandler(QWidget* window, unsigned message, MessageHandler handler);

// Runs the window's handler for the message and returns its result. From the UI thread
// the handler runs at once; from another thread the call blocks until the UI thread has
// run it. A window without a handler for the number gives 0, except WM_CLOSE, which
// closes the window. A dead handle gives 0. Requires a running QApplication.
LRESULT SendMessage(HWND window, unsigned message, WPARAM wParam, LPARAM lParam);

// Queues the message for the UI thread and returns at once; false when the handle is
// dead. The message is dropped if the window dies before it is handled. Any thread.
bool PostMessage(HWND window, unsigned message, WPARAM wParam, LPARAM lParam);

}  // namespace plat
