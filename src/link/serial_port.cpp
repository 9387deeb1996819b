// Serial port on termios; see serial_port.h.
#include "link/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <system_error>
#include <thread>

namespace {

using TClock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The gap after received data that ends a read: the device sends a reply in
// one go, so a pause this long means it has finished (or paused between
// bursts, which the caller's follow-up read collects).
constexpr auto kIntervalTimeout = 1ms;

// A write has no timeout of its own on the device side, but a port that stops
// taking bytes must not hold the exchange thread forever: allow far more than
// 38400 baud needs (about 0.26 ms per byte).
constexpr auto kWriteGrace = 2s;

bool BaudToSpeed(int baud, speed_t& speed) {
  switch (baud) {
    case 9600:
      speed = B9600;
      return true;
    case 19200:
      speed = B19200;
      return true;
    case 38400:
      speed = B38400;
      return true;
    case 57600:
      speed = B57600;
      return true;
    case 115200:
      speed = B115200;
      return true;
    default:
      return false;
  }
}

// Waits for `events` on `fd` until `deadline`, with sub-millisecond precision
// (poll() counts whole milliseconds, too coarse for the 1 ms silence).
int PollUntil(int fd, short events, TClock::time_point deadline, short& revents) {
  pollfd pfd{fd, events, 0};
  const auto left = std::max(deadline - TClock::now(), TClock::duration::zero());
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  timespec ts{static_cast<time_t>(ns / 1000000000), static_cast<long>(ns % 1000000000)};
  const int r = ppoll(&pfd, 1, &ts, nullptr);
  revents = pfd.revents;
  return r;
}

bool Configure(int fd, int baud) {
  speed_t speed{};
  if (!BaudToSpeed(baud, speed)) {
    errno = EINVAL;
    return false;
  }
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0) return false;
  tio.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  tio.c_cflag |= CS8 | CLOCAL | CREAD;
  tio.c_iflag &= ~(IXON | IXOFF | IXANY);
  // Reads are timed by poll(); read() itself only takes what is there.
  tio.c_cc[VMIN] = 0;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &tio) != 0) return false;
  return tcflush(fd, TCIOFLUSH) == 0;
}

}  // namespace

std::string SerialOpenErrorText(const std::string& path, int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
      return "Порт " + path + " не найден: устройство не подключено или отключено.";
    case EBUSY:
    case EWOULDBLOCK:
      return "Порт " + path + " занят другой программой.";
    case EACCES:
    case EPERM:
      return "Нет прав доступа к порту " + path +
             ": добавьте пользователя в группу dialout и войдите в систему заново.";
    case ENOTTY:
      return path + " не является последовательным портом.";
    case EINVAL:
      return "Порт " + path + " не поддерживает нужные параметры связи.";
    default:
      return "Не удалось открыть порт " + path + ": " +
             std::error_code(error, std::generic_category()).message();
  }
}

bool OpenSerialPort(const std::string& path, TPortHandle& handle, int baud, std::string* reason) {
  handle = kInvalidPortHandle;
  // Non-blocking so that opening never waits for carrier; every read and
  // write below waits through poll() instead.
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  int error = 0;
  if (fd < 0) {
    error = errno;
  } else if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    // The lock is what other terminal programs honour; TIOCEXCL below also
    // stops later opens, but not for a privileged user.
    error = errno == EWOULDBLOCK ? EBUSY : errno;
  } else if (ioctl(fd, TIOCEXCL) != 0) {
    error = errno;
  } else if (!Configure(fd, baud)) {
    error = errno;
  }
  if (error != 0) {
    if (fd >= 0) close(fd);
    if (reason) *reason = SerialOpenErrorText(path, error);
    return false;
  }
  handle = fd;
  if (reason) reason->clear();
  return true;
}

void CloseSerialPort(TPortHandle handle) {
  if (handle == kInvalidPortHandle) return;
  // Whatever is still pending has no reader any more; without the flush a
  // USB serial driver may hold close() until it has drained.
  tcflush(handle, TCIOFLUSH);
  close(handle);
}

void PurgeInput(TPortHandle handle) {
  tcflush(handle, TCIFLUSH);
}

bool WriteAll(TPortHandle handle, std::string_view bytes) {
  const auto deadline = TClock::now() + kWriteGrace + std::chrono::milliseconds(bytes.size());
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t r = write(handle, bytes.data() + done, bytes.size() - done);
    if (r > 0) {
      done += static_cast<std::size_t>(r);
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && errno != EAGAIN) return false;
    short revents = 0;
    const int p = PollUntil(handle, POLLOUT, deadline, revents);
    if (p < 0 && errno == EINTR) continue;
    if (p <= 0 || (revents & (POLLERR | POLLHUP | POLLNVAL))) return false;
  }
  return true;
}

std::size_t ReadTimed(TPortHandle handle, char* buffer, std::size_t n) {
  if (n == 0) return 0;
  const auto start = TClock::now();
  const auto deadline = start + std::chrono::milliseconds(n + 1);
  auto lastData = start;
  std::size_t got = 0;
  bool broken = false;
  while (got < n) {
    const auto until = got == 0 ? deadline : std::min(deadline, lastData + kIntervalTimeout);
    if (TClock::now() >= until) break;
    short revents = 0;
    const int p = PollUntil(handle, POLLIN, until, revents);
    if (p < 0) {
      if (errno == EINTR) continue;
      broken = true;
      break;
    }
    if (p == 0) continue;  // the loop head sees the time is up
    if (revents & POLLIN) {
      const ssize_t r = read(handle, buffer + got, n - got);
      if (r > 0) {
        got += static_cast<std::size_t>(r);
        lastData = TClock::now();
        continue;
      }
      if (r < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      broken = true;  // EOF or EIO: the other end is gone
      break;
    }
    if (revents & (POLLERR | POLLHUP | POLLNVAL)) {
      broken = true;
      break;
    }
  }
  if (broken && got == 0) {
    // A vanished port answers every poll at once; waiting out the timeout
    // keeps the exchange loop at its normal pace instead of spinning.
    std::this_thread::sleep_until(deadline);
  }
  return got;
}

std::string PortDevicePath(const std::string& name) {
  if (name.find('/') != std::string::npos) return name;
  return "/dev/" + name;
}
