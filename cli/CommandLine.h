#pragma once
// The command line of xjk52-cli: the command, its arguments and the options, checked
// before anything is done, and the help text with the exit codes.
//
// No Qt here. Pure; any thread.
#include <string>
#include <vector>

// Exit codes (also in the help text and the README).
inline constexpr int kExitOk = 0;              // everything succeeded
inline constexpr int kExitPrinterFailed = 1;   // at least one printer failed
inline constexpr int kExitUsage = 2;           // wrong usage: nothing was sent to any printer
inline constexpr int kExitFileError = 3;       // a file could not be read, was refused or not written
inline constexpr int kExitNoLibrary = 4;       // the communication library could not be loaded
// Interrupted (SIGINT, SIGTERM): 128 + the signal's number (130, 143).
inline constexpr int kExitSignalBase = 128;

inline constexpr int kDefaultJobs = 4;
inline constexpr int kMaxJobs = 64;
// How long a printer may take to come back after its restart.
inline constexpr int kDefaultWaitSeconds = 30;
inline constexpr int kMaxWaitSeconds = 600;

struct CliRequest {
  std::string command;            // list, status, backup, restore, get, set, settings
  std::vector<std::string> args;  // what follows the command, options taken out
  bool json = false;
  bool probe = false;             // list --probe
  int jobs = kDefaultJobs;        // printers served at once
  int waitSeconds = kDefaultWaitSeconds;
  std::string out;                // backup --out FILE
  std::string logo;               // backup --logo FILE
  bool help = false;
  bool version = false;
};

// Reads argv[1..argc-1]. Options may stand before or after the command; "--" ends
// them. False with a message in error for an unknown command or option, a missing or
// bad option value, an option the command does not take, or the wrong number of
// arguments.
bool ParseCommandLine(const std::vector<std::string>& argv, CliRequest& request, std::string& error);

// The text of --help.
std::string HelpText();
