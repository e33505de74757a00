#include "comm/CCommStateDlg.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <ctime>

#include "platform/Sync.h"
#include "platform/Text.h"
#include "platform/ui/Controls.h"
#include "platform/ui/DialogUnits.h"
#include "platform/ui/EventLog.h"
#include "platform/ui/WaitCursor.h"
#include "res/AnimationWidget.h"
#include "res/ResourceIds.h"
#include "views/Messages.h"

namespace {
constexpr int IDOK_BUTTON = 1;
constexpr int IDCANCEL_BUTTON = 2;
constexpr int kProgressMin = 0;
constexpr int kProgressMax = 100;
// A window shown within this many clock seconds before the job's end is held up.
constexpr std::int64_t kHoldWithinSeconds = 2;

// The frame's progress dialog slot: a child object of the frame, so the frame deletes a
// dialog left over when it is destroyed.
const QString kSlotName = QStringLiteral("xjProgressDialogSlot");

class ProgressDialogSlot : public QObject {
 public:
  explicit ProgressDialogSlot(QWidget* frame) : QObject(frame) { setObjectName(kSlotName); }
  ~ProgressDialogSlot() override { delete dialog.data(); }
  QPointer<CCommStateDlg> dialog;
};

ProgressDialogSlot* SlotOf(QWidget* frame, bool create) {
  if (!frame) return nullptr;
  auto* slot = dynamic_cast<ProgressDialogSlot*>(frame->findChild<QObject*>(kSlotName, Qt::FindDirectChildrenOnly));
  if (!slot && create) slot = new ProgressDialogSlot(frame);
  return slot;
}
}  // namespace

CCommStateDlg::CCommStateDlg(QWidget* owner) : QDialog(owner) {
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowModality(Qt::ApplicationModal);
  const plat::DialogBaseUnits units = plat::BaseUnitsOf(font());
  setFixedSize(plat::DluSize(units, kWidthDlu, kHeightDlu));

  animation_ = new AnimationWidget(this);
  animation_->setGeometry(plat::DluRect(units, 10, 7, 200, 38));
  plat::SetControlId(animation_, IDC_ANIMATE);

  progress_ = new QProgressBar(this);
  progress_->setGeometry(plat::DluRect(units, 10, 51, 200, 11));
  progress_->setRange(kProgressMin, kProgressMax);
  progress_->setValue(kProgressMin);
  progress_->setTextVisible(false);
  plat::SetControlId(progress_, IDC_PROGRESS);

  // OK and Cancel exist as in every dialog, but the user cannot reach them.
  ok_ = new QPushButton(QStringLiteral("OK"), this);
  ok_->setGeometry(plat::DluRect(units, 56, 51, 50, 14));
  plat::SetControlId(ok_, IDOK_BUTTON);
  cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
  cancel_->setGeometry(plat::DluRect(units, 114, 51, 50, 14));
  plat::SetControlId(cancel_, IDCANCEL_BUTTON);
  plat::ShowControl(ok_, false);
  plat::ShowControl(cancel_, false);

  delayTimer_.setSingleShot(false);
  connect(&delayTimer_, &QTimer::timeout, this, [this] { OnTimer(kDelayTimerId); });
  holdTimer_.setSingleShot(true);
  // A coarse timer may fire a little early; the hold must last the full second.
  holdTimer_.setTimerType(Qt::PreciseTimer);
  connect(&holdTimer_, &QTimer::timeout, this,
          [this] { plat::PostMessage(plat::WindowHandle(this), plat::WM_CLOSE, 0, 0); });

  plat::SetMessageHandler(this, UM_PROGRESS_START, [this](plat::WPARAM, plat::LPARAM) {
    OnStartTimers();
    return plat::LRESULT{0};
  });
  plat::SetMessageHandler(this, UM_PROGRESS_POSITION, [this](plat::WPARAM wParam, plat::LPARAM) {
    return OnSetPosition(static_cast<int>(static_cast<std::intptr_t>(wParam)));
  });
  plat::SetMessageHandler(this, plat::WM_TIMER, [this](plat::WPARAM wParam, plat::LPARAM) {
    OnTimer(static_cast<int>(wParam));
    return plat::LRESULT{0};
  });
  plat::SetMessageHandler(this, plat::WM_CLOSE, [this](plat::WPARAM, plat::LPARAM) {
    OnClose();
    return plat::LRESULT{0};
  });
  hide();
}

CCommStateDlg::~CCommStateDlg() {
  WatchJobEvents(false);
  // A dialog deleted while its loop runs ends the loop first.
  if (loop_) loop_->exit(IDCANCEL_BUTTON);
}

void CCommStateDlg::SetRequest(plat::Event* doneHandle, plat::Event* progressEvent, int animationId, int delayMs) {
  WatchJobEvents(false);
  doneSeen_ = false;
  doneHandle_ = doneHandle;
  progressEvent_ = progressEvent;
  animationId_ = animationId;
  delayMs_ = delayMs < 0 ? 0 : delayMs;
}

int CCommStateDlg::RunModalLoop() {
  if (ended_) return endCode_;
  QEventLoop loop;
  loop_ = &loop;
  const int code = loop.exec(QEventLoop::DialogExec);
  loop_ = nullptr;
  return code;
}

void CCommStateDlg::OnStartTimers() {
  delayTimer_.start(delayMs_);
  WatchJobEvents(true);
  // The job may have reported or ended before the watching began.
  QueueJobEventCheck();
}

void CCommStateDlg::WatchJobEvents(bool watch) {
  if (watch == watching_) return;
  watching_ = watch;
  // The watchers run on the job's thread: they only queue a look on this thread. Once
  // they are removed no watcher runs any more, and a look still queued is dropped with
  // the dialog or finds it ended.
  std::function<void()> notify;
  if (watch) notify = [this] { QueueJobEventCheck(); };
  for (plat::Event* event : {progressEvent_, doneHandle_})
    if (event) event->SetNotify(notify);
}

void CCommStateDlg::QueueJobEventCheck() {
  QMetaObject::invokeMethod(this, &CCommStateDlg::OnJobEvent, Qt::QueuedConnection);
}

plat::LRESULT CCommStateDlg::OnSetPosition(int position) {
  if (position < position_) return kProgressPositionRefused;
  // The bar's range ends at 100; a larger position counts as complete.
  position_ = position > kProgressMax ? kProgressMax : position;
  return kProgressPositionAccepted;
}

void CCommStateDlg::OnTimer(int timerId) {
  if (ended_) return;
  if (timerId == kDelayTimerId) ShowDelayed();
}

void CCommStateDlg::ShowDelayed() {
  delayTimer_.stop();
  if (QWidget* owner = parentWidget()) {
    const QPoint centre = owner->isWindow() ? owner->frameGeometry().center()
                                            : owner->mapToGlobal(owner->rect().center());
    move(centre - QPoint(width() / 2, height() / 2));
  } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
  }
  show();
  plat::LogEvent(plat::kEventProgressShown, {plat::FromQString(windowTitle())});
  shownTime_ = static_cast<std::int64_t>(std::time(nullptr));
  animation_->Close();
  if (animation_->Open(animationId_)) animation_->Play();
}

void CCommStateDlg::OnJobEvent() {
  if (ended_ || doneSeen_) return;
  // The progress event is looked at first: when both are signalled, the bar gets the
  // last position now and the window closes at the next look.
  if (progressEvent_ && progressEvent_->IsSet()) {
    progress_->setValue(position_);
    progressEvent_->Reset();
    if (doneHandle_ && doneHandle_->IsSet()) QueueJobEventCheck();
    return;
  }
  if (!doneHandle_ || !doneHandle_->IsSet()) return;
  doneSeen_ = true;
  WatchJobEvents(false);
  const std::int64_t now = static_cast<std::int64_t>(std::time(nullptr));
  if (shownTime_ != 0 && now - shownTime_ < kHoldWithinSeconds) {
    // Keep the window up a second longer without blocking the user-interface thread;
    // WM_CLOSE follows when the hold ends.
    holdTimer_.start(kMinimumShowMs);
    held_.start();
    return;
  }
  plat::PostMessage(plat::WindowHandle(this), plat::WM_CLOSE, 0, 0);
}

void CCommStateDlg::OnClose() { EndDialog(IDCANCEL_BUTTON); }

void CCommStateDlg::EndDialog(int code) {
  if (ended_) return;
  ended_ = true;
  endCode_ = code;
  WatchJobEvents(false);
  delayTimer_.stop();
  holdTimer_.stop();
  animation_->Close();
  closing_ = true;
  hide();
  closing_ = false;
  const qint64 heldMs = held_.isValid() ? held_.elapsed() : 0;
  plat::LogEvent(plat::kEventProgressClosed, {plat::FromQString(windowTitle()), plat::FormatInt(heldMs)});
  if (loop_) loop_->exit(code);
}

void CCommStateDlg::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      event->accept();  // the user cannot end the dialog
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void CCommStateDlg::closeEvent(QCloseEvent* event) {
  // Only the program ends the dialog (WM_CLOSE): the job is still running otherwise.
  if (!closing_ && !ended_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void CCommStateDlg::reject() {
  // Escape and the window's close button come here; the dialog ends only by WM_CLOSE.
}

// ---- the main frame's side ------------------------------------------------------------

plat::HWND CreateProgressDialog(QWidget* frame, plat::HWND owner, const std::u16string& title) {
  ProgressDialogSlot* slot = SlotOf(frame, true);
  if (!slot) return nullptr;
  if (slot->dialog) {
    if (slot->dialog->IsRunning()) return nullptr;
    delete slot->dialog.data();
  }
  QWidget* ownerWidget = owner ? plat::WindowFromHandle(owner) : nullptr;
  if (!ownerWidget) ownerWidget = frame;
  auto* dialog = new CCommStateDlg(ownerWidget);
  dialog->hide();
  dialog->setWindowTitle(plat::ToQString(title.empty() ? std::u16string(kProgressDialogDefaultTitle) : title));
  slot->dialog = dialog;
  return plat::WindowHandle(dialog);
}

CCommStateDlg* CurrentProgressDialog(QWidget* frame) {
  ProgressDialogSlot* slot = SlotOf(frame, false);
  return slot ? slot->dialog.data() : nullptr;
}

ProgressRunResult RunProgressDialog(QWidget* frame, const ProgressJobRequest* request, QWidget* windowToDisable,
                                    const ProgressDialogHooks& hooks) {
  ProgressDialogSlot* slot = SlotOf(frame, false);
  if (!slot || !slot->dialog) return kProgressRunNoDialog;
  if (!request || !request->doneHandle || !*request->doneHandle || !request->progressEvent ||
      !*request->progressEvent)
    return kProgressRunBadRequest;
  CCommStateDlg* dialog = slot->dialog;

  QPointer<QWidget> disabled = windowToDisable ? windowToDisable : frame;
  const bool wasEnabled = disabled && disabled->isEnabled();
  if (wasEnabled) disabled->setEnabled(false);
  if (hooks.before) hooks.before();

  const int animationId =
      request->animationKind == kProgressAnimationDataTransfer ? IDR_AVI_DATA_TRANSFER : IDR_AVI_PAPER_FEED;
  dialog->SetRequest(*request->doneHandle, *request->progressEvent, animationId, request->delayMs);
  plat::SendMessage(plat::WindowHandle(dialog), UM_PROGRESS_START, 0, 0);
  dialog->setEnabled(true);
  {
    plat::WaitCursor wait;
    dialog->RunModalLoop();
  }
  delete slot->dialog.data();

  if (hooks.after) hooks.after();
  if (wasEnabled && disabled) disabled->setEnabled(true);
  return kProgressRunOk;
}

void InstallProgressDialogHandlers(QWidget* frame, std::function<std::u16string()> title,
                                   ProgressDialogHooks hooks) {
  if (!frame) return;
  plat::SetMessageHandler(frame, UM_CREATE_PROGRESS, [frame, title](plat::WPARAM wParam, plat::LPARAM) {
    const std::u16string caption = title ? title() : std::u16string();
    return reinterpret_cast<plat::LRESULT>(CreateProgressDialog(frame, reinterpret_cast<plat::HWND>(wParam), caption));
  });
  plat::SetMessageHandler(frame, UM_RUN_PROGRESS, [frame, hooks](plat::WPARAM wParam, plat::LPARAM lParam) {
    return static_cast<plat::LRESULT>(RunProgressDialog(frame, reinterpret_cast<const ProgressJobRequest*>(wParam),
                                                        reinterpret_cast<QWidget*>(lParam), hooks));
  });
}
