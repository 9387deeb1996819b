// kxsim: a KX device on a pseudo-terminal, for trying the program and the CLI
// without hardware. Prints the terminal's path on its first line, then answers
// until interrupted.
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <exception>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>

#include "editors/cp1251.h"
#include "link/codec.h"
#include "sim/sim_device.h"

namespace {

constexpr const char* kUsage =
    "Usage: kxsim [options]\n"
    "Simulated KX device on a pseudo-terminal; prints its path, runs until Ctrl+C.\n"
    "  --hw MAJOR.MINOR      hardware version (default 9.3)\n"
    "  --sw MAJOR.MINOR      firmware version (default 2.5)\n"
    "  --password TEXT       access password (default 9072)\n"
    "  --image FILE          configuration image (default: 194 zero bytes)\n"
    "  --gid HEX12           GID, 12 hex digits (default 000000000000)\n"
    "  --write-error TEXT    refuse configuration writes with this detail\n"
    "  --unpaced             answer at full speed instead of 38400 baud\n"
    "  --silent              never answer\n"
    "  --noise TEXT          send TEXT before every answer\n"
    "  --bursts N            split answers into N bursts\n"
    "  --gap MS              silence between bursts (default 40)\n"
    "  --delay MS            think time before answering (default 2)\n"
    "  --key-every SECONDS   present key 0x000000000001, 2, ... this often\n"
    "  --help                this text\n";

[[noreturn]] void Fail(const std::string& message) {
  std::cerr << "kxsim: " << message << "\n(--help for usage)\n";
  std::exit(2);
}

int ToInt(const std::string& option, const std::string& text, int low, int high) {
  try {
    std::size_t used = 0;
    const int value = std::stoi(text, &used);
    if (used == text.size() && value >= low && value <= high) return value;
  } catch (const std::exception&) {
  }
  Fail(option + ": expected a number from " + std::to_string(low) + " to " + std::to_string(high) +
       ", got \"" + text + "\"");
}

// "9.10" -> major 9, minor 10.
void ToVersion(const std::string& option, const std::string& text, std::uint8_t& major,
               std::uint8_t& minor) {
  const auto dot = text.find('.');
  if (dot == std::string::npos) Fail(option + ": expected MAJOR.MINOR, got \"" + text + "\"");
  major = static_cast<std::uint8_t>(ToInt(option, text.substr(0, dot), 0, 255));
  minor = static_cast<std::uint8_t>(ToInt(option, text.substr(dot + 1), 0, 255));
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) Fail("cannot open image file \"" + path + "\": " + std::strerror(errno));
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string GidBytes(const std::string& hex) {
  // Digits only: stoi alone would also take a sign or a space ("-1", " f").
  if (hex.size() != 12 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
    Fail("--gid: expected 12 hexadecimal digits");
  return HexDecode(hex);
}

// 48-bit value, most significant byte first.
std::string KeyValue(std::uint64_t n) {
  std::string bytes(6, '\0');
  for (int i = 5; i >= 0; --i, n >>= 8) bytes[static_cast<std::size_t>(i)] = static_cast<char>(n);
  return bytes;
}

}  // namespace

int main(int argc, char** argv) {
  TSimOptions options;
  bool silent = false;
  std::string noise;
  int bursts = 1;
  int gapMs = 40;
  std::optional<int> keyEverySeconds;

  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Fail(arg + ": value missing");
      return argv[++i];
    };
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--hw") {
      ToVersion(arg, value(), options.HwMajor, options.HwMinor);
    } else if (arg == "--sw") {
      ToVersion(arg, value(), options.SwMajor, options.SwMinor);
    } else if (arg == "--password") {
      // The device compares the bytes it receives, which the program sends in
      // Windows-1251; a UTF-8 password could never be matched.
      std::string problem;
      if (!DevicePassword(value(), options.Password, problem)) Fail("--password: " + problem);
    } else if (arg == "--image") {
      options.Image = ReadFile(value());
      if (options.Image.empty()) Fail("the image file is empty");
      // A "config" frame carries the image and its checksum byte.
      if (options.Image.size() >= kMaxPayloadLength)
        Fail("the image file holds " + std::to_string(options.Image.size()) +
             " bytes; a configuration frame carries at most " +
             std::to_string(kMaxPayloadLength - 1));
    } else if (arg == "--gid") {
      options.Gid = GidBytes(value());
    } else if (arg == "--write-error") {
      // Shown by the program as Windows-1251 text, as a device sends it.
      options.WriteError = Utf8ToCp1251(value());
      if (options.WriteError.empty()) Fail("--write-error: the detail must not be empty");
    } else if (arg == "--unpaced") {
      options.Paced = false;
    } else if (arg == "--silent") {
      silent = true;
    } else if (arg == "--noise") {
      noise = value();
    } else if (arg == "--bursts") {
      bursts = ToInt(arg, value(), 1, 1000);
    } else if (arg == "--gap") {
      gapMs = ToInt(arg, value(), 0, 10000);
    } else if (arg == "--delay") {
      options.AnswerDelayMs = ToInt(arg, value(), 0, 60000);
    } else if (arg == "--key-every") {
      keyEverySeconds = ToInt(arg, value(), 1, 86400);
    } else {
      Fail("unknown option \"" + arg + "\"");
    }
  }

  // Blocked before the device thread starts, so that only this thread takes them.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  std::optional<TSimDevice> device;
  try {
    device.emplace(options);
  } catch (const std::exception& e) {
    std::cerr << "kxsim: no pseudo-terminal: " << e.what() << "\n";
    return 1;
  }
  device->SetSilent(silent);
  device->SetNoise(noise);
  device->SetBursts(bursts, gapMs);

  std::cout << device->Path() << std::endl;

  std::uint64_t keyNumber = 0;
  for (;;) {
    int signal = -1;
    if (keyEverySeconds) {
      const timespec timeout{*keyEverySeconds, 0};
      signal = sigtimedwait(&stopSignals, nullptr, &timeout);
      if (signal < 0 && errno == EAGAIN) {
        device->QueueKey(KeyValue(++keyNumber));
        continue;
      }
    } else {
      sigwait(&stopSignals, &signal);
    }
    if (signal == SIGINT || signal == SIGTERM) break;
  }
  std::cerr << "kxsim: stopped after " << device->RequestCount() << " requests\n";
  return 0;
}
