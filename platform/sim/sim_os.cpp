// os.h on the simulated machine: real threads, simulated time.
#include "platform/sim/sim_os.h"

#include <mutex>
#include <thread>
#include <vector>

#include "platform/os.h"
#include "platform/sim/transcript.h"
#include "platform/sim/virtual_clock.h"

namespace sim {
namespace {

struct Threads {
  std::mutex mutex;
  std::vector<std::thread> started;
  std::size_t startsToFail = 0;
  std::size_t count = 0;
};

Threads& TheThreads() {
  static Threads threads;
  return threads;
}

}  // namespace

void FailThreadStarts(std::size_t count) {
  auto& threads = TheThreads();
  std::lock_guard lock(threads.mutex);
  threads.startsToFail = count;
}

void JoinWorkers() {
  std::vector<std::thread> started;
  {
    auto& threads = TheThreads();
    std::lock_guard lock(threads.mutex);
    started.swap(threads.started);
  }
  for (auto& thread : started) thread.join();
}

std::size_t WorkersStarted() {
  auto& threads = TheThreads();
  std::lock_guard lock(threads.mutex);
  return threads.count;
}

}  // namespace sim

namespace os {

// The program sees a detached thread; the simulation keeps it joinable so that a
// test can wait for it.
bool StartThread(ThreadEntry entry, void* argument) {
  auto& threads = sim::TheThreads();
  std::lock_guard lock(threads.mutex);
  if (threads.startsToFail > 0) {
    --threads.startsToFail;
    sim::Record("thread_start", {{"ok", false}});
    return false;
  }
  sim::Record("thread_start", {{"ok", true}});
  threads.started.emplace_back([entry, argument] {
    sim::MarkCurrentThreadAsWorker();
    entry(argument);
  });
  ++threads.count;
  return true;
}

void Sleep(std::uint32_t milliseconds) {
  sim::Record("sleep", {{"ms", static_cast<std::int64_t>(milliseconds)}});
  sim::SleepOnClock(milliseconds);
}

}  // namespace os
