#pragma once
// Turns the termination signals (SIGTERM, SIGINT, SIGHUP) into a queued call on the UI
// thread, so the program ends through its normal shutdown (window closed, settings
// written, library terminated) instead of dying where it stands. The signal handler
// only writes one byte into a pipe; a socket notifier on the UI thread reads it and
// emits Requested.
//
// Threads: create, use and destroy on the UI thread; one object at a time.
#include <QObject>

class QSocketNotifier;

class TerminationSignal : public QObject {
  Q_OBJECT
 public:
  explicit TerminationSignal(QObject* parent = nullptr);
  // Restores the default handling of the signals.
  ~TerminationSignal() override;
  // False when the pipe or the handlers could not be set up (signals then end the
  // process as usual).
  bool IsActive() const { return notifier_ != nullptr; }

 signals:
  void Requested(int signalNumber);

 private:
  void OnReadable();
  QSocketNotifier* notifier_ = nullptr;
};
