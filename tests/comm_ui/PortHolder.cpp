// A second process that holds a network port of the simulator open through the
// communication library, as another application would: it opens the port, prints
// "open" (or "failed <code>"), and keeps the port until its standard input ends.
//   xj_port_holder <path of XJComm.so> <a.b.c.d:port>
#include <cstdio>
#include <cstring>
#include <unistd.h>

#include "comm/XJC.h"
#include "platform/Text.h"
#include "tests/support/PortRecords.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  XJC xjc;
  if (xjc.Load(plat::FromUtf8(argv[1])) != XJC_OK) {
    std::printf("failed load\n");
    std::fflush(stdout);
    return 1;
  }
  const std::u16string portName = plat::FromUtf8(argv[2]);
  PortRecord record = MakePortRecord({.kind = kPortKindNet, .portName = portName});
  const XJC_RESULT rc = OpenPortSequence(&xjc, &record);
  if (rc != XJC_OK) {
    std::printf("failed %08X\n", rc);
    std::fflush(stdout);
    return 1;
  }
  std::printf("open\n");
  std::fflush(stdout);
  char buffer[64];
  while (read(STDIN_FILENO, buffer, sizeof(buffer)) > 0) {
  }
  xjc.Close();
  return 0;
}
