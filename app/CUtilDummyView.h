#pragma once
// CUtilDummyView: the content pane of the main window, on the right of the menu. The
// setting pages of the plug-ins are its children. After its own sizing it tells every
// descendant window its new size with WM_SIZE (size type, width, height), so a page
// follows the pane.
//
// Threads: UI thread only.
#include <QWidget>
#include <cstdint>

#include "platform/ui/Messages.h"

// WM_SIZE size type of a window that was resized normally.
inline constexpr plat::WPARAM SIZE_RESTORED = 0;

// The lParam of WM_SIZE: width in the low 16 bits, height in the high 16 bits.
inline constexpr plat::LPARAM MakeSizeLParam(int width, int height) {
  return static_cast<plat::LPARAM>((static_cast<std::uint32_t>(width) & 0xFFFFu) |
                                   ((static_cast<std::uint32_t>(height) & 0xFFFFu) << 16));
}

class CUtilDummyView : public QWidget {
  Q_OBJECT
 public:
  // The empty child form the pane is made from: template 101, 366 × 259 dialog units.
  static constexpr int IDD = 101;
  static constexpr int kWidthDlu = 366;
  static constexpr int kHeightDlu = 259;

  explicit CUtilDummyView(QWidget* parent = nullptr);
  ~CUtilDummyView() override;

  // Sends WM_SIZE (sizeType, width, height) to every descendant window. UI thread.
  void NotifyDescendantsOfSize(plat::WPARAM sizeType, int width, int height);

 protected:
  void resizeEvent(QResizeEvent* event) override;
};
