#pragma once
// The program's built-in bitmaps, drawn in code. Pictures meant to be shown with a
// transparent background (the printer and the batteries) have a magenta background,
// RGB(255, 0, 255), which picture controls leave transparent; their anti-aliased edges
// are blended against a light window colour so that no pink fringe shows.
#include <QPixmap>

// The bitmap with that number (res/ResourceIds.h), or a null pixmap for an unknown
// number. It is drawn for the device pixel ratio given (its size in view pixels stays
// the same; a ratio of 2 gives twice the pixels each way, so it stays sharp on such a
// screen). UI thread (needs a QGuiApplication).
QPixmap LoadBitmapResource(int id, qreal devicePixelRatio = 1.0);

// Size of the menu pane's state bitmaps and of its background bitmap.
inline constexpr int kMenuItemBitmapWidth = 200;
inline constexpr int kMenuItemBitmapHeight = 30;
inline constexpr int kMenuBackgroundHeight = 160;
// Size of the printer and battery pictures.
inline constexpr int kPictureSize = 48;
// The colour picture controls leave transparent.
inline constexpr unsigned kTransparentKeyRgb = 0xFF00FF;
