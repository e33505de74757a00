#include "libs/xjcomm/SerialTransport.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "libs/xjcomm/FdIo.h"

namespace xjcomm {
namespace {

speed_t SpeedOf(std::int32_t baud) {
  switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    default: return B0;
  }
}

tcflag_t CharacterSize(std::int32_t bits) {
  switch (bits) {
    case 5: return CS5;
    case 6: return CS6;
    case 7: return CS7;
    default: return CS8;
  }
}

}  // namespace

SerialTransport::SerialTransport(std::string device, SerialSettings settings)
    : device_(std::move(device)), settings_(settings) {}

XJC_RESULT SerialTransport::Open(std::uint32_t /*timeoutMs*/) {
  Close();
  const speed_t speed = SpeedOf(settings_.baudRate);
  if (speed == B0) return XJC_E_INVALID_ARG;
  if (!IsCharacterDevice(device_.c_str())) return XJC_E_OPEN_FAILED;
  const int fd = ::open(device_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return XJC_E_OPEN_FAILED;
  struct stat st {};
  termios tio{};
  // Only terminals: a record must never make us write into an ordinary file.
  if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode) || ::tcgetattr(fd, &tio) != 0) {
    ::close(fd);
    return XJC_E_OPEN_FAILED;
  }
  ::cfmakeraw(&tio);
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  tio.c_cflag |= CharacterSize(settings_.bitLength) | CLOCAL | CREAD;
  if (settings_.parity == kParityOdd) tio.c_cflag |= PARENB | PARODD;
  if (settings_.parity == kParityEven) tio.c_cflag |= PARENB;
  // XON/XOFF stay in the data stream; the reply filter takes them out.
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  ::cfsetispeed(&tio, speed);
  ::cfsetospeed(&tio, speed);
  if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
    ::close(fd);
    return XJC_E_OPEN_FAILED;
  }
  ::tcflush(fd, TCIOFLUSH);
  fd_ = fd;
  return XJC_OK;
}

std::string SerialTransport::Describe() const {
  return "serial " + device_ + " " + std::to_string(settings_.baudRate) + " " +
         std::to_string(settings_.bitLength) +
         (settings_.parity == kParityOdd ? "O1" : settings_.parity == kParityEven ? "E1" : "N1");
}

}  // namespace xjcomm
