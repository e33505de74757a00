#pragma once
// Modal message boxes. Tests install an interceptor that sees each box and answers it
// instead of showing a window.
#include <functional>
#include <string>
#include <string_view>

class QWidget;

namespace plat {

// Icons and buttons, with the values of the original message box types.
inline constexpr unsigned MB_OK = 0x0000;
inline constexpr unsigned MB_YESNOCANCEL = 0x0003;
inline constexpr unsigned MB_YESNO = 0x0004;
inline constexpr unsigned MB_ICONQUESTION = 0x0020;
inline constexpr unsigned MB_ICONWARNING = 0x0030;
inline constexpr unsigned MB_ICONINFORMATION = 0x0040;
// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

struct MessageBoxRequest {
  QWidget* owner;
  std::u16string text;
  std::u16string caption;
  unsigned type;
};

// Shows a modal box (UI thread; owner may be null) and returns the answer. With an
// interceptor installed, the interceptor answers instead.
int ShowMessageBox(QWidget* owner, std::u16string_view text, std::u16string_view caption, unsigned type);

using MessageBoxInterceptor = std::function<int(const MessageBoxRequest&)>;
// Installs (or, with an empty function, removes) the interceptor; returns the previous one.
MessageBoxInterceptor SetMessageBoxInterceptor(MessageBoxInterceptor interceptor);

}  // namespace plat
