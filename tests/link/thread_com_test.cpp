#include "link/thread_com.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "link/codec.h"
#include "pty.h"

using namespace std::string_literals;
using namespace std::chrono_literals;

namespace {

const std::string kVersionFrame = "<version<#\x04\x05\x02\x0A\x09>>"s;
const std::string kVersionReply = "<version><version>\x05\x02\x0A\x09"s;

// The test plays the device on the master side of a pseudo-terminal and the
// window on the queues; the thread runs on the slave side.
class ThreadComOnPty : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string reason;
    ASSERT_TRUE(OpenSerialPort(FPty.SlavePath(), FPort, 38400, &reason)) << reason;
  }
  void TearDown() override {
    FThread.reset();  // stops before the device and the port go
    FDevice.reset();
    CloseSerialPort(FPort);
  }

  void Start(TFakeDevice::TAnswer answer) {
    FDevice = std::make_unique<TFakeDevice>(FPty, std::move(answer));
    FThread = std::make_unique<TThreadCom>(FPort, FTx, FRx, FKey);
  }

  std::size_t Polls() const {
    std::size_t polls = 0;
    for (const auto& c : FDevice->Commands()) polls += c == TThreadCom::kIdleCommand;
    return polls;
  }
  // Waits for `count` more idle polls to reach the device.
  bool WaitForPolls(std::size_t count) {
    const std::size_t target = Polls() + count;
    return WaitUntil([&] { return Polls() >= target; }, 20s);
  }

  std::vector<std::string> Drain(TRing& ring) {
    std::vector<std::string> items;
    while (!ring.IsEmpty()) items.push_back(ring.Pop());
    return items;
  }
  // The next entry of FRx other than "timeout", or "" when none comes.
  std::string NextReply() {
    std::string reply;
    WaitUntil([&] {
      while (!FRx.IsEmpty()) {
        reply = FRx.Pop();
        if (reply != "timeout") return true;
      }
      return false;
    });
    return reply == "timeout" ? "" : reply;
  }

  TPty FPty;
  TPortHandle FPort = kInvalidPortHandle;
  TRing FTx{10000};
  TRing FRx{10000};
  TRing FKey{10000};
  std::unique_ptr<TFakeDevice> FDevice;
  std::unique_ptr<TThreadCom> FThread;
};

TEST_F(ThreadComOnPty, IdlePollsAreReportedOncePerAppearanceOfTheDevice) {
  std::atomic<bool> answering{true};
  Start([&](const std::string&) { return answering ? kVersionFrame : ""s; });

  ASSERT_TRUE(WaitForPolls(4));
  EXPECT_EQ(Drain(FRx), std::vector<std::string>{kVersionReply});

  answering = false;
  ASSERT_TRUE(WaitUntil([&] { return !FRx.IsEmpty(); }));
  EXPECT_EQ(FRx.Pop(), "timeout");
  ASSERT_TRUE(WaitUntil([&] { return !FRx.IsEmpty(); }));
  EXPECT_EQ(FRx.Pop(), "timeout");  // every failed poll is reported

  answering = true;
  EXPECT_EQ(NextReply(), kVersionReply);
  ASSERT_TRUE(WaitForPolls(3));
  for (const auto& item : Drain(FRx)) EXPECT_EQ(item, "timeout");
  EXPECT_TRUE(FKey.IsEmpty());
}

TEST_F(ThreadComOnPty, QueuedCommandsAreAlwaysAnswered) {
  const std::string image = "\x01<>\x00#\xFF"s;
  const std::string key = "\x00\x00\x12\x34\x56\x78"s;
  // Queued before the thread starts, so that it is the first exchange.
  FTx.Push("<config<?>>");
  Start([&](const std::string& command) {
    if (command == "<config<?>>") {
      // The image, then a key pressed meanwhile, in two bursts.
      std::string answer = "<config<#\x06"s + image + ">>";
      FPty.Write(answer.substr(0, 7));
      std::this_thread::sleep_for(20ms);
      return answer.substr(7) + "<key<#\x06"s + key + ">>";
    }
    return kVersionFrame;
  });
  EXPECT_EQ(NextReply(), "<config><config>"s + image);
  ASSERT_TRUE(WaitUntil([&] { return !FKey.IsEmpty(); }));
  EXPECT_EQ(FKey.Pop(), "<key>"s + key);

  // The answered command counts as the device's appearance: polls stay quiet...
  ASSERT_TRUE(WaitForPolls(3));
  EXPECT_EQ(Drain(FRx), std::vector<std::string>{});
  // ...but a queued version request is the window's own and is answered.
  FTx.Push(TThreadCom::kIdleCommand);
  EXPECT_EQ(NextReply(), kVersionReply);
}

TEST_F(ThreadComOnPty, ConfigurationWriteWaitsLongerForItsAnswer) {
  FTx.Push(BinaryFrame("config", std::string(200, '\x5A')));
  Start([&](const std::string& command) {
    if (command.starts_with("<config<#")) {
      std::this_thread::sleep_for(450ms);  // beyond the ordinary 301 ms wait
      return "<ok<>>"s;
    }
    return kVersionFrame;
  });
  EXPECT_EQ(NextReply(), "<config><ok>");
}

TEST_F(ThreadComOnPty, AnswerLongerThanTheBufferIsCutNotOverrun) {
  std::atomic<bool> flooded{false};
  FTx.Push("<config<?>>");
  Start([&](const std::string& command) {
    if (command == "<config<?>>") {
      flooded = true;
      // A well-formed frame whose end lies past the buffer.
      return "<config<" + std::string(TThreadCom::kBufferSize + 500, 'a') + ">>";
    }
    return kVersionFrame;
  });
  ASSERT_TRUE(WaitUntil([&] { return flooded.load(); }));
  // The cut answer holds no complete frame; the device is then reported by
  // the first clean poll.
  EXPECT_EQ(NextReply(), kVersionReply);
}

TEST_F(ThreadComOnPty, StopsPromptlyWhetherOrNotTheDeviceAnswers) {
  std::atomic<bool> answering{true};
  Start([&](const std::string&) { return answering ? kVersionFrame : ""s; });
  ASSERT_TRUE(WaitForPolls(2));
  auto start = std::chrono::steady_clock::now();
  FThread->Terminate();
  FThread->WaitFor();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);

  answering = false;
  FThread = std::make_unique<TThreadCom>(FPort, FTx, FRx, FKey);
  ASSERT_TRUE(WaitForPolls(2));
  start = std::chrono::steady_clock::now();
  FThread.reset();  // the destructor stops it too
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

}  // namespace
