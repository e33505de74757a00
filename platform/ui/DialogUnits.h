#pragma once
// Dialog units: sizes of dialog templates are given in units of a quarter of the dialog
// font's average character width and an eighth of its height.
#include <QFont>
#include <QRect>

namespace plat {

struct DialogBaseUnits {
  int cx;  // average character width in pixels
  int cy;  // character height in pixels
};

DialogBaseUnits BaseUnitsOf(const QFont& font);
int DluToPixelsX(const DialogBaseUnits& units, int dlu);
int DluToPixelsY(const DialogBaseUnits& units, int dlu);
QRect DluRect(const DialogBaseUnits& units, int x, int y, int width, int height);
QSize DluSize(const DialogBaseUnits& units, int width, int height);

}  // namespace plat
