#include "link/serial_port.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "pty.h"

using namespace std::string_literals;
using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

namespace {

std::string ReadString(TPortHandle port, std::size_t n) {
  std::string buffer(n, '\0');
  buffer.resize(ReadTimed(port, buffer.data(), n));
  return buffer;
}

// A pseudo-terminal with its slave opened as the program opens a port.
class SerialPortOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    ASSERT_TRUE(OpenSerialPort(FPty.SlavePath(), FPort, 38400, &reason)) << reason;
    EXPECT_TRUE(reason.empty());
  }
  void TearDown() override { CloseSerialPort(FPort); }

  TPty FPty;
  TPortHandle FPort = kInvalidPortHandle;
};

TEST_F(SerialPortOnPty, IsRaw38400EightNOne) {
  termios tio{};
  ASSERT_EQ(tcgetattr(FPort, &tio), 0);
  EXPECT_EQ(cfgetispeed(&tio), B38400);
  EXPECT_EQ(cfgetospeed(&tio), B38400);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
  EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
  EXPECT_EQ(tio.c_oflag & OPOST, 0u);
}

TEST_F(SerialPortOnPty, CarriesEveryByteValueBothWays) {
  // CR, LF, XON/XOFF, Ctrl-C, NUL and high bytes would all be eaten or
  // changed by a terminal not in raw mode.
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));

  ASSERT_TRUE(WriteAll(FPort, all));
  EXPECT_EQ(FPty.Read(all.size(), 5s), all);

  FPty.Write(all);
  std::string got;
  ASSERT_TRUE(WaitUntil([&] {
    got += ReadString(FPort, 300);
    return got.size() >= all.size();
  }));
  EXPECT_EQ(got, all);
}

TEST_F(SerialPortOnPty, ReadWithNothingArrivingWaitsNPlusOneMs) {
  for (std::size_t n : {1u, 150u, 300u}) {
    const auto start = TClock::now();
    char buffer[300];
    EXPECT_EQ(ReadTimed(FPort, buffer, n), 0u) << n;
    const auto waited = TClock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(n + 1)) << n;
    EXPECT_LT(waited, std::chrono::milliseconds(n + 1) + 3s) << n;
  }
}

TEST_F(SerialPortOnPty, ReadReturnsABurstWhole) {
  const std::string burst = "<version<#\x04\x05\x02\x0A\x09>>"s + std::string(80, '\0');
  FPty.Write(burst);
  EXPECT_EQ(ReadString(FPort, 300), burst);
}

TEST_F(SerialPortOnPty, ReadNeverTakesMoreThanAsked) {
  FPty.Write("0123456789abcdefghij");
  char buffer[16];
  std::fill(std::begin(buffer), std::end(buffer), '#');
  ASSERT_EQ(ReadTimed(FPort, buffer, 8), 8u);
  EXPECT_EQ(std::string(buffer, 8), "01234567");
  EXPECT_EQ(std::string(buffer + 8, 8), "########");
  EXPECT_EQ(ReadString(FPort, 150), "89abcdefghij");
}

TEST_F(SerialPortOnPty, ReadStopsAtSilenceAndAFollowUpReadGetsTheRest) {
  FPty.Write("<config<#");
  std::thread late([&] {
    std::this_thread::sleep_for(200ms);
    FPty.Write(
        "\x03"
        "abc>>");
  });
  const std::string first = ReadString(FPort, 300);
  late.join();
  EXPECT_EQ(first, "<config<#");
  EXPECT_EQ(ReadString(FPort, 150),
            "\x03"
            "abc>>");
}

TEST_F(SerialPortOnPty, PurgeInputDropsWhatWasReceived) {
  FPty.Write("stale answer");
  ASSERT_TRUE(WaitUntil([&] {
    int pending = 0;
    return ioctl(FPort, FIONREAD, &pending) == 0 && pending == 12;
  }));
  PurgeInput(FPort);
  EXPECT_EQ(ReadString(FPort, 20), "");
  FPty.Write("fresh");
  EXPECT_EQ(ReadString(FPort, 20), "fresh");
}

TEST_F(SerialPortOnPty, GonePortWaitsOutTheReadAndRefusesWrites) {
  FPty.CloseMaster();  // the cable is pulled
  for (int i = 0; i < 3; ++i) {
    const auto start = TClock::now();
    char buffer[50];
    EXPECT_EQ(ReadTimed(FPort, buffer, 50), 0u);
    // Returning at once would make the exchange loop spin.
    EXPECT_GE(TClock::now() - start, 51ms);
  }
  EXPECT_FALSE(WriteAll(FPort, "<version<?>>"));
}

TEST_F(SerialPortOnPty, SecondOpenIsRefusedAsBusyUntilClosed) {
  TPortHandle second = 12345;
  std::string reason;
  EXPECT_FALSE(OpenSerialPort(FPty.SlavePath(), second, 38400, &reason));
  EXPECT_EQ(second, kInvalidPortHandle);
  EXPECT_EQ(reason, SerialOpenErrorText(FPty.SlavePath(), EBUSY));

  CloseSerialPort(FPort);
  FPort = kInvalidPortHandle;
  ASSERT_TRUE(OpenSerialPort(FPty.SlavePath(), second, 38400, &reason)) << reason;
  FPort = second;
}

TEST(OpenSerialPort, ReportsWhyItFailed) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::string missing = "/dev/ttyACM-tunewell-missing";
  const std::string plainFile =
      (dir / ("tunewell-not-a-port-" + std::to_string(getpid()))).string();
  std::ofstream(plainFile) << "x";
  TPty pty;

  const struct {
    std::string path;
    int baud;
    int error;
  } cases[] = {
      {missing, 38400, ENOENT},
      {plainFile, 38400, ENOTTY},
      {pty.SlavePath(), 12345, EINVAL},
  };
  for (const auto& c : cases) {
    TPortHandle handle = 7;
    std::string reason;
    EXPECT_FALSE(OpenSerialPort(c.path, handle, c.baud, &reason)) << c.path;
    EXPECT_EQ(handle, kInvalidPortHandle) << c.path;
    EXPECT_EQ(reason, SerialOpenErrorText(c.path, c.error)) << c.path;
  }
  // No reason asked for: still fails cleanly.
  TPortHandle handle = 7;
  EXPECT_FALSE(OpenSerialPort(missing, handle, 38400));
  EXPECT_EQ(handle, kInvalidPortHandle);
  std::filesystem::remove(plainFile);
}

TEST(OpenSerialPort, ReportsMissingPermission) {
  if (geteuid() == 0) GTEST_SKIP() << "root is never refused; the text is checked below";
  const std::string path =
      (std::filesystem::temp_directory_path() / ("tunewell-locked-" + std::to_string(getpid())))
          .string();
  std::ofstream(path) << "x";
  chmod(path.c_str(), 0);
  TPortHandle handle = 7;
  std::string reason;
  EXPECT_FALSE(OpenSerialPort(path, handle, 38400, &reason));
  EXPECT_EQ(reason, SerialOpenErrorText(path, EACCES));
  std::filesystem::remove(path);
}

TEST(SerialOpenErrorText, TellsTheCausesApart) {
  const std::string path = "/dev/ttyACM0";
  const struct {
    int error;
    std::string says;
  } cases[] = {
      {ENOENT, "не найден"},
      {ENODEV, "не найден"},
      {ENXIO, "не найден"},
      {EBUSY, "занят"},
      {EACCES, "группу dialout"},
      {EPERM, "группу dialout"},
      {ENOTTY, "не является последовательным портом"},
      {EIO, "Не удалось открыть порт /dev/ttyACM0: " +
                std::error_code(EIO, std::generic_category()).message()},
  };
  for (const auto& c : cases) {
    const std::string text = SerialOpenErrorText(path, c.error);
    EXPECT_NE(text.find(c.says), std::string::npos) << c.error << ": " << text;
    EXPECT_NE(text.find(path), std::string::npos) << c.error << ": " << text;
  }
}

TEST(EnumVirtualComPorts, ListsUsbPortsWithADeviceInNaturalOrder) {
  // The fixture also holds ttyS0 (a board port with a device), ttyACM5 (no
  // device behind it) and tty0 (a console).
  EXPECT_EQ(EnumVirtualComPorts(TW_FIXTURES_DIR "/sysfs/class/tty"),
            (std::vector<std::string>{"ttyACM0", "ttyACM2", "ttyACM10", "ttyUSB0"}));
  EXPECT_TRUE(EnumVirtualComPorts(TW_FIXTURES_DIR "/sysfs/no-such-folder").empty());
}

TEST(PortDevicePath, PrefixesBareNamesOnly) {
  EXPECT_EQ(PortDevicePath("ttyACM0"), "/dev/ttyACM0");
  EXPECT_EQ(PortDevicePath("/dev/pts/7"), "/dev/pts/7");
}

}  // namespace
