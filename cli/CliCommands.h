#pragma once
// xjk52-cli: runs one command line (CommandLine.h) and writes its output: plain lines by
// default, one JSON document with --json. Results go to out, usage mistakes and
// messages about files to err. Returns the exit code.
//
// No Qt here. The program's main thread, once per process (printers are served by
// worker processes, PrinterRunner.h).
#include <ostream>
#include <string>
#include <vector>

#include "comm/XJC.h"

// args: the command line without the program's name. library: the communication
// library as XJC::Load takes it (the program's: XJComm.so beside it).
int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           std::u16string_view library = kXJCommLibraryName);
