#pragma once
// An IPv4 address field: four parts of 0-255 separated by dots, each typed on its own.
// A part may stay blank; a blank part reads as 0. Typing a dot, or a third digit, moves
// to the next part; a number above 255 is brought down to 255 when the part is left.
// Every change of a part's text emits AddressChanged.
//
// Threads: UI thread only.
#include <QWidget>
#include <array>
#include <cstdint>

class QLineEdit;

class Ipv4AddressEdit : public QWidget {
  Q_OBJECT
 public:
  static constexpr int kPartCount = 4;
  static constexpr int kPartMax = 255;

  explicit Ipv4AddressEdit(QWidget* parent = nullptr);

  // Fills the four parts from address (first part in the most significant byte).
  void SetAddress(std::uint32_t address);
  // Blanks all four parts.
  void ClearAddress();
  // Reads the parts into address (blank parts as 0, parts above 255 as 255) and returns
  // how many parts are filled (0-4).
  int GetAddress(std::uint32_t& address) const;
  // True when no part is filled.
  bool IsBlank() const;

  // The edit of one part (0-3), for focus handling and tests; null outside the range.
  QLineEdit* Part(int index) const;

 signals:
  void AddressChanged();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void OnPartEdited(int index);
  void ClampPart(int index);
  std::array<QLineEdit*, kPartCount> parts_{};
};
