// Exchange thread; see thread_com.h.
#include "link/thread_com.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <string_view>

#include "link/codec.h"

namespace {

constexpr std::string_view kConfigWritePrefix = "<config<#";
constexpr std::string_view kTimeoutMarker = "timeout";
constexpr std::string_view kKeyPrefix = "<key>";

// The parser does not throw on any input; should it ever (memory), the
// answer is treated as holding no frame rather than ending the thread.
std::string SafeParse(std::string_view bytes, std::size_t& position, std::size_t end) {
  try {
    return ParseReplyFrame(bytes, position, end);
  } catch (const std::exception&) {
    return {};
  }
}

}  // namespace

TThreadCom::TThreadCom(TPortHandle port, TRing& txQueue, TRing& rxQueue, TRing& keyQueue)
    : FPort(port),
      FTxQueue(txQueue),
      FRxQueue(rxQueue),
      FKeyQueue(keyQueue),
      FBuffer(std::make_unique<char[]>(kBufferSize)),
      FThread(&TThreadCom::Execute, this) {}

TThreadCom::~TThreadCom() {
  Terminate();
  WaitFor();
}

void TThreadCom::Terminate() {
  {
    // Under the mutex so that the pause cannot miss the wake-up between
    // checking the flag and starting to wait.
    std::lock_guard<std::mutex> lock(FPauseMutex);
    FTerminated.store(true);
  }
  FPauseWake.notify_all();
}

void TThreadCom::WaitFor() {
  if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) FThread.join();
}

void TThreadCom::Execute() {
  while (!FTerminated.load()) {
    const bool idle = FTxQueue.IsEmpty();
    const std::string command = idle ? std::string(kIdleCommand) : FTxQueue.Pop();
    Exchange(command, !idle);
    if (idle) {
      std::unique_lock<std::mutex> lock(FPauseMutex);
      FPauseWake.wait_for(lock, std::chrono::milliseconds(kIdlePauseMs),
                          [this] { return FTerminated.load(); });
    }
  }
}

std::size_t TThreadCom::ReceiveAnswer(std::size_t firstRead) {
  char* const buffer = FBuffer.get();
  std::size_t total = ReadTimed(FPort, buffer, std::min(firstRead, kBufferSize));
  if (total == 0) return 0;
  // Anything but a frame start is line noise or a device out of step: the
  // whole answer is dropped, as if none had come.
  if (buffer[0] != '<') return 0;
  // An answer longer than the buffer is cut at its end; the parser then finds
  // whatever complete frames lie within it.
  while (total < kBufferSize) {
    const std::size_t got =
        ReadTimed(FPort, buffer + total, std::min(kFollowUpRead, kBufferSize - total));
    if (got == 0) break;
    total += got;
  }
  return total;
}

void TThreadCom::Exchange(const std::string& command, bool queued) {
  PurgeInput(FPort);
  // A failed write needs no report of its own: nothing comes back, and the
  // empty read below turns it into a timeout.
  WriteAll(FPort, command);
  const std::size_t firstRead =
      command.starts_with(kConfigWritePrefix) ? kFirstReadConfigWrite : kFirstRead;
  const std::size_t total = ReceiveAnswer(firstRead);
  if (total == 0) {
    FRxQueue.Push(std::string(kTimeoutMarker));
    FForwardIdle = true;
    return;
  }

  const std::string_view bytes(FBuffer.get(), total);
  std::size_t position = 0;
  const std::string reply = SafeParse(bytes, position, total);
  if (!reply.empty()) {
    // Idle polls are reported once per (re)appearance of the device, not on
    // every cycle.
    if (queued || FForwardIdle) FRxQueue.Push(NormaliseReply(command, reply));
    FForwardIdle = false;
  }
  // A key pressed on the device rides along as the second frame.
  std::string second = SafeParse(bytes, position, total);
  if (second.starts_with(kKeyPrefix)) FKeyQueue.Push(std::move(second));
}
