// The simulated device on its pseudo-terminal, driven by a minimal raw client
// (no exchange thread), so that the device's own answers and faults are seen
// byte for byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "link/codec.h"
#include "link/serial_port.h"
#include "sim/sim_device.h"

namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

// Generous: the machine running the tests may be slow and loaded.
constexpr auto kAnswerWait = 5s;

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

std::string Crc(std::string_view data) {
  return std::string(1, static_cast<char>(Crc8(data)));
}

struct TArrival {
  TClock::time_point At;
  std::size_t Count;
};

class TPtyClient {
 public:
  explicit TPtyClient(const std::string& path) {
    FFd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (FFd < 0) return;
    termios tio{};
    tcgetattr(FFd, &tio);
    cfmakeraw(&tio);
    tcsetattr(FFd, TCSANOW, &tio);
  }
  ~TPtyClient() {
    if (FFd >= 0) close(FFd);
  }
  bool IsOpen() const { return FFd >= 0; }

  bool Send(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = write(FFd, bytes.data(), bytes.size());
      if (n < 0 && errno == EAGAIN) {
        std::this_thread::sleep_for(1ms);
        continue;
      }
      if (n <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
  }

  // Reads until `frames` complete frames have arrived (their parse results
  // are returned) or `wait` has passed.
  std::vector<std::string> ReadFrames(std::size_t frames, TClock::duration wait = kAnswerWait) {
    const auto deadline = TClock::now() + wait;
    std::vector<std::string> results;
    std::size_t position = 0;
    while (results.size() < frames && TClock::now() < deadline) {
      std::string parsed;
      while (results.size() < frames &&
             !(parsed = ParseReplyFrame(FReceived, position, FReceived.size())).empty()) {
        results.push_back(parsed);
      }
      if (results.size() >= frames) break;
      if (!ReadSome(deadline)) break;
    }
    return results;
  }

  // Collects whatever arrives within `wait`.
  std::string ReadAll(TClock::duration wait) {
    const auto deadline = TClock::now() + wait;
    while (ReadSome(deadline)) {
    }
    return FReceived;
  }

  // One poll and read; false at the deadline or when the port is gone.
  bool ReadSome(TClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - TClock::now());
    if (left.count() <= 0) return false;
    pollfd pfd{FFd, POLLIN, 0};
    const int p = poll(&pfd, 1, static_cast<int>(left.count()) + 1);
    if (p <= 0) return p == 0 ? TClock::now() < deadline : false;
    char buf[4096];
    const ssize_t n = read(FFd, buf, sizeof buf);
    if (n > 0) {
      FReceived.append(buf, static_cast<std::size_t>(n));
      FArrivals.push_back({TClock::now(), static_cast<std::size_t>(n)});
      return true;
    }
    if (n < 0 && errno == EAGAIN) return true;
    FGone = true;
    return false;
  }

  void Clear() {
    FReceived.clear();
    FArrivals.clear();
  }

  const std::string& Received() const { return FReceived; }
  const std::vector<TArrival>& Arrivals() const { return FArrivals; }
  bool Gone() const { return FGone; }
  int Fd() const { return FFd; }

 private:
  int FFd = -1;
  std::string FReceived;
  std::vector<TArrival> FArrivals;
  bool FGone = false;
};

TSimOptions Fast() {
  TSimOptions o;
  o.Paced = false;
  o.AnswerDelayMs = 0;
  return o;
}

std::string Exchange(TPtyClient& client, std::string_view request) {
  client.Clear();
  if (!client.Send(request)) return "(send failed)";
  const auto frames = client.ReadFrames(1);
  return frames.empty() ? "(no answer)" : frames[0];
}

std::string Image(std::size_t n) {
  std::string image;
  for (std::size_t i = 0; i < n; ++i) image.push_back(static_cast<char>(i * 7 + 1));
  // Bytes that are frame delimiters elsewhere must travel untouched.
  image[3] = '>';
  image[4] = '<';
  image[5] = '#';
  image[6] = '\0';
  image[7] = '\r';
  image[8] = '\n';
  image[9] = '\x03';   // ^C
  image[10] = '\x11';  // XON
  return image;
}

TEST(SimDevice, AnswersTheProtocolLikeADevice) {
  TSimOptions options = Fast();
  options.SwMinor = 5;
  options.SwMajor = 2;
  options.HwMinor = 10;
  options.HwMajor = 9;
  options.Password = "1234";
  options.Image = Image(416);
  const std::string gid = Bytes({0x03, 0x0B, 0, 0, 0, 0x01});
  TSimDevice device(options);
  TPtyClient client(device.Path());
  ASSERT_TRUE(client.IsOpen()) << device.Path();

  const std::string newImage = Image(200).substr(1) + "x";
  struct TStep {
    std::string Request;
    std::string Expected;
  };
  const std::vector<TStep> steps = {
      // Versions are reported before a login.
      {"<version<?>>", "<version>" + Bytes({5, 2, 10, 9})},
      {"<config<?>>", "<error>4"},
      {"<producer<?>>", "<error>4"},
      {"<login<9072>>", "<error>"},
      {"<login<1234>>", "<ok>"},
      // The reply carries the image and its checksum behind a two-byte prefix.
      {"<config<?>>", "<config>" + options.Image + Crc(options.Image)},
      {BinaryFrame("config", newImage), "<ok>"},
      {"<config<?>>", "<config>" + newImage + Crc(newImage)},
      {"<config<#" + EncodeLength7(4) + "abc" + Crc("abd") + ">>", "<error>crc"},
      {"<producer<?>>", "<producer>" + std::string(6, '\0')},
      {BinaryFrame("producer", gid), "<ok>"},
      {"<producer<?>>", "<producer>" + gid},
      {"<init<>>", "<ok>"},
      {BinaryFrame("fw", "\x01\x02\x03"), "<ok>"},
      {"<fw<#" + Bytes({3, 1, 2, 0}) + ">>", "<error>crc"},
      {"<password<5555>>", "<ok>"},
      {"<frobnicate<1>>", "<error>"},
      {"<login<1234>>", "<error>"},
      {"<login<5555>>", "<ok>"},
  };
  for (const auto& step : steps) {
    EXPECT_EQ(Exchange(client, step.Request), step.Expected) << HexEncode(step.Request);
  }

  EXPECT_EQ(device.Image(), newImage);
  EXPECT_EQ(device.LastWrittenImage(), newImage);
  EXPECT_EQ(device.Gid(), gid);
  EXPECT_EQ(device.Password(), "5555");
  EXPECT_TRUE(device.LoggedIn());
  const auto requests = device.Requests();
  ASSERT_EQ(requests.size(), steps.size());
  for (std::size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(requests[i], steps[i].Request);
  EXPECT_EQ(device.RequestTimes().size(), steps.size());
}

TEST(SimDevice, ExactVersionAndConfigFramesOnTheWire) {
  TSimOptions options = Fast();
  options.Image = "\x01\x02\x03";
  TSimDevice device(options);
  TPtyClient client(device.Path());
  ASSERT_TRUE(client.IsOpen());

  // Device data frames carry no checksum; the configuration carries one.
  client.Send("<version<?>>");
  client.ReadFrames(1);
  EXPECT_EQ(client.Received(), "<version<#" + Bytes({4, 5, 2, 3, 9}) + ">>");
  client.Clear();
  client.Send("<login<9072>><config<?>>");  // two requests in one write
  client.ReadFrames(2);
  EXPECT_EQ(client.Received(), "<ok<>><config<#" + Bytes({4, 1, 2, 3, 0x3F}) + ">>");
}

TEST(SimDevice, RefusedWriteKeepsTheImage) {
  TSimOptions options = Fast();
  options.WriteError = "7";
  TSimDevice device(options);
  TPtyClient client(device.Path());
  ASSERT_TRUE(client.IsOpen());
  ASSERT_EQ(Exchange(client, "<login<9072>>"), "<ok>");
  EXPECT_EQ(Exchange(client, BinaryFrame("config", "new")), "<error>7");
  EXPECT_EQ(device.Image(), std::string(194, '\0'));
  EXPECT_EQ(device.LastWrittenImage(), "");

  device.SetWriteError("");
  EXPECT_EQ(Exchange(client, BinaryFrame("config", "new")), "<ok>");
  EXPECT_EQ(device.LastWrittenImage(), "new");
}

// An image a "config" frame cannot carry is refused when it is given, instead
// of ending the device thread (and the program) at the first read of it.
TEST(SimDevice, ImageTooLongForAFrameIsRefusedUpFront) {
  TSimOptions options = Fast();
  options.Image = Image(kMaxPayloadLength);
  EXPECT_THROW(TSimDevice{options}, std::invalid_argument);

  // The longest image that fits is served whole.
  options.Image = Image(kMaxPayloadLength - 1);
  TSimDevice device(options);
  EXPECT_THROW(device.SetImage(Image(kMaxPayloadLength)), std::invalid_argument);
  EXPECT_EQ(device.Image(), options.Image);
  TPtyClient client(device.Path());
  ASSERT_TRUE(client.IsOpen());
  ASSERT_EQ(Exchange(client, "<login<9072>>"), "<ok>");
  EXPECT_EQ(Exchange(client, "<config<?>>"), "<config>" + options.Image + Crc(options.Image));
}

TEST(SimDevice, AssemblesRequestsFromPiecesAndSkipsJunk) {
  TSimDevice device(Fast());
  TPtyClient client(device.Path());
  ASSERT_TRUE(client.IsOpen());

  // A configuration write whose payload holds ">>" arrives in three pieces.
  const std::string image = "ab>>cd<<ef#" + std::string(300, 'z');
  ASSERT_EQ(Exchange(client, "<login<9072>>"), "<ok>");
  const std::string frame = BinaryFrame("config", image);
  client.Clear();
  client.Send(frame.substr(0, 5));
  std::this_thread::sleep_for(20ms);
  client.Send(frame.substr(5, 12));
  std::this_thread::sleep_for(20ms);
  client.Send(frame.substr(17));
  auto frames = client.ReadFrames(1);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], "<ok>");
  EXPECT_EQ(device.LastWrittenImage(), image);

  // Line noise before a request is ignored.
  EXPECT_EQ(Exchange(client, Bytes({0xFF, 0, 0x7F}) + "zz<version<?>>"),
            "<version>" + Bytes({5, 2, 3, 9}));

  // What is left of an interrupted request does not swallow the next one.
  client.Send("<config<#" + EncodeLength7(100) + "abc");
  std::this_thread::sleep_for(800ms);
  EXPECT_EQ(Exchange(client, "<version<?>>"), "<version>" + Bytes({5, 2, 3, 9}));
}

TEST(SimDevice, KeyFramesFollowTheNextAnswer) {
  TSimDevice device(Fast());
  TPtyClient client(device.Path());
  ASSERT_TRUE(client.IsOpen());
  const std::string key1 = Bytes({0, 0, 0, 0x12, 0x34, 0x56});
  const std::string key2 = Bytes({0xFF, '>', '>', '<', 0, 1});
  device.QueueKey(key1);
  device.QueueKey(key2);

  for (const auto& key : {key1, key2}) {
    client.Clear();
    client.Send("<version<?>>");
    const auto frames = client.ReadFrames(2);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], "<version>" + Bytes({5, 2, 3, 9}));
    EXPECT_EQ(frames[1], "<key>" + key);
  }
  client.Clear();
  client.Send("<version<?>>");
  client.ReadFrames(1);
  EXPECT_EQ(client.ReadAll(300ms), "<version<#" + Bytes({4, 5, 2, 3, 9}) + ">>");
}

TEST(SimDevice, FaultModes) {
  TSimDevice device(Fast());
  TPtyClient client(device.Path());
  ASSERT_TRUE(client.IsOpen());
  const std::string version = "<version<#" + Bytes({4, 5, 2, 3, 9}) + ">>";

  device.SetSilent(true);
  client.Send("<version<?>>");
  EXPECT_EQ(client.ReadAll(400ms), "");
  EXPECT_EQ(device.RequestCount(), 1u);  // heard, not answered
  device.SetSilent(false);

  device.SetNoise("\x01garbage");
  client.Clear();
  client.Send("<version<?>>");
  client.ReadFrames(1);
  EXPECT_EQ(client.Received(), "\x01garbage" + version);
  device.SetNoise("");

  // Bursts: the answer arrives complete, the two gaps between its three
  // pieces included.
  device.SetBursts(3, 60);
  client.Clear();
  auto sent = TClock::now();
  client.Send("<version<?>>");
  client.ReadFrames(1);
  EXPECT_EQ(client.Received(), version);
  ASSERT_FALSE(client.Arrivals().empty());
  EXPECT_GE(client.Arrivals().back().At - sent, 2 * 60ms);
  device.SetBursts(1, 0);

  device.SetAnswerDelay(300);
  client.Clear();
  sent = TClock::now();
  client.Send("<version<?>>");
  ASSERT_EQ(client.ReadFrames(1).size(), 1u);
  EXPECT_GE(client.Arrivals().front().At - sent, 300ms);
}

TEST(SimDevice, PacedAnswersTakeTheLineTime) {
  TSimOptions options;
  options.Image = Image(416);
  options.AnswerDelayMs = 0;
  TSimDevice device(options);
  TPtyClient client(device.Path());
  ASSERT_TRUE(client.IsOpen());
  ASSERT_EQ(Exchange(client, "<login<9072>>"), "<ok>");

  client.Clear();
  const auto sent = TClock::now();
  client.Send("<config<?>>");
  const auto frames = client.ReadFrames(1);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], "<config>" + options.Image + Crc(options.Image));
  // 11 request bytes and 430 answer bytes at 10 bits a byte and 38400 baud.
  const double lineMs = (11 + 430) * 10 / 38.4;
  using TMs = std::chrono::duration<double, std::milli>;
  EXPECT_GE(TMs(client.Arrivals().back().At - sent).count(), lineMs - 1);
}

TEST(SimDevice, ClientMayCloseAndReopen) {
  TSimDevice device(Fast());
  for (int round = 0; round < 3; ++round) {
    TPtyClient client(device.Path());
    ASSERT_TRUE(client.IsOpen()) << "round " << round;
    EXPECT_EQ(Exchange(client, "<version<?>>"), "<version>" + Bytes({5, 2, 3, 9}));
  }

  // The program's own port opening makes the terminal exclusive. The device's
  // hold on the terminal outlives the client, and so would the flag, locking
  // an ordinary user out of reopening the port (root is exempt, so look at the
  // flag itself).
  TPortHandle port = kInvalidPortHandle;
  ASSERT_TRUE(OpenSerialPort(device.Path(), port, 38400));
  ASSERT_TRUE(WriteAll(port, "<version<?>>"));
  char answer[64];
  const auto deadline = TClock::now() + kAnswerWait;
  std::size_t got = 0;
  while (got == 0 && TClock::now() < deadline) got = ReadTimed(port, answer, sizeof answer);
  ASSERT_GT(got, 0u);
  CloseSerialPort(port);
  TPtyClient client(device.Path());
  ASSERT_TRUE(client.IsOpen());
  int exclusive = -1;
  ASSERT_EQ(ioctl(client.Fd(), TIOCGEXCL, &exclusive), 0);
  EXPECT_EQ(exclusive, 0);
}

TEST(SimDevice, DisappearHangsUpTheClient) {
  TSimDevice device(Fast());
  TPtyClient client(device.Path());
  ASSERT_TRUE(client.IsOpen());
  ASSERT_EQ(Exchange(client, "<version<?>>"), "<version>" + Bytes({5, 2, 3, 9}));

  device.Disappear();
  pollfd pfd{client.Fd(), POLLIN, 0};
  ASSERT_EQ(poll(&pfd, 1, 5000), 1);
  EXPECT_TRUE(pfd.revents & (POLLHUP | POLLERR));
  char b = 0;
  EXPECT_LE(read(client.Fd(), &b, 1), 0);
  EXPECT_FALSE(TPtyClient(device.Path()).IsOpen() &&
               TPtyClient(device.Path()).Send("<version<?>>") &&
               !TPtyClient(device.Path()).ReadFrames(1, 200ms).empty());
}

TEST(SimDevice, StopsPromptlyMidAnswer) {
  TSimOptions options;
  options.AnswerDelayMs = 60000;
  std::optional<TSimDevice> device(std::in_place, options);
  TPtyClient client(device->Path());
  ASSERT_TRUE(client.IsOpen());
  client.Send("<version<?>>");
  const auto deadline = TClock::now() + kAnswerWait;
  while (device->RequestCount() == 0 && TClock::now() < deadline) std::this_thread::sleep_for(5ms);
  ASSERT_EQ(device->RequestCount(), 1u);

  const auto start = TClock::now();
  device.reset();
  EXPECT_LT(TClock::now() - start, 2s);
}

}  // namespace
