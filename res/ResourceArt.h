#pragma once
// Vector drawings shared by the bitmaps and the animations. Each function draws into
// the painter's current coordinate system, in the units named below, anti-aliased;
// callers scale and translate the painter to place the drawing. UI thread only (the
// painter may target a QImage on any thread, but the program draws on the UI thread).
class QPainter;

namespace res_art {

// The thermal receipt printer, front view, in a 48 x 48 box. paperLength is how far
// the receipt sticks out of the paper slot (the slot is at y = 17), in the same units;
// paperScroll shifts the printed lines on the receipt upwards (0..1 of one line pitch),
// so an animation can show the paper moving. ledOn lights the status lamp.
void DrawPrinter(QPainter& p, double paperLength, double paperScroll, bool ledOn);

// The receipt alone: length units of paper above the slot line (y = 17), torn edge at
// the top, printed lines shifted upwards by scroll (0..1 of a line pitch).
void DrawReceipt(QPainter& p, double length, double scroll);

// A desktop computer (monitor on a stand) in a 48 x 48 box; screenPhase (0..1) moves a
// soft highlight across the screen.
void DrawComputer(QPainter& p, double screenPhase);

// Battery pictures in a 48 x 48 box. Bars shows `bars` (0..3) green bars; Low one thin
// orange bar; Empty none; CrossedOut a grey battery under a red cross; Mains a smaller,
// charged battery with a mains plug. `bars` is read only for Bars.
enum class BatteryLook { Bars, Low, Empty, CrossedOut, Mains };
void DrawBattery(QPainter& p, BatteryLook look, int bars);

}  // namespace res_art
