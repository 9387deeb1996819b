// The exchange thread against the simulated device over a real pseudo-terminal:
// what the window receives through the queues when the device answers, stays
// silent, answers in pieces, with noise, with key presses, or vanishes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "link/codec.h"
#include "link/ring.h"
#include "link/serial_port.h"
#include "link/thread_com.h"
#include "sim/sim_device.h"

namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

// Generous bounds: the machine running the tests may be slow and loaded.
constexpr auto kWait = 10s;

std::string Bytes(std::initializer_list<int> values) {
  std::string s;
  for (int v : values) s.push_back(static_cast<char>(v));
  return s;
}

const std::string kVersionReply = "<version><version>" + Bytes({5, 2, 3, 9});

std::string Image(std::size_t n) {
  std::string image;
  for (std::size_t i = 0; i < n; ++i) image.push_back(static_cast<char>(i * 13 + 5));
  image[1] = '>';
  image[2] = '>';
  image[3] = '<';
  image[4] = '\0';
  return image;
}

bool WaitUntil(const std::function<bool()>& condition, TClock::duration wait = kWait) {
  const auto deadline = TClock::now() + wait;
  while (!condition()) {
    if (TClock::now() >= deadline) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

class TThreadComOnSim : public ::testing::Test {
 protected:
  void Start(TSimOptions options = {}) {
    FDevice = std::make_unique<TSimDevice>(options);
    std::string reason;
    ASSERT_TRUE(OpenSerialPort(FDevice->Path(), FPort, 38400, &reason)) << reason;
    FThread = std::make_unique<TThreadCom>(FPort, FTx, FRx, FKeys);
  }

  void TearDown() override {
    FThread.reset();
    if (FPort != kInvalidPortHandle) CloseSerialPort(FPort);
    FDevice.reset();
  }

  // Moves everything queued for the window into FReplies / FKeyReplies.
  void Drain() {
    while (!FRx.IsEmpty()) FReplies.push_back(FRx.Pop());
    while (!FKeys.IsEmpty()) FKeyReplies.push_back(FKeys.Pop());
  }

  std::size_t Count(const std::string& reply) {
    Drain();
    return static_cast<std::size_t>(std::count(FReplies.begin(), FReplies.end(), reply));
  }

  bool WaitForReply(const std::string& reply, std::size_t count = 1) {
    return WaitUntil([&] { return Count(reply) >= count; });
  }

  // Waits until the device has heard `n` requests beyond what it had heard.
  bool WaitForRequests(std::size_t n) {
    const std::size_t target = FDevice->RequestCount() + n;
    return WaitUntil([&] { return FDevice->RequestCount() >= target; });
  }

  // The one reply that starts with `prefix`.
  std::vector<std::string> RepliesStartingWith(const std::string& prefix) {
    Drain();
    std::vector<std::string> found;
    for (const auto& r : FReplies) {
      if (r.starts_with(prefix)) found.push_back(r);
    }
    return found;
  }

  void Login() {
    FTx.Push("<login<9072>>");
    ASSERT_TRUE(WaitForReply("<login><ok>"));
  }

  std::unique_ptr<TSimDevice> FDevice;
  TPortHandle FPort = kInvalidPortHandle;
  TRing FTx{10000};
  TRing FRx{10000};
  TRing FKeys{10000};
  std::unique_ptr<TThreadCom> FThread;
  std::vector<std::string> FReplies;
  std::vector<std::string> FKeyReplies;
};

TEST_F(TThreadComOnSim, IdlePollsReportThePresenceOfTheDeviceOnce) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(WaitForReply(kVersionReply));
  // The device keeps answering the polls; the window hears nothing more.
  ASSERT_TRUE(WaitForRequests(4));
  Drain();
  EXPECT_EQ(FReplies, std::vector<std::string>{kVersionReply});
  for (const auto& request : FDevice->Requests()) EXPECT_EQ(request, "<version<?>>");

  // Silence: every failed poll is reported.
  FDevice->SetSilent(true);
  ASSERT_TRUE(WaitForReply("timeout", 2));
  // Back again: reported once more, then quiet.
  FDevice->SetSilent(false);
  ASSERT_TRUE(WaitForReply(kVersionReply, 2));
  const std::size_t timeouts = Count("timeout");
  ASSERT_TRUE(WaitForRequests(4));
  EXPECT_EQ(Count(kVersionReply), 2u);
  EXPECT_EQ(Count("timeout"), timeouts);
  EXPECT_TRUE(FKeyReplies.empty());
}

TEST_F(TThreadComOnSim, ConfigurationReadInBurstsArrivesAsOneReply) {
  TSimOptions options;
  options.Image = Image(416);
  ASSERT_NO_FATAL_FAILURE(Start(options));
  ASSERT_NO_FATAL_FAILURE(Login());
  // Gaps well inside the 151 ms the thread waits for more.
  FDevice->SetBursts(3, 50);
  FTx.Push("<config<?>>");
  ASSERT_TRUE(WaitUntil([&] { return !RepliesStartingWith("<config>").empty(); }));
  ASSERT_TRUE(WaitForRequests(2));  // the reply would be in by now if it came twice

  const auto replies = RepliesStartingWith("<config>");
  ASSERT_EQ(replies.size(), 1u);
  const char crc = static_cast<char>(Crc8(options.Image));
  EXPECT_EQ(replies[0], "<config><config>" + options.Image + crc);
  EXPECT_EQ(Count("timeout"), 0u);
}

TEST_F(TThreadComOnSim, ConfigurationWriteIsStoredByteForByteOrRefused) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(Login());
  const std::string image = Image(416);
  FTx.Push(BinaryFrame("config", image));
  ASSERT_TRUE(WaitForReply("<config><ok>"));
  EXPECT_EQ(FDevice->LastWrittenImage(), image);
  EXPECT_EQ(FDevice->Image(), image);

  FDevice->SetWriteError("7");
  FTx.Push(BinaryFrame("config", Image(300)));
  ASSERT_TRUE(WaitForReply("<config><error>7"));
  EXPECT_EQ(FDevice->Image(), image);
  EXPECT_EQ(Count("timeout"), 0u);
}

TEST_F(TThreadComOnSim, NoiseBeforeTheAnswerCountsAsTimeout) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(WaitForReply(kVersionReply));
  ASSERT_NO_FATAL_FAILURE(Login());
  FDevice->SetNoise("\x01zz");
  FTx.Push("<login<9072>>");
  ASSERT_TRUE(WaitForRequests(3));  // the login and two polls, all answered with noise
  ASSERT_TRUE(WaitForReply("timeout", 2));
  EXPECT_EQ(Count("<login><ok>"), 1u);  // only the clean one
  // Noisy answers to the polls after those timeouts do not count as the
  // device being back.
  EXPECT_EQ(Count(kVersionReply), 1u);
}

TEST_F(TThreadComOnSim, KeyFramesAfterTheAnswerReachTheKeyQueue) {
  const std::string key1 = Bytes({0, 0, 0x01, 0x02, 0x03, 0x04});
  const std::string key2 = Bytes({0xAA, '>', '<', 0, 0xFF, 0x10});
  ASSERT_NO_FATAL_FAILURE(Start());
  // With the one version reply that is forwarded...
  FDevice->QueueKey(key1);
  ASSERT_TRUE(WaitUntil([&] {
    Drain();
    return !FKeyReplies.empty();
  }));
  // ...and with the polls whose replies are not.
  ASSERT_TRUE(WaitForReply(kVersionReply));
  FDevice->QueueKey(key2);
  ASSERT_TRUE(WaitUntil([&] {
    Drain();
    return FKeyReplies.size() >= 2;
  }));
  EXPECT_EQ(FKeyReplies, (std::vector<std::string>{"<key>" + key1, "<key>" + key2}));
  EXPECT_EQ(Count(kVersionReply), 1u);
}

TEST_F(TThreadComOnSim, StopsPromptlyEvenMidExchange) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(WaitForReply(kVersionReply));
  // A configuration write waits longest for its answer (1.2 s); the device
  // never gives one.
  ASSERT_NO_FATAL_FAILURE(Login());
  FDevice->SetSilent(true);
  FTx.Push(BinaryFrame("config", Image(100)));
  ASSERT_TRUE(WaitUntil([&] {
    const auto requests = FDevice->Requests();
    return !requests.empty() && requests.back().starts_with("<config<#");
  }));
  const auto start = TClock::now();
  FThread->Terminate();
  FThread->WaitFor();
  EXPECT_LT(TClock::now() - start, 3s);

  // An idle thread stops within its pause.
  FThread.reset();
  FDevice->SetSilent(false);
  FThread = std::make_unique<TThreadCom>(FPort, FTx, FRx, FKeys);
  ASSERT_TRUE(WaitForRequests(2));
  const auto idleStart = TClock::now();
  FThread->Terminate();
  FThread->WaitFor();
  EXPECT_LT(TClock::now() - idleStart, 3s);
}

TEST_F(TThreadComOnSim, VanishedPortGivesTimeoutsWithoutSpinning) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_TRUE(WaitForReply(kVersionReply));
  FDevice->Disappear();
  ASSERT_TRUE(WaitForReply("timeout", 2));

  // Over a second, a spinning loop would report thousands of timeouts; the
  // paced one reports a few (each failed poll waits out its read and pause).
  const std::size_t before = Count("timeout");
  std::this_thread::sleep_for(1s);
  const std::size_t during = Count("timeout") - before;
  EXPECT_LE(during, 20u);
  EXPECT_GE(Count("timeout"), 2u);

  const auto start = TClock::now();
  FThread.reset();
  EXPECT_LT(TClock::now() - start, 3s);
}

}  // namespace
