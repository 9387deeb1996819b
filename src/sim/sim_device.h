// A simulated KX device on a pseudo-terminal: answers the wire protocol as a
// device would, for tests, benchmarks and trying the program without hardware.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct TSimOptions {
  // Version report bytes: firmware minor, firmware major, hardware minor, hardware major.
  std::uint8_t SwMinor = 5;
  std::uint8_t SwMajor = 2;
  std::uint8_t HwMinor = 3;
  std::uint8_t HwMajor = 9;
  std::string Password = "9072";           // access password
  std::string Image;                       // configuration image; empty gives 194 zero bytes
                                           // (at most kMaxPayloadLength - 1 bytes)
  std::string Gid = std::string(6, '\0');  // 6 bytes, most significant first
  std::string WriteError;                  // non-empty: configuration writes are refused with it
  bool Paced = true;                       // send at the pace of 38400 baud (about 0.26 ms a byte)
  int AnswerDelayMs = 2;                   // device's think time before it answers
};

class TSimDevice {
 public:
  // Opens a pseudo-terminal and starts answering on it at once. Throws
  // std::invalid_argument for an image too long for a "config" frame.
  explicit TSimDevice(TSimOptions options = {});
  ~TSimDevice();
  TSimDevice(const TSimDevice&) = delete;
  TSimDevice& operator=(const TSimDevice&) = delete;

  // Path of the terminal side a client opens, e.g. "/dev/pts/7".
  const std::string& Path() const;

  // Fault modes and settings; thread-safe, effective from the next request.
  void SetSilent(bool silent);              // no answers at all
  void SetNoise(const std::string& bytes);  // sent before every answer frame
  void SetBursts(int count, int gapMs);     // answers split into `count` bursts
  void SetAnswerDelay(int ms);
  void SetPaced(bool paced);
  void SetWriteError(const std::string& detail);  // empty: writes are accepted
  void SetVersion(std::uint8_t swMinor, std::uint8_t swMajor, std::uint8_t hwMinor,
                  std::uint8_t hwMajor);
  void SetImage(const std::string& image);  // throws as the constructor does
  // Sends "<key<#" + 6-byte value + ">>" as a second frame after the next answer.
  void QueueKey(const std::string& value);
  // The port disappears: the pseudo-terminal is closed for good.
  void Disappear();

  // What the device has seen and holds.
  std::vector<std::string> Requests() const;  // every request frame, in order
  // When the first byte of each request arrived, in the same order.
  std::vector<std::chrono::steady_clock::time_point> RequestTimes() const;
  std::size_t RequestCount() const;
  std::string Image() const;             // current configuration (after writes)
  std::string LastWrittenImage() const;  // image of the last accepted write
  std::string Password() const;
  std::string Gid() const;
  bool LoggedIn() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};
