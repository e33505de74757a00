#pragma once
// Numbers of the program's built-in pictures and animations. Windows and views ask for
// them by number, as the menu definition files and the status pane name them.

// Bitmaps (LoadBitmapResource).
inline constexpr int IDB_MENU_BACKGROUND = 132;  // menu pane background, placed at the bottom
inline constexpr int IDB_MENU_ON_MOUSE = 133;    // row under the mouse
inline constexpr int IDB_MENU_SELECTED = 134;    // current row
inline constexpr int IDB_MENU_SELECTING = 136;   // row being pressed
inline constexpr int IDB_PRINTER = 144;          // the printer, 48 x 48
inline constexpr int IDB_BATTERY_FULL = 160;
inline constexpr int IDB_BATTERY_TWO_THIRDS = 161;
inline constexpr int IDB_BATTERY_ONE_THIRD = 162;
inline constexpr int IDB_BATTERY_LOW = 163;
inline constexpr int IDB_BATTERY_EMPTY = 164;
inline constexpr int IDB_BATTERY_UNKNOWN = 165;  // crossed out: no battery information
inline constexpr int IDB_BATTERY_EXTERNAL = 166; // mains plug: external power

// Animations (AnimationWidget::Open).
inline constexpr int IDR_AVI_PAPER_FEED = 148;     // the printer feeding paper
inline constexpr int IDR_AVI_DATA_TRANSFER = 149;  // data between the computer and the printer
