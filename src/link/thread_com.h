// The exchange thread: owns all traffic on an open port.
//
// It sends queued commands one at a time, polls the device with "<version<?>>"
// whenever nothing is queued, collects each answer with timed reads, and hands
// normalised replies, "timeout" markers and key notifications to the window
// through the queues.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "link/ring.h"
#include "link/serial_port.h"

class TThreadCom {
 public:
  static constexpr std::size_t kBufferSize = 30000;
  static constexpr const char* kIdleCommand = "<version<?>>";
  static constexpr int kIdlePauseMs = 100;
  static constexpr std::size_t kFirstRead = 300;
  static constexpr std::size_t kFirstReadConfigWrite = 1200;
  static constexpr std::size_t kFollowUpRead = 150;

  // Starts running at once on `port`; the queues must outlive the thread.
  TThreadCom(TPortHandle port, TRing& txQueue, TRing& rxQueue, TRing& keyQueue);
  ~TThreadCom();  // Terminate() and WaitFor()

  TThreadCom(const TThreadCom&) = delete;
  TThreadCom& operator=(const TThreadCom&) = delete;

  // Asks the thread to stop; it finishes the exchange in progress (the pause
  // after an idle poll is cut short).
  void Terminate();
  // Waits until the thread has ended.
  void WaitFor();

 private:
  void Execute();
  // One command out, one answer in. `queued` tells a command taken from
  // FTxQueue from the idle poll, whose text may be the same.
  void Exchange(const std::string& command, bool queued);
  // Collects the answer into FBuffer; returns its length, 0 for none.
  std::size_t ReceiveAnswer(std::size_t firstRead);

  TPortHandle FPort;
  TRing& FTxQueue;
  TRing& FRxQueue;
  TRing& FKeyQueue;
  bool FForwardIdle = true;
  std::unique_ptr<char[]> FBuffer;
  std::atomic<bool> FTerminated{false};
  std::mutex FPauseMutex;
  std::condition_variable FPauseWake;
  std::thread FThread;
};
