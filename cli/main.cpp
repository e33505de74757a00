// xjk52-cli: the XJ-K52II utility's settings from a shell (see --help and README.md).
// It loads the communication library beside itself, like the program, and needs no
// display.
#include <iostream>
#include <string>
#include <vector>

#include "cli/CliCommands.h"
#include "cli/StopSignals.h"

int main(int argc, char** argv) {
  InstallStopHandlers();
  const std::vector<std::string> args(argv + 1, argv + argc);
  const int rc = RunCli(args, std::cout, std::cerr);
  std::cout.flush();
  return rc;
}
