#pragma once
// CStaticItem: a static text control with a bold font and a background colour of its
// own. The owner sets the colour; the brush painted with is made from it at the first
// colour request and kept for the control's life, so a later change of the colour
// does not change what is painted. UI thread only.
#include <QBrush>
#include <QFont>
#include <QLabel>
#include <cstdint>
#include <optional>

// A colour as 0x00BBGGRR.
using COLORREF = std::uint32_t;
constexpr COLORREF RgbColor(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline QColor ColorFromColorRef(COLORREF c) { return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

// Kinds of control-colour request; a static control asks with CTLCOLOR_STATIC.
inline constexpr int CTLCOLOR_EDIT = 1;
inline constexpr int CTLCOLOR_STATIC = 6;

inline constexpr COLORREF kStaticItemDefaultColor = RgbColor(240, 240, 240);  // 0x00F0F0F0
inline constexpr int kBoldWeight = 700;

class CStaticItem : public QLabel {
  Q_OBJECT
 public:
  explicit CStaticItem(QWidget* parent = nullptr);
  ~CStaticItem() override;

  // Copies the parent window's font with the weight 700 and gives it to the control,
  // replacing a font it held before, and redraws. Nothing happens without a parent.
  void MakeBold();

  // The colour the brush is made from at the first colour request.
  void SetBackgroundColor(COLORREF color) { color_ = color; }
  COLORREF BackgroundColor() const { return color_; }

  // The colour request: makes the brush from the background colour when there is none
  // yet; for a static control (CTLCOLOR_STATIC) returns the brush, and the text is then
  // drawn with a transparent background; for any other kind returns null.
  const QBrush* OnCtlColor(int ctlColorKind);
  bool HasBrush() const { return brush_.has_value(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::optional<QFont> boldFont_;
  std::optional<QBrush> brush_;
  COLORREF color_ = kStaticItemDefaultColor;
};
