// A pseudo-terminal whose slave side stands in for the device's port, and a
// small fake device answering on the master side.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

// Polls `condition` until it holds or `timeout` passes; the machine running
// the tests may be slow, so callers give generous timeouts.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

class TPty {
 public:
  TPty() {
    FMaster = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (FMaster < 0 || grantpt(FMaster) != 0 || unlockpt(FMaster) != 0) {
      throw std::runtime_error("no pseudo-terminal");
    }
    char name[128] = {};
    if (ptsname_r(FMaster, name, sizeof name) != 0) throw std::runtime_error("no slave name");
    FSlavePath = name;
  }
  ~TPty() { CloseMaster(); }
  TPty(const TPty&) = delete;
  TPty& operator=(const TPty&) = delete;

  int Master() const { return FMaster; }
  const std::string& SlavePath() const { return FSlavePath; }

  void CloseMaster() {
    if (FMaster >= 0) close(FMaster);
    FMaster = -1;
  }

  void Write(std::string_view bytes) const {
    while (!bytes.empty()) {
      const ssize_t r = write(FMaster, bytes.data(), bytes.size());
      if (r < 0) {
        if (errno == EINTR) continue;
        throw std::runtime_error("write to pty master failed");
      }
      bytes.remove_prefix(static_cast<std::size_t>(r));
    }
  }

  // What arrives on the master within `timeout`, stopping at `want` bytes.
  std::string Read(std::size_t want, std::chrono::milliseconds timeout) const {
    std::string out;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (out.size() < want) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          deadline - std::chrono::steady_clock::now());
      if (left.count() <= 0) break;
      pollfd pfd{FMaster, POLLIN, 0};
      if (poll(&pfd, 1, static_cast<int>(left.count())) <= 0) continue;
      char chunk[256];
      const ssize_t r = read(FMaster, chunk, std::min(sizeof chunk, want - out.size()));
      if (r <= 0) break;
      out.append(chunk, static_cast<std::size_t>(r));
    }
    return out;
  }

 private:
  int FMaster = -1;
  std::string FSlavePath;
};

// Reads commands (each ends with ">>") from the master and writes back what
// `answer` returns for them; an empty answer stays silent. The answer runs on
// the device's own thread and may sleep to answer late.
class TFakeDevice {
 public:
  using TAnswer = std::function<std::string(const std::string& command)>;

  TFakeDevice(const TPty& pty, TAnswer answer)
      : FPty(pty), FAnswer(std::move(answer)), FThread([this] { Run(); }) {}
  ~TFakeDevice() {
    FStop = true;
    FThread.join();
  }

  std::size_t CommandCount() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FCommands.size();
  }
  std::vector<std::string> Commands() const {
    std::lock_guard<std::mutex> lock(FMutex);
    return FCommands;
  }

 private:
  void Run() {
    std::string pending;
    while (!FStop) {
      pollfd pfd{FPty.Master(), POLLIN, 0};
      if (poll(&pfd, 1, 10) <= 0) continue;
      char chunk[512];
      const ssize_t r = read(FPty.Master(), chunk, sizeof chunk);
      if (r <= 0) {
        // No slave open at this moment: wait for the port to come back.
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        continue;
      }
      pending.append(chunk, static_cast<std::size_t>(r));
      for (std::size_t end; (end = pending.find(">>")) != std::string::npos;) {
        const std::string command = pending.substr(0, end + 2);
        pending.erase(0, end + 2);
        {
          std::lock_guard<std::mutex> lock(FMutex);
          FCommands.push_back(command);
        }
        const std::string reply = FAnswer(command);
        if (!reply.empty()) FPty.Write(reply);
      }
    }
  }

  const TPty& FPty;
  TAnswer FAnswer;
  std::atomic<bool> FStop{false};
  mutable std::mutex FMutex;
  std::vector<std::string> FCommands;
  std::thread FThread;
};
