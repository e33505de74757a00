#pragma once
// CUtilMenuView: the left pane of the main window, the list of setting pages. This is
// its first shape: it holds the rows handed to it and the current index, answers the
// main frame's close query and reports the size its list needs, and draws an empty
// list. Reading the menu definition file and hosting the plug-ins come with the menu
// reader and the plug-in host.
//
// Threads: UI thread only.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sdk/FormViewDll.h"

// ChangeMenuState result of a row without a loaded plug-in (nothing was asked).
inline constexpr std::int32_t kMenuNoPlugin = -1;
inline constexpr std::int32_t kMenuLeaveAllowed = kPluginOk;

// One row of the menu as the frame and the status view see it: its text, whether it
// can become the current page, and its plug-in's state-change entry (empty when the
// row has no loaded plug-in).
struct MenuRow {
  std::u16string text;
  bool selectable = true;
  std::function<std::int32_t(std::int32_t)> changeMenuState;
};

class CUtilMenuView : public QWidget {
  Q_OBJECT
 public:
  // Width of the empty list's single column, in pixels.
  static constexpr int kListColumnWidth = 180;
  // Height of one row, in pixels.
  static constexpr int kRowHeight = 24;

  explicit CUtilMenuView(QWidget* parent = nullptr);
  ~CUtilMenuView() override;

  // The current row, -1 when none.
  int CurrentIndex() const { return currentIndex_; }
  std::size_t ItemCount() const { return rows_.size(); }
  const MenuRow* Item(int index) const;

  // True when the row exists and its plug-in is loaded.
  bool IsPluginLoaded(int index) const;
  // Calls the row's plug-in state-change entry with state and returns its result;
  // kMenuNoPlugin when the row does not exist or has no loaded plug-in.
  std::int32_t ChangeMenuState(int index, std::int32_t state);

  // Appends a row (the menu reader fills the list with these).
  void AppendRow(MenuRow row);
  // Makes a selectable row current; -1 clears. False (nothing changed) for a row that
  // does not exist or is not selectable.
  bool SetCurrentIndex(int index);

  // Width (low 16 bits) and height (high 16 bits) the list needs to show every row, as
  // the list control's approximate view rectangle reports it. Never 0 in either half:
  // an empty list still needs its column and one row.
  std::uint32_t ApproximateViewRect() const;

  // The frame's receiver of the list size (width, height); called by OnInitialUpdate.
  void SetListSizeReceiver(std::function<void(int, int)> receiver) { sizeReceiver_ = std::move(receiver); }
  // First update after the frame was created: fills the list and hands its size to the
  // frame, which lays out its panes.
  void OnInitialUpdate();

 private:
  std::vector<MenuRow> rows_;
  int currentIndex_ = -1;
  std::function<void(int, int)> sizeReceiver_;
};
