// Bounded single-producer single-consumer queue of byte strings, without a lock.
//
// Exactly one thread pushes and exactly one thread pops. The producer publishes
// a filled slot with a release store of FTail; the consumer takes it after an
// acquire load of FTail, and hands the slot back with a release store of FHead.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class TRing {
 public:
  // Holds at most `capacity` items; the slots are allocated once, here.
  explicit TRing(std::int32_t capacity)
      : FItems(std::make_unique<std::string[]>(static_cast<std::size_t>(capacity) + 1)),
        FSize(capacity + 1) {}

  TRing(const TRing&) = delete;
  TRing& operator=(const TRing&) = delete;

  // Stores a copy as the newest item; a full queue drops it silently.
  void Push(std::string text) {
    const std::int32_t tail = FTail.load(std::memory_order_relaxed);
    const std::int32_t next = tail + 1 == FSize ? 0 : tail + 1;
    if (next == FHead.load(std::memory_order_acquire)) return;
    FItems[tail] = std::move(text);
    FTail.store(next, std::memory_order_release);
  }

  // Removes and returns the oldest item. Callers check IsEmpty() first; a Pop
  // on an empty queue returns an empty text and leaves the queue intact
  // rather than running the head past the tail.
  std::string Pop() {
    const std::int32_t head = FHead.load(std::memory_order_relaxed);
    if (head == FTail.load(std::memory_order_acquire)) return {};
    std::string text = std::move(FItems[head]);
    FItems[head].clear();
    FHead.store(head == FSize - 1 ? 0 : head + 1, std::memory_order_release);
    return text;
  }

  bool IsEmpty() const {
    return FHead.load(std::memory_order_acquire) == FTail.load(std::memory_order_acquire);
  }

  std::int32_t Capacity() const { return FSize - 1; }

 private:
  std::unique_ptr<std::string[]> FItems;
  std::atomic<std::int32_t> FHead{0};
  std::atomic<std::int32_t> FTail{0};
  const std::int32_t FSize;
};
