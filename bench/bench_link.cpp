// The exchange thread against the simulated device (paced like a 38400-baud
// line), measured against what the protocol itself makes it wait:
//
//   floor = device think time + every byte on the wire, both directions, at
//           10 bits a byte + the 151 ms empty follow-up read that ends an answer
//           (+ the 100 ms pause after an idle poll).
//
// The simulator holds back its answer until the request could have crossed
// the wire and then trickles it out at line speed, so that a pseudo-terminal
// (which is instant) costs as much time as the real line. Whatever the ratio
// shows above 1 is the program's own overhead.
//
// Iteration times are taken on the device's side (when each request arrived,
// stamped by the simulator) and fed in as manual time: that is the cycle the
// device sees, free of the benchmark's own polling of the queues.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "link/codec.h"
#include "link/ring.h"
#include "link/serial_port.h"
#include "link/thread_com.h"
#include "sim/sim_device.h"

namespace {

using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;
using TMs = std::chrono::duration<double, std::milli>;

constexpr double kByteMs = 10.0 / 38.4;                        // one byte at 38400 baud, in ms
constexpr double kFollowUpMs = TThreadCom::kFollowUpRead + 1;  // empty follow-up read
constexpr int kAnswerDelayMs = 2;
constexpr std::size_t kImageSize = 416;

std::set<int> ThreadIds() {
  std::set<int> ids;
  for (const auto& entry : std::filesystem::directory_iterator("/proc/self/task")) {
    ids.insert(std::stoi(entry.path().filename().string()));
  }
  return ids;
}

// CPU time a thread of this process has used, in ns. schedstat counts in
// nanoseconds; stat's clock ticks (10 ms) are too coarse for a thread that
// should use well under 1%.
double ThreadCpuNs(int tid) {
  std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/schedstat");
  double ns = 0;
  if (in >> ns) return ns;
  std::ifstream stat("/proc/self/task/" + std::to_string(tid) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), {});
  const auto close = text.rfind(')');
  if (close == std::string::npos) return 0;
  std::istringstream rest(text.substr(close + 2));
  std::string field;
  double ticks = 0;
  for (int i = 3; i <= 15 && rest >> field; ++i) {
    if (i == 14 || i == 15) ticks += std::stod(field);  // utime, stime
  }
  return ticks * 1e9 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double ProcessCpuNs() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto ns = [](const timeval& t) { return t.tv_sec * 1e9 + t.tv_usec * 1e3; };
  return ns(usage.ru_utime) + ns(usage.ru_stime);
}

// A device, its port, the queues and the exchange thread running on them.
class TRig {
 public:
  TRig() {
    TSimOptions options;
    options.AnswerDelayMs = kAnswerDelayMs;
    options.Paced = true;
    options.Image = std::string(kImageSize, '\0');
    for (std::size_t i = 0; i < kImageSize; ++i) options.Image[i] = static_cast<char>(i * 31 + 7);
    FImage = options.Image;
    FDevice = std::make_unique<TSimDevice>(options);
    std::string reason;
    if (!OpenSerialPort(FDevice->Path(), FPort, 38400, &reason)) {
      FError = "cannot open " + FDevice->Path() + ": " + reason;
      return;
    }
    // The exchange thread is the one that appears when it starts.
    const auto before = ThreadIds();
    FThread = std::make_unique<TThreadCom>(FPort, FTx, FRx, FKeys);
    for (int id : ThreadIds()) {
      if (!before.contains(id)) FThreadId = id;
    }
  }

  ~TRig() {
    FThread.reset();
    if (FPort != kInvalidPortHandle) CloseSerialPort(FPort);
  }

  // Waits (up to 10 s) for a reply starting with `prefix`, dropping others.
  std::string WaitReply(const std::string& prefix) {
    const auto deadline = TClock::now() + 10s;
    while (TClock::now() < deadline) {
      while (!FRx.IsEmpty()) {
        std::string reply = FRx.Pop();
        if (reply.starts_with(prefix)) return reply;
      }
      std::this_thread::sleep_for(200us);
    }
    return {};
  }

  // Waits (up to 10 s) until the device has heard `count` requests in all.
  bool WaitRequests(std::size_t count) {
    const auto deadline = TClock::now() + 10s;
    while (FDevice->RequestCount() < count) {
      if (TClock::now() > deadline) return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }

  std::unique_ptr<TSimDevice> FDevice;
  TPortHandle FPort = kInvalidPortHandle;
  TRing FTx{10000};
  TRing FRx{10000};
  TRing FKeys{10000};
  std::unique_ptr<TThreadCom> FThread;
  int FThreadId = 0;
  std::string FImage;
  std::string FError;
};

void BM_IdleCycle(benchmark::State& state) {
  TRig rig;
  if (!rig.FError.empty()) return state.SkipWithError(rig.FError.c_str());
  if (rig.WaitReply("<version><version>").empty() || !rig.WaitRequests(2)) {
    return state.SkipWithError("the device does not answer");
  }

  const std::string poll = TThreadCom::kIdleCommand;
  const std::string answer = "<version<#" + EncodeLength7(4) + "0000>>";
  const double floorMs = kAnswerDelayMs +
                         static_cast<double>(poll.size() + answer.size()) * kByteMs + kFollowUpMs +
                         TThreadCom::kIdlePauseMs;

  std::size_t seen = rig.FDevice->RequestCount();
  const auto wallStart = TClock::now();
  const double threadCpuStart = ThreadCpuNs(rig.FThreadId);
  const double processCpuStart = ProcessCpuNs();
  double totalMs = 0;
  for (auto _ : state) {
    if (!rig.WaitRequests(seen + 1)) return state.SkipWithError("the polls stopped");
    const auto times = rig.FDevice->RequestTimes();
    const double ms = TMs(times[seen] - times[seen - 1]).count();
    seen += 1;
    totalMs += ms;
    state.SetIterationTime(ms / 1000);
  }
  const double wallNs = std::chrono::duration<double, std::nano>(TClock::now() - wallStart).count();
  const double threadCpuNs = ThreadCpuNs(rig.FThreadId) - threadCpuStart;
  const double processCpuNs = ProcessCpuNs() - processCpuStart;

  const double cycleMs = totalMs / static_cast<double>(state.iterations());
  state.counters["cycle_ms"] = cycleMs;
  state.counters["floor_ms"] = floorMs;
  state.counters["ratio_to_floor"] = cycleMs / floorMs;
  // The exchange thread alone: what the program costs while it waits for a
  // device. The process figure also holds the simulated device and this
  // benchmark's own waiting, and is shown for comparison only.
  state.counters["thread_cpu_pct"] = 100 * threadCpuNs / wallNs;
  state.counters["process_cpu_pct"] = 100 * processCpuNs / wallNs;
  const auto replies = rig.FDevice->Requests();
  for (const auto& r : replies) {
    if (r != poll) return state.SkipWithError(("unexpected request " + r).c_str());
  }
}

void BM_ConfigRead(benchmark::State& state) {
  TRig rig;
  if (!rig.FError.empty()) return state.SkipWithError(rig.FError.c_str());
  rig.FTx.Push("<login<9072>>");
  if (rig.WaitReply("<login>") != "<login><ok>") return state.SkipWithError("login failed");

  const std::string request = "<config<?>>";
  const std::string answer = BinaryFrame("config", rig.FImage);
  const std::string expected =
      "<config><config>" + rig.FImage + static_cast<char>(Crc8(rig.FImage));
  const double floorMs =
      kAnswerDelayMs + static_cast<double>(request.size() + answer.size()) * kByteMs + kFollowUpMs;

  double totalMs = 0;
  double queuedMs = 0;
  for (auto _ : state) {
    const std::size_t before = rig.FDevice->RequestCount();
    const auto pushed = TClock::now();
    rig.FTx.Push(request);
    const std::string reply = rig.WaitReply("<config>");
    const auto done = TClock::now();
    if (reply != expected) return state.SkipWithError("wrong configuration reply");
    // From the moment the request reached the device to the reply in the
    // queue. The wait before it (the thread finishing the idle poll it was
    // in) is the idle cycle, measured above.
    const auto requests = rig.FDevice->Requests();
    const auto times = rig.FDevice->RequestTimes();
    std::size_t index = before;
    while (index < requests.size() && requests[index] != request) ++index;
    if (index >= requests.size()) return state.SkipWithError("request not seen by the device");
    const double ms = TMs(done - times[index]).count();
    totalMs += ms;
    queuedMs += TMs(done - pushed).count();
    state.SetIterationTime(ms / 1000);
  }
  const double n = static_cast<double>(state.iterations());
  state.counters["exchange_ms"] = totalMs / n;
  state.counters["push_to_reply_ms"] = queuedMs / n;
  state.counters["floor_ms"] = floorMs;
  state.counters["ratio_to_floor"] = totalMs / n / floorMs;
  state.counters["bytes"] = static_cast<double>(answer.size());
}

BENCHMARK(BM_IdleCycle)->Iterations(12)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConfigRead)->Iterations(8)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
