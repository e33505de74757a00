#pragma once
// CPrinterControlView: the Printer Control page. Buttons print a test page, feed the
// paper and cut it, and set every setting back to its factory value (after a Yes/No
// question), each as a communication job behind the progress dialog with the buttons
// disabled meanwhile. While the page is shown it asks the printer for its real-time
// status every second and shows the four groups bit by bit with the battery.
//
// The status poll runs on a thread of its own, only while it can take the application's
// communication lock at once (so it never runs beside a job, and a job never waits long
// for it), and leaves the status pane's own following of the printer alone: it only
// asks the printer over the shared connection.
//
// UI thread, except the poll's thread.
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <array>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "plugins/prnctrl/PrinterControl.h"
#include "views/CSingleFormView.h"

class CPrinterControlView : public CSingleFormView {
  Q_OBJECT
 public:
  // Control ids.
  static constexpr int kTestPrintButtonId = 1100;
  static constexpr int kFeedButtonId = 1101;
  static constexpr int kFeedLinesId = 1102;
  static constexpr int kCutButtonId = 1103;
  static constexpr int kRestoreButtonId = 1104;
  // The value of bit b of group g (0..3) is control kFirstBitValueId + 8 g + b; the
  // group's byte in hexadecimal kFirstGroupByteId + g.
  static constexpr int kFirstBitValueId = 1200;
  static constexpr int kFirstGroupByteId = 1240;
  static constexpr int kPowerSourceId = 1250;
  static constexpr int kBatteryLevelId = 1251;
  static constexpr int kStatusNoteId = 1252;
  // How often the status is asked while the page is shown.
  static constexpr int kPollIntervalMs = 1000;
  static constexpr int kDefaultFeedLines = 3;

  explicit CPrinterControlView(QWidget* parent = nullptr);
  // Waits for a running status poll.
  ~CPrinterControlView() override;

  void OnInitialUpdate() override;

  // The operations of the buttons; true when the printer did all of it. A failure is
  // told in a message box.
  bool TestPrint();
  bool Feed();
  bool Cut();
  // Asks first; false also when the user answered No.
  bool RestoreFactorySettings();

  // Asks the printer for its status now (on the poll's thread) unless a poll or a job
  // is running.
  void PollNow();
  bool Polling() const { return pollTimer_.isActive(); }
  // The snapshot shown last (outcome kNoAnswer before any).
  const prnctrl::PrinterSnapshot& Shown() const { return shown_; }

 protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  std::u16string Str(int id, std::u16string_view fallback) const;
  std::u16string Msg(int id, std::u16string_view fallback) const;
  void BuildControls();
  QWidget* BuildStatusGroup(std::size_t group);
  bool IsFileMode() const;
  bool HasCutter() const;
  void SetBusy(bool busy);
  void WaitForPoll();
  void ShowSnapshot(const prnctrl::PrinterSnapshot& snapshot);
  // Runs work as a job with the buttons disabled and the poll paused; false (after the
  // "cannot communicate" message) when the job could not run.
  bool RunOperation(const std::function<void(IXJComm*)>& work);
  void TellNoAnswer();
  std::u16string SettingName(const SettingDef& setting) const;

  CLangResTable texts_;
  CLangResTable commonTexts_;                 // "PLUGIN_COMMON"
  std::vector<std::unique_ptr<CLangResTable>> settingTexts_;  // the language keys of settingPages_
  const std::vector<PageDef> settingPages_;

  std::vector<QPushButton*> buttons_;
  QPushButton* testPrint_ = nullptr;
  QPushButton* feed_ = nullptr;
  QSpinBox* feedLines_ = nullptr;
  QPushButton* cut_ = nullptr;
  QPushButton* restore_ = nullptr;
  std::array<std::array<QLabel*, prnctrl::kStatusBits>, prnctrl::kStatusGroups> bitValues_{};
  std::array<std::array<QLabel*, prnctrl::kStatusBits>, prnctrl::kStatusGroups> bitMeanings_{};
  std::array<QLabel*, prnctrl::kStatusGroups> groupBytes_{};
  QLabel* powerSource_ = nullptr;
  QLabel* batteryLevel_ = nullptr;
  QLabel* statusNote_ = nullptr;

  QTimer pollTimer_;
  std::thread pollThread_;
  std::atomic<bool> pollRunning_{false};
  bool busy_ = false;
  bool polled_ = false;  // a poll's answer arrived
  prnctrl::PrinterSnapshot shown_;
};
