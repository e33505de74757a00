#pragma once
// The simulator's control language: one command per line, one reply line each, "ok"
// (optionally followed by text) or "error: <reason>". It sets the printer's condition
// (cover, paper, errors, battery ...), the link behaviour (slow, garbage, silent),
// drops the connection, resets the printer to its factory settings, defers a command
// until a number of reply bytes has left (after), reports the whole state, and ends the
// simulator.
//
// Only the simulator's event-loop thread uses it.
#include <string>
#include <vector>

#include "sim/HostChannel.h"
#include "sim/PrinterModel.h"

namespace sim {

class ControlCommands {
 public:
  // What the commands need from the server around them.
  class Actions {
   public:
    virtual ~Actions() = default;
    // The condition changed: send automatic status where it is enabled.
    virtual void ConditionChanged() = 0;
    // Closes the current connection (the pseudo-terminal is flushed); returns a short
    // description of what was dropped.
    virtual std::string DropConnection() = 0;
    // The non-volatile settings changed and should be saved.
    virtual void SettingsChanged() = 0;
    // Extra "key=value" words about endpoints and connections for the status line.
    virtual std::string LinkStatus() const = 0;
  };

  struct Result {
    std::string reply;  // one line, without newline
    bool quit = false;
  };

  static constexpr int kMaxSlowMs = 600000;
  static constexpr int kMaxAfterBytes = 100000000;

  ControlCommands(PrinterModel& model, LinkBehaviour& link, Actions& actions);

  // Carries out one command line (surrounding blanks and a trailing CR are ignored).
  Result Execute(const std::string& line);
  // The status reply: "ok key=value ...".
  std::string StatusLine() const;

 private:
  // `after N COMMAND` and `after off`.
  Result After(const std::vector<std::string>& words);

  PrinterModel& model_;
  LinkBehaviour& link_;
  Actions& actions_;
};

}  // namespace sim
