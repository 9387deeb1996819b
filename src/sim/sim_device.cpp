#include "sim/sim_device.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "link/codec.h"

namespace {

using TClock = std::chrono::steady_clock;

// One byte on the wire at 38400 baud: start bit, 8 data bits, stop bit.
constexpr auto kByteTime = std::chrono::nanoseconds(10'000'000'000LL / 38400);
// Paced output goes out in small pieces so that a reader sees a steady trickle,
// as from a USB serial adapter, rather than one lump per answer.
constexpr std::size_t kPacedChunk = 8;
// A request is written in one go; bytes that sat incomplete for this long are
// what is left of an interrupted client and must not swallow the next request.
constexpr auto kStaleRequest = std::chrono::milliseconds(500);
// Nobody reads the terminal side for this long: the rest of the answer is dropped
// rather than holding the device thread forever.
constexpr auto kWriteStall = std::chrono::milliseconds(1000);
// How often the idle device thread looks after the terminal, in ms.
constexpr int kHousekeeping = 100;
// A request larger than any the program sends; more unparsed bytes are junk.
constexpr std::size_t kMaxPending = 64 * 1024;

// The longest image a "config" frame can carry: its payload is the image plus
// one checksum byte. A longer one could not be framed, and the device thread
// would die on the first read of it.
constexpr std::size_t kMaxImage = kMaxPayloadLength - 1;

void CheckImage(const std::string& image) {
  if (image.size() > kMaxImage) {
    throw std::invalid_argument("configuration image of " + std::to_string(image.size()) +
                                " bytes is too long (at most " + std::to_string(kMaxImage) + ")");
  }
}

constexpr const char* kOk = "<ok<>>";
constexpr const char* kError = "<error<>>";
constexpr const char* kNotLoggedIn = "<error<4>>";
constexpr const char* kBadCrc = "<error<crc>>";

// "<" + name + "<#" + EncodeLength7(n) + bytes + ">>" without a checksum, the
// way the device reports its own data.
std::string DataFrame(std::string_view name, std::string_view bytes) {
  std::string frame = "<";
  frame.append(name);
  frame.append("<#");
  frame.append(EncodeLength7(bytes.size()));
  frame.append(bytes);
  frame.append(">>");
  return frame;
}

// Splits payload = data + checksum; false when the checksum does not match.
bool CheckedData(std::string_view payload, std::string& data) {
  if (payload.empty()) return false;
  data.assign(payload.substr(0, payload.size() - 1));
  return static_cast<std::uint8_t>(payload.back()) == Crc8(data);
}

}  // namespace

struct TSimDevice::TImpl {
  explicit TImpl(TSimOptions options) : FOptions(std::move(options)) {
    if (FOptions.Image.empty()) FOptions.Image.assign(194, '\0');
    CheckImage(FOptions.Image);
    FImage = FOptions.Image;
    FPassword = FOptions.Password;
    FGid = FOptions.Gid;
    OpenTerminal();
    if (pipe2(FWake, O_NONBLOCK | O_CLOEXEC) != 0) {
      const int err = errno;
      CloseTerminal();
      throw std::system_error(err, std::generic_category(), "pipe2");
    }
    FThread = std::thread([this] { Run(); });
  }

  ~TImpl() {
    {
      std::lock_guard lock(FMutex);
      FStop = true;
      FWakeCv.notify_all();
    }
    Wake();
    FThread.join();
    CloseTerminal();
    close(FWake[0]);
    close(FWake[1]);
  }

  void OpenTerminal() {
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (FMaster < 0) throw std::system_error(errno, std::generic_category(), "posix_openpt");
    char name[128] = {};
    if (grantpt(FMaster) != 0 || unlockpt(FMaster) != 0 ||
        ptsname_r(FMaster, name, sizeof name) != 0) {
      const int err = errno;
      close(FMaster);
      throw std::system_error(err, std::generic_category(), "pseudo-terminal");
    }
    FPath = name;
    // Our own hold on the terminal side: without it the master reads EIO each
    // time a client closes the port, and a reopening client would find the
    // line settings reset.
    FSlave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FSlave < 0) {
      const int err = errno;
      close(FMaster);
      throw std::system_error(err, std::generic_category(), "open " + FPath);
    }
    // Raw, so that the line discipline neither echoes requests back to the
    // client nor rewrites binary bytes (CR/LF, ^C, ^S...).
    termios tio{};
    if (tcgetattr(FSlave, &tio) == 0) {
      cfmakeraw(&tio);
      cfsetispeed(&tio, B38400);
      cfsetospeed(&tio, B38400);
      tcsetattr(FSlave, TCSANOW, &tio);
    }
  }

  void CloseTerminal() {
    if (FMaster >= 0) close(FMaster);
    if (FSlave >= 0) close(FSlave);
    FMaster = FSlave = -1;
  }

  void Wake() {
    const char b = 1;
    [[maybe_unused]] const auto n = write(FWake[1], &b, 1);
  }

  void DrainWake() {
    char buf[64];
    while (read(FWake[0], buf, sizeof buf) > 0) {
    }
  }

  // True when the thread must drop what it is doing (stop or port gone).
  bool Interrupted() const { return FStop || FDisappearWanted; }

  // Sleeps until `deadline`, cut short by a stop or a disappearance. Returns
  // false when cut short.
  bool SleepUntil(TClock::time_point deadline) {
    std::unique_lock lock(FMutex);
    return !FWakeCv.wait_until(lock, deadline, [this] { return Interrupted(); });
  }

  void Run() {
    std::string pending;
    TClock::time_point firstByte{};
    TClock::time_point lastByte{};
    for (;;) {
      {
        std::lock_guard lock(FMutex);
        if (FStop) return;
        if (FDisappearWanted && !FGone) {
          CloseTerminal();
          FGone = true;
          FGoneCv.notify_all();
        }
      }
      pollfd fds[2] = {{FWake[0], POLLIN, 0}, {FMaster, POLLIN, 0}};
      const nfds_t count = FMaster >= 0 ? 2 : 1;
      const int ready = poll(fds, count, kHousekeeping);
      // A client sets TIOCEXCL on the port; since our own hold keeps the
      // terminal open after the client closes it, the flag would outlive the
      // client and refuse its next open (unless it runs as root). Clearing it
      // here costs little: OpenSerialPort's flock still keeps two clients apart.
      if (FSlave >= 0) ioctl(FSlave, TIOCNXCL);
      if (ready < 0 && errno != EINTR) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      if (fds[0].revents) DrainWake();
      if (count < 2 || !(fds[1].revents & (POLLIN | POLLHUP | POLLERR))) continue;

      char buf[4096];
      const ssize_t n = read(FMaster, buf, sizeof buf);
      if (n <= 0) {
        // With our own hold on the terminal side this should not happen; do
        // not spin if it does.
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
          std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        continue;
      }
      const auto now = TClock::now();
      if (!pending.empty() && now - lastByte > kStaleRequest) pending.clear();
      if (pending.empty()) firstByte = now;
      lastByte = now;
      pending.append(buf, static_cast<std::size_t>(n));
      HandlePending(pending, firstByte);
      if (pending.size() > kMaxPending) pending.clear();
    }
  }

  // Answers every complete request in `pending` and removes it; what remains
  // is the start of a request still arriving.
  void HandlePending(std::string& pending, TClock::time_point& firstByte) {
    while (!pending.empty() && !Interrupted()) {
      const std::size_t start = pending.find('<');
      if (start == std::string::npos) {
        pending.clear();
        return;
      }
      pending.erase(0, start);
      std::size_t position = 0;
      const std::string parsed = ParseReplyFrame(pending, position, pending.size());
      if (position == 0) return;  // incomplete: wait for more bytes
      const std::string frame = pending.substr(0, position);
      pending.erase(0, position);
      if (!parsed.empty()) Answer(frame, parsed, firstByte);
      // A following request in the same read arrived with this one.
    }
  }

  void Answer(const std::string& frame, const std::string& parsed, TClock::time_point arrived) {
    std::string response;
    TSimOptions options;
    int bursts = 1;
    int gapMs = 0;
    bool silent = false;
    std::string noise;
    {
      std::lock_guard lock(FMutex);
      FRequests.push_back(frame);
      FRequestTimes.push_back(arrived);
      response = Reply(frame, parsed);
      silent = FSilent;
      if (!silent && !FKeys.empty()) {
        response += DataFrame("key", FKeys.front());
        FKeys.pop_front();
      }
      options = FOptions;
      bursts = FBursts;
      gapMs = FGapMs;
      noise = FNoise;
    }
    if (silent) return;
    response.insert(0, noise);

    // The device cannot start before the request has crossed the wire, and
    // then thinks for a moment.
    TClock::time_point start = arrived;
    if (options.Paced) start += kByteTime * static_cast<long>(frame.size());
    start += std::chrono::milliseconds(options.AnswerDelayMs);
    if (!SleepUntil(start)) return;
    Send(response, std::max(bursts, 1), gapMs, options.Paced);
  }

  // The device's answer frame to one request; called with FMutex held.
  std::string Reply(const std::string& frame, const std::string& parsed) {
    const std::size_t nameEnd = frame.find('<', 1);
    const std::string name = frame.substr(1, nameEnd - 1);
    const bool binary = nameEnd + 1 < frame.size() && frame[nameEnd + 1] == '#';
    // Parse result: "<" + name + ">" + value (a binary value without its prefix).
    const std::string value = parsed.substr(name.size() + 2);

    if (name == "version") {
      const char v[4] = {static_cast<char>(FOptions.SwMinor), static_cast<char>(FOptions.SwMajor),
                         static_cast<char>(FOptions.HwMinor), static_cast<char>(FOptions.HwMajor)};
      return DataFrame("version", std::string_view(v, 4));
    }
    if (name == "login") {
      FLoggedIn = !binary && value == FPassword;
      return FLoggedIn ? kOk : kError;
    }
    if (name != "password" && name != "config" && name != "producer" && name != "init" &&
        name != "fw") {
      return kError;
    }
    if (!FLoggedIn) return kNotLoggedIn;

    std::string data;
    if (name == "password") {
      if (binary) return kError;
      FPassword = value;
      return kOk;
    }
    if (name == "init") return kOk;
    if (name == "fw") {
      if (!binary) return kError;
      return CheckedData(value, data) ? kOk : kBadCrc;
    }
    if (name == "config") {
      if (!binary) return value == "?" ? BinaryFrame("config", FImage) : kError;
      if (!CheckedData(value, data)) return kBadCrc;
      if (!FOptions.WriteError.empty()) return "<error<" + FOptions.WriteError + ">>";
      FImage = data;
      FLastWritten = data;
      return kOk;
    }
    // producer
    if (!binary) return value == "?" ? DataFrame("producer", FGid) : kError;
    if (!CheckedData(value, data)) return kBadCrc;
    if (data.size() != 6) return kError;
    FGid = data;
    return kOk;
  }

  // Writes the response in `bursts` pieces with `gapMs` of silence between
  // them, paced like a 38400-baud line when asked.
  void Send(const std::string& response, int bursts, int gapMs, bool paced) {
    const std::size_t size = response.size();
    std::size_t sent = 0;
    for (int b = 0; b < bursts && sent < size; ++b) {
      if (b > 0 && !SleepUntil(TClock::now() + std::chrono::milliseconds(gapMs))) return;
      const std::size_t end = b + 1 == bursts ? size
                                              : size * static_cast<std::size_t>(b + 1) /
                                                    static_cast<std::size_t>(bursts);
      const auto t0 = TClock::now();
      const std::size_t burstStart = sent;
      while (sent < end) {
        std::size_t piece = end - sent;
        if (paced) {
          piece = std::min(piece, kPacedChunk);
          // A piece is handed over when its last byte would have left the wire.
          const auto due = t0 + kByteTime * static_cast<long>(sent + piece - burstStart);
          if (!SleepUntil(due)) return;
        }
        if (!WriteSome(response.data() + sent, piece)) return;
        sent += piece;
      }
    }
  }

  // Writes all `n` bytes to the master; false when the thread must stop, the
  // terminal is gone, or nobody has read for too long.
  bool WriteSome(const char* data, std::size_t n) {
    auto stallDeadline = TClock::now() + kWriteStall;
    while (n > 0) {
      if (Interrupted()) return false;
      const ssize_t w = write(FMaster, data, n);
      if (w > 0) {
        data += w;
        n -= static_cast<std::size_t>(w);
        stallDeadline = TClock::now() + kWriteStall;
        continue;
      }
      if (w < 0 && errno != EAGAIN && errno != EINTR) return false;
      if (TClock::now() > stallDeadline) return false;
      pollfd fds[2] = {{FWake[0], POLLIN, 0}, {FMaster, POLLOUT, 0}};
      poll(fds, 2, 50);
      if (fds[0].revents) DrainWake();
    }
    return true;
  }

  TSimOptions FOptions;  // version, write error, pacing, delay (under FMutex)
  std::string FPath;
  int FMaster = -1;
  int FSlave = -1;
  int FWake[2] = {-1, -1};

  mutable std::mutex FMutex;
  std::condition_variable FWakeCv;
  std::condition_variable FGoneCv;
  // Written under FMutex (so that sleepers are woken), read anywhere.
  std::atomic<bool> FStop{false};
  std::atomic<bool> FDisappearWanted{false};
  bool FGone = false;
  bool FSilent = false;
  std::string FNoise;
  int FBursts = 1;
  int FGapMs = 0;
  std::deque<std::string> FKeys;
  std::string FImage;
  std::string FLastWritten;
  std::string FPassword;
  std::string FGid;
  bool FLoggedIn = false;
  std::vector<std::string> FRequests;
  std::vector<TClock::time_point> FRequestTimes;

  std::thread FThread;
};

TSimDevice::TSimDevice(TSimOptions options) : FImpl(std::make_unique<TImpl>(std::move(options))) {}

TSimDevice::~TSimDevice() = default;

const std::string& TSimDevice::Path() const {
  return FImpl->FPath;
}

void TSimDevice::SetSilent(bool silent) {
  std::lock_guard lock(FImpl->FMutex);
  FImpl->FSilent = silent;
}

void TSimDevice::SetNoise(const std::string& bytes) {
  std::lock_guard lock(FImpl->FMutex);
  FImpl->FNoise = bytes;
}

void TSimDevice::SetBursts(int count, int gapMs) {
  std::lock_guard lock(FImpl->FMutex);
  FImpl->FBursts = std::max(count, 1);
  FImpl->FGapMs = std::max(gapMs, 0);
}

void TSimDevice::SetAnswerDelay(int ms) {
  std::lock_guard lock(FImpl->FMutex);
  FImpl->FOptions.AnswerDelayMs = std::max(ms, 0);
}

void TSimDevice::SetPaced(bool paced) {
  std::lock_guard lock(FImpl->FMutex);
  FImpl->FOptions.Paced = paced;
}

void TSimDevice::SetWriteError(const std::string& detail) {
  std::lock_guard lock(FImpl->FMutex);
  FImpl->FOptions.WriteError = detail;
}

void TSimDevice::SetVersion(std::uint8_t swMinor, std::uint8_t swMajor, std::uint8_t hwMinor,
                            std::uint8_t hwMajor) {
  std::lock_guard lock(FImpl->FMutex);
  FImpl->FOptions.SwMinor = swMinor;
  FImpl->FOptions.SwMajor = swMajor;
  FImpl->FOptions.HwMinor = hwMinor;
  FImpl->FOptions.HwMajor = hwMajor;
}

void TSimDevice::SetImage(const std::string& image) {
  CheckImage(image);
  std::lock_guard lock(FImpl->FMutex);
  FImpl->FImage = image;
}

void TSimDevice::QueueKey(const std::string& value) {
  std::lock_guard lock(FImpl->FMutex);
  FImpl->FKeys.push_back(value);
}

void TSimDevice::Disappear() {
  std::unique_lock lock(FImpl->FMutex);
  FImpl->FDisappearWanted = true;
  FImpl->FWakeCv.notify_all();
  FImpl->Wake();
  // The device thread owns the descriptors; once this returns they are closed.
  FImpl->FGoneCv.wait(lock, [this] { return FImpl->FGone || FImpl->FStop; });
}

std::vector<std::string> TSimDevice::Requests() const {
  std::lock_guard lock(FImpl->FMutex);
  return FImpl->FRequests;
}

std::vector<std::chrono::steady_clock::time_point> TSimDevice::RequestTimes() const {
  std::lock_guard lock(FImpl->FMutex);
  return FImpl->FRequestTimes;
}

std::size_t TSimDevice::RequestCount() const {
  std::lock_guard lock(FImpl->FMutex);
  return FImpl->FRequests.size();
}

std::string TSimDevice::Image() const {
  std::lock_guard lock(FImpl->FMutex);
  return FImpl->FImage;
}

std::string TSimDevice::LastWrittenImage() const {
  std::lock_guard lock(FImpl->FMutex);
  return FImpl->FLastWritten;
}

std::string TSimDevice::Password() const {
  std::lock_guard lock(FImpl->FMutex);
  return FImpl->FPassword;
}

std::string TSimDevice::Gid() const {
  std::lock_guard lock(FImpl->FMutex);
  return FImpl->FGid;
}

bool TSimDevice::LoggedIn() const {
  std::lock_guard lock(FImpl->FMutex);
  return FImpl->FLoggedIn;
}
