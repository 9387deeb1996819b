// One connection to a device, run the way the window runs it: the port opened
// at 38400 baud, the three queues, the exchange thread polling the device, and
// commands answered one at a time. Every wait has a deadline, so a command
// never hangs on a silent device.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "editors/editor_select.h"
#include "link/ring.h"
#include "link/serial_port.h"
#include "link/thread_com.h"

class TDeviceSession {
 public:
  using TClock = std::chrono::steady_clock;

  static constexpr std::int32_t kQueueCapacity = 10000;
  static constexpr std::chrono::milliseconds kVersionWait{3000};
  static constexpr std::chrono::milliseconds kCommandWait{3000};
  // A whole image at 38400 baud: 30000 bytes take about 8 s.
  static constexpr std::chrono::milliseconds kConfigReadWait{10000};
  // The thread waits up to 1.2 s for the first byte of a write's answer.
  static constexpr std::chrono::milliseconds kConfigWriteWait{5000};

  // Opens `port` (a port name or a device path) and starts the exchange.
  // Throws TCliFailure(kExitNoDevice) when the port cannot be opened.
  explicit TDeviceSession(const std::string& port);
  ~TDeviceSession();
  TDeviceSession(const TDeviceSession&) = delete;
  TDeviceSession& operator=(const TDeviceSession&) = delete;

  // Waits for the device's version report. Throws kExitNoDevice when none
  // comes in time.
  TVersions WaitForDevice();

  // Logs in with a Windows-1251 password. Throws kExitRefused on a refusal,
  // kExitNoDevice on no answer.
  void Login(const std::string& password);

  // Sends one request frame and returns its normalised reply
  // ("<" + command name + ">" + ...). Throws kExitNoDevice when the device
  // does not answer it in time.
  std::string Request(const std::string& frame, std::chrono::milliseconds limit = kCommandWait);

 private:
  std::optional<std::string> NextReply(TClock::time_point deadline);

  TRing FTxQueue{kQueueCapacity};
  TRing FRxQueue{kQueueCapacity};
  TRing FKeyQueue{kQueueCapacity};
  TPortHandle FComHandle = kInvalidPortHandle;
  std::unique_ptr<TThreadCom> FComThread;
};
