// xjk52-sim: a virtual XJ-K52II printer on TCP and on a pseudo-terminal.
#include <cstdio>
#include <string>

#include "sim/SimOptions.h"
#include "sim/SimServer.h"

namespace {
constexpr int kExitUsage = 2;
constexpr int kExitStartFailed = 1;
}  // namespace

int main(int argc, char** argv) {
  sim::SimOptions options;
  std::string error;
  if (!sim::ParseSimOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "xjk52-sim: %s\n", error.c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::fputs(sim::SimUsage().c_str(), stdout);
    return 0;
  }
  sim::SimServer server(std::move(options));
  if (!server.Start(error)) {
    std::fprintf(stderr, "xjk52-sim: %s\n", error.c_str());
    return kExitStartFailed;
  }
  return server.Run();
}
