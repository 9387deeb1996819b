#include "cli/device_session.h"

#include <thread>

#include "cli/cli.h"
#include "link/codec.h"

namespace {

constexpr const char* kPortOpenError = "Ошиба открытия порта!";
constexpr const char* kNoAnswer = "Устройство не отвечает";
constexpr const char* kWrongPassword = "Неверный пароль!";
constexpr std::string_view kVersionReply = "<version><version>";
constexpr std::chrono::milliseconds kPollStep{5};

}  // namespace

TDeviceSession::TDeviceSession(const std::string& port) {
  const std::string path = PortDevicePath(port);
  std::string reason;
  if (!OpenSerialPort(path, FComHandle, 38400, &reason)) {
    // The reason names the port; without one, the path does.
    const std::string message =
        std::string(kPortOpenError) + " " + (reason.empty() ? path : reason);
    throw TCliFailure(kExitNoDevice, message);
  }
  FComThread = std::make_unique<TThreadCom>(FComHandle, FTxQueue, FRxQueue, FKeyQueue);
}

TDeviceSession::~TDeviceSession() {
  // The thread stops before the port closes; the queues go last.
  FComThread.reset();
  CloseSerialPort(FComHandle);
}

std::optional<std::string> TDeviceSession::NextReply(TClock::time_point deadline) {
  for (;;) {
    if (!FRxQueue.IsEmpty()) return FRxQueue.Pop();
    if (TClock::now() >= deadline) return std::nullopt;
    std::this_thread::sleep_for(kPollStep);
  }
}

TVersions TDeviceSession::WaitForDevice() {
  const auto deadline = TClock::now() + kVersionWait;
  // Timeouts of the idle poll only mean the device has not answered yet.
  while (auto reply = NextReply(deadline)) {
    if (reply->starts_with(kVersionReply) && reply->size() >= kVersionReply.size() + 4)
      return VersionsFromReport(std::string_view(*reply).substr(kVersionReply.size()));
  }
  throw TCliFailure(kExitNoDevice, kNoAnswer);
}

void TDeviceSession::Login(const std::string& password) {
  const std::string reply = Request(TextFrame("login", password));
  if (reply.starts_with("<login><ok>")) return;
  if (reply.starts_with("<login><error>")) throw TCliFailure(kExitRefused, kWrongPassword);
  throw TCliFailure(kExitRefused, "Неожиданный ответ прибора на вход: " + HexEncode(reply));
}

std::string TDeviceSession::Request(const std::string& frame, std::chrono::milliseconds limit) {
  // Whatever the idle polls left behind is not an answer to this command.
  while (!FRxQueue.IsEmpty()) FRxQueue.Pop();
  const std::string prefix = "<" + CommandName(frame) + ">";
  FTxQueue.Push(frame);
  const auto deadline = TClock::now() + limit;
  // The thread answers every queued command with exactly one entry. Before it
  // comes at most the entry of the idle poll that was in flight when the
  // command was queued ("timeout", or a version report after an earlier
  // timeout), so a second entry that is not ours means ours was "timeout".
  int foreign = 0;
  while (auto reply = NextReply(deadline)) {
    if (*reply != "timeout" && reply->starts_with(prefix)) return *reply;
    if (++foreign == 2) break;
  }
  throw TCliFailure(kExitNoDevice, kNoAnswer);
}
