#include "link/ring.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

using namespace std::string_literals;

namespace {

TEST(TRing, HoldsCapacityItemsAndDropsTheNext) {
  TRing ring(3);
  EXPECT_TRUE(ring.IsEmpty());
  ring.Push("a");
  ring.Push("b");
  ring.Push("c");
  ring.Push("d");  // full: dropped
  EXPECT_FALSE(ring.IsEmpty());
  EXPECT_EQ(ring.Pop(), "a");
  EXPECT_EQ(ring.Pop(), "b");
  EXPECT_EQ(ring.Pop(), "c");
  EXPECT_TRUE(ring.IsEmpty());
}

TEST(TRing, PopOnEmptyLeavesTheQueueIntact) {
  TRing ring(2);
  EXPECT_EQ(ring.Pop(), "");
  EXPECT_TRUE(ring.IsEmpty());
  ring.Push("a");
  ring.Push("b");
  ring.Push("c");  // still full at two: the stray Pop freed no slot
  EXPECT_EQ(ring.Pop(), "a");
  EXPECT_EQ(ring.Pop(), "b");
  EXPECT_TRUE(ring.IsEmpty());
}

TEST(TRing, WrapsAroundTheSlotArrayInOrder) {
  TRing ring(3);
  int next = 0;
  int expected = 0;
  // Two in, two out, many times: head and tail pass the last slot repeatedly,
  // and each round also checks that the full test still holds after a wrap.
  for (int round = 0; round < 10; ++round) {
    ring.Push(std::to_string(next++));
    ring.Push(std::to_string(next++));
    ring.Push(std::to_string(next++));
    ring.Push("dropped");
    for (int i = 0; i < 3; ++i) ASSERT_EQ(ring.Pop(), std::to_string(expected++)) << round;
    ASSERT_TRUE(ring.IsEmpty()) << round;
    ring.Push(std::to_string(next++));
    ASSERT_EQ(ring.Pop(), std::to_string(expected++)) << round;
  }
}

TEST(TRing, KeepsBinaryBytes) {
  TRing ring(2);
  const std::string binary = "<config><config>\x00\x01\xFF<>\x00"s + std::string(300, '\0');
  ring.Push(binary);
  ring.Push(""s);
  EXPECT_EQ(ring.Pop(), binary);
  EXPECT_EQ(ring.Pop(), "");
  EXPECT_TRUE(ring.IsEmpty());
}

// Item i: its number as raw bytes (NULs included) and a tail of varying
// length, so that short and heap-held strings both cross the threads.
std::string Item(std::uint32_t i) {
  std::string s(reinterpret_cast<const char*>(&i), sizeof i);
  s.push_back('\0');
  s.append(i % 41, static_cast<char>(i & 0xFF));
  return s;
}

TEST(TRing, OneProducerOneConsumerKeepOrderAndContent) {
  constexpr std::int32_t kCapacity = 64;
  constexpr std::uint32_t kItems = 200000;
  TRing ring(kCapacity);
  // Push drops when full, so the producer only pushes while it knows there
  // is room: at most kCapacity items not yet counted as taken.
  std::atomic<std::uint32_t> taken{0};
  std::atomic<bool> mismatch{false};
  // A lost item would leave the consumer waiting for ever; fail instead.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  const auto timedOut = [&] { return std::chrono::steady_clock::now() > deadline; };
  std::atomic<bool> gaveUp{false};

  std::thread consumer([&] {
    for (std::uint32_t i = 0; i < kItems;) {
      if (ring.IsEmpty()) {
        if (gaveUp || timedOut()) {
          gaveUp = true;
          return;
        }
        std::this_thread::yield();
        continue;
      }
      if (ring.Pop() != Item(i)) mismatch = true;
      ++i;
      taken.store(i, std::memory_order_release);
    }
  });
  std::thread producer([&] {
    for (std::uint32_t i = 0; i < kItems;) {
      if (i - taken.load(std::memory_order_acquire) >= static_cast<std::uint32_t>(kCapacity)) {
        if (gaveUp || timedOut()) {
          gaveUp = true;
          return;
        }
        std::this_thread::yield();
        continue;
      }
      ring.Push(Item(i++));
    }
  });
  producer.join();
  consumer.join();
  EXPECT_FALSE(gaveUp);
  EXPECT_FALSE(mismatch);
  EXPECT_TRUE(ring.IsEmpty());
}

}  // namespace
