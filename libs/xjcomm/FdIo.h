#pragma once
// Reading and writing a non-blocking file descriptor with a time limit; shared by the
// transports that sit on a descriptor (TCP socket, serial, USB and parallel devices).
// Any thread may call these on a descriptor it owns.
#include <cstddef>
#include <cstdint>

#include "sdk/XJComm.h"

namespace xjcomm {

// Waits at most timeoutMs for the descriptor to become readable and reads what is there.
// XJC_OK (*done > 0), XJC_E_TIMEOUT (*done = 0) or XJC_E_IO (end of stream, error).
XJC_RESULT FdRead(int fd, std::uint8_t* buffer, std::size_t size, std::size_t* done,
                  std::uint32_t timeoutMs);

// Writes all bytes within timeoutMs; sockets are written without raising SIGPIPE.
// XJC_OK, XJC_E_TIMEOUT (partly written, *done tells how much) or XJC_E_IO.
XJC_RESULT FdWrite(int fd, bool isSocket, const std::uint8_t* data, std::size_t size,
                   std::size_t* done, std::uint32_t timeoutMs);

// Milliseconds of a monotonic clock.
std::uint64_t NowMs();

// Whether path names a character device (after following links). Transports open only
// those, so a record can never make the library write into an ordinary file.
bool IsCharacterDevice(const char* path);

// Closes fd when it is valid and sets it to -1.
void CloseFd(int& fd);

}  // namespace xjcomm
