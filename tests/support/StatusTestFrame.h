#pragma once
// A main frame for tests of the status pane: it holds a CUtilStatusView, relays the
// status messages to it as the program's main frame does (UM_UPDATE_PRINTER_INFO
// posted, UM_GET_PRINTER_STATUS .. UM_STOP_STATUS_MONITOR sent), creates and runs the
// progress dialog of communication jobs, logs every progress position that reaches a
// dialog, and counts close requests. Also: the automation event log of the test process
// read back.
#include <QApplication>
#include <QElapsedTimer>
#include <QWidget>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "comm/CCommStateDlg.h"
#include "platform/ui/EventLog.h"
#include "platform/ui/Messages.h"
#include "status/CUtilStatusView.h"
#include "tests/support/TestEnv.h"
#include "views/Messages.h"

namespace statustest {

class StatusTestFrame : public QWidget {
 public:
  StatusTestFrame() {
    resize(796, 523);
    view = new CUtilStatusView(this);
    for (const unsigned message : {UM_UPDATE_PRINTER_INFO, UM_GET_PRINTER_STATUS, UM_READ_PRINTER_SETTINGS,
                                   UM_STOP_STATUS_MONITOR}) {
      plat::SetMessageHandler(this, message, [this, message](plat::WPARAM w, plat::LPARAM l) {
        if (message == UM_UPDATE_PRINTER_INFO) {
          plat::PostMessage(plat::WindowHandle(view), message, w, l);
          return plat::LRESULT{0};
        }
        return plat::SendMessage(plat::WindowHandle(view), message, w, l);
      });
    }
    plat::SetMessageHandler(this, plat::WM_CLOSE, [this](plat::WPARAM, plat::LPARAM) {
      ++closeRequests;
      return plat::LRESULT{0};
    });
    plat::SetMessageHandler(this, UM_CREATE_PROGRESS, [this](plat::WPARAM wParam, plat::LPARAM) {
      const plat::HWND dialog = CreateProgressDialog(this, reinterpret_cast<plat::HWND>(wParam), u"");
      if (CCommStateDlg* dlg = CurrentProgressDialog(this)) {
        plat::SetMessageHandler(dlg, UM_PROGRESS_POSITION, [this, dlg](plat::WPARAM w, plat::LPARAM) {
          const int position = static_cast<int>(static_cast<std::intptr_t>(w));
          const plat::LRESULT r = dlg->OnSetPosition(position);
          if (r == kProgressPositionAccepted) positions.push_back(position);
          return r;
        });
      }
      return reinterpret_cast<plat::LRESULT>(dialog);
    });
    plat::SetMessageHandler(this, UM_RUN_PROGRESS, [this](plat::WPARAM wParam, plat::LPARAM lParam) {
      ++progressRuns;
      return static_cast<plat::LRESULT>(RunProgressDialog(this, reinterpret_cast<const ProgressJobRequest*>(wParam),
                                                          reinterpret_cast<QWidget*>(lParam), {}));
    });
  }

  // Sends a library notification to the view as its callback's post would arrive.
  plat::LRESULT Status(std::int32_t code) {
    return plat::SendMessage(plat::WindowHandle(view), UM_PRINTER_STATUS, static_cast<std::uint32_t>(code),
                             reinterpret_cast<plat::LPARAM>(plat::WindowHandle(view)));
  }
  plat::LRESULT Battery(std::uint16_t code) {
    return plat::SendMessage(plat::WindowHandle(view), UM_BATTERY_STATUS, code,
                             reinterpret_cast<plat::LPARAM>(plat::WindowHandle(view)));
  }

  CUtilStatusView* view = nullptr;
  std::vector<int> positions;
  int progressRuns = 0;
  int closeRequests = 0;
};

// Runs the event loop until the condition holds; false when it did not within 20 s
// (a hang guard, not a timing assertion).
template <typename F>
bool ProcessUntil(F condition) {
  QElapsedTimer timer;
  timer.start();
  while (!condition() && timer.elapsed() < 20000) QApplication::processEvents(QEventLoop::AllEvents, 20);
  return condition();
}

// Points XJ_EVENT_LOG of this process at a fresh file and reads the logged events back.
class EventLogFile {
 public:
  struct Event {
    std::string name;
    std::vector<std::string> fields;
  };
  EventLogFile() : path_(testenv::MakeTempDir("events") + "/events.log") {
    setenv("XJ_EVENT_LOG", path_.c_str(), 1);
  }
  ~EventLogFile() { unsetenv("XJ_EVENT_LOG"); }

  // The events logged so far (fields unescaped).
  std::vector<Event> Events() const {
    std::vector<Event> events;
    std::ifstream in(path_);
    for (std::string line; std::getline(in, line);) {
      std::optional<plat::EventLine> parsed = plat::ParseEventLine(line);
      if (parsed) events.push_back(Event{std::move(parsed->name), std::move(parsed->fields)});
    }
    return events;
  }
  // The first field of every event of that name, in order.
  std::vector<std::string> Values(const std::string& name) const {
    std::vector<std::string> values;
    for (const Event& event : Events())
      if (event.name == name) values.push_back(event.fields.empty() ? std::string() : event.fields[0]);
    return values;
  }

 private:
  std::string path_;
};

}  // namespace statustest
