#pragma once
// CCommStateDlg: the small window with an animation and a progress bar shown while a
// longer exchange with the printer runs. The main frame creates it hidden and runs it
// modally on behalf of a communication job; the job talks to it only through two
// events (done, progress) and the UM_PROGRESS_POSITION message. The dialog watches the
// two events: each Set queues a look at them on the user-interface thread. The window
// shows itself only once the request's delay has passed, and once shown stays up for at
// least about a second. It ends only through WM_CLOSE: Enter, Escape and the window's
// close button do nothing. UI thread only, except the two events.
#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/ui/Messages.h"

class AnimationWidget;
class QEventLoop;
class QProgressBar;
class QPushButton;
struct ProgressJobRequest;
namespace plat {
class Event;
}

// Results of the position message (UM_PROGRESS_POSITION).
inline constexpr plat::LRESULT kProgressPositionAccepted = 0;
inline constexpr plat::LRESULT kProgressPositionRefused = -1;

class CCommStateDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int IDD = 146;
  static constexpr int IDC_ANIMATE = 1028;
  static constexpr int IDC_PROGRESS = 1029;
  // Template size and control rectangles, in dialog units.
  static constexpr int kWidthDlu = 220;
  static constexpr int kHeightDlu = 72;

  static constexpr int kDelayTimerId = 1;
  // A window that was shown within the current or the previous clock second when the
  // job ends stays up this much longer.
  static constexpr int kMinimumShowMs = 1000;

  // Creates the hidden dialog owned by owner (centred on it when shown).
  explicit CCommStateDlg(QWidget* owner);
  ~CCommStateDlg() override;

  // Takes a request: the done handle (signalled when the job has ended), the progress
  // event, the animation to play (148 or 149) and the delay before showing. The events
  // must outlive the dialog or its end, whichever comes first.
  void SetRequest(plat::Event* doneHandle, plat::Event* progressEvent, int animationId, int delayMs);

  // Runs the modal loop until the dialog ends (WM_CLOSE); returns the end code.
  int RunModalLoop();
  bool IsRunning() const { return loop_ != nullptr; }

  // Message handlers (also reachable as UM_PROGRESS_START, UM_PROGRESS_POSITION,
  // WM_TIMER with the timer id, and WM_CLOSE). OnStartTimers starts the delay timer and
  // the watching of the two events.
  void OnStartTimers();
  plat::LRESULT OnSetPosition(int position);
  void OnTimer(int timerId);
  void OnClose();

  // Looks at the job's events (queued by their Set): a signalled progress event moves
  // the bar to the last position and is reset; otherwise a signalled done handle ends
  // the dialog (after the one-second hold of a window just shown). When both are
  // signalled, the bar moves now and the dialog ends at the next look.
  void OnJobEvent();

  int Position() const { return position_; }
  int AnimationId() const { return animationId_; }
  // Seconds since the epoch when the window was shown, 0 while not shown.
  std::int64_t ShownTime() const { return shownTime_; }
  bool HasEnded() const { return ended_; }
  AnimationWidget* Animation() const { return animation_; }
  QProgressBar* ProgressBar() const { return progress_; }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void ShowDelayed();
  void WatchJobEvents(bool watch);
  void QueueJobEventCheck();
  void EndDialog(int code);

  AnimationWidget* animation_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;

  int delayMs_ = 0;
  plat::Event* doneHandle_ = nullptr;
  plat::Event* progressEvent_ = nullptr;
  int animationId_ = 0;
  int position_ = 0;
  std::int64_t shownTime_ = 0;

  QTimer delayTimer_;
  QTimer holdTimer_;
  QElapsedTimer held_;  // runs from the start of the hold
  QEventLoop* loop_ = nullptr;
  bool ended_ = false;
  bool closing_ = false;
  bool watching_ = false;
  bool doneSeen_ = false;
  int endCode_ = 0;
};

// ---- the main frame's side ------------------------------------------------------------

inline constexpr std::u16string_view kProgressDialogDefaultTitle = u"Communicating with the printer";
// Results of RunProgressDialog (the frame answers UM_RUN_PROGRESS with their values).
enum class ProgressRunResult : int {
  kProgressRunOk = 0,
  kProgressRunNoDialog = -1,
  kProgressRunBadRequest = -3,
};
using enum ProgressRunResult;

// What the frame does around a modal run: before, unregister the status and battery
// callbacks; after, initialise the communication library again and register them
// again. Either may be empty.
struct ProgressDialogHooks {
  std::function<void()> before;
  std::function<void()> after;
};

// UM_CREATE_PROGRESS: creates the frame's progress dialog, hidden, owned by the window
// of owner (the frame when owner is 0 or dead), titled title or, when it is empty,
// "Communicating with the printer". A dialog left over from an earlier request is
// deleted first; while one is still running, none is created. Returns the dialog's
// handle, or 0. UI thread.
plat::HWND CreateProgressDialog(QWidget* frame, plat::HWND owner, const std::u16string& title);

// The frame's current progress dialog, or null. UI thread.
CCommStateDlg* CurrentProgressDialog(QWidget* frame);

// UM_RUN_PROGRESS: runs the frame's progress dialog for the request: disables
// windowToDisable (the frame when null) if it is enabled, runs hooks.before, hands the
// request to the dialog (animation 149 for kind 2, else 148), starts its timers,
// enables it and runs it modally under the wait cursor, deletes it, runs hooks.after
// and enables the window again if it was enabled. Returns kProgressRunOk,
// kProgressRunNoDialog without a dialog, kProgressRunBadRequest for a request without
// a done handle or progress event (nothing is run then). UI thread.
ProgressRunResult RunProgressDialog(QWidget* frame, const ProgressJobRequest* request, QWidget* windowToDisable,
                                    const ProgressDialogHooks& hooks);

// Registers the two handlers on frame: UM_CREATE_PROGRESS (wParam: owner handle) with
// the title title() gives, and UM_RUN_PROGRESS (wParam: request, lParam: window to
// disable) with the hooks. UI thread.
void InstallProgressDialogHandlers(QWidget* frame, std::function<std::u16string()> title,
                                   ProgressDialogHooks hooks);
