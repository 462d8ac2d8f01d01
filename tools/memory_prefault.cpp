#include "tools/memory_prefault.h"

#include <sys/mman.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

namespace ovix {

namespace {

// How much of one range is faulted in before the next range's turn: ranges
// queued together are filled together.
constexpr std::size_t kStepBytes = std::size_t{2} << 20;

class Prefaulter {
 public:
  ~Prefaulter() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    ready_.notify_all();
    if (worker_.joinable()) worker_.join();
  }

  void Add(std::uintptr_t begin, std::uintptr_t end) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!worker_.joinable()) worker_ = std::thread([this] { Work(); });
      ranges_.push_back({begin, end});
    }
    ready_.notify_all();
  }

  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    idle_.wait(lock, [&] { return ranges_.empty() && !busy_; });
  }

 private:
  struct Range {
    std::uintptr_t begin;
    std::uintptr_t end;
  };

  void Work() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      ready_.wait(lock, [&] { return stopping_ || !ranges_.empty(); });
      if (stopping_) return;
      Range& range = ranges_.front();
      const std::uintptr_t begin = range.begin;
      const std::uintptr_t end = range.end - range.begin > kStepBytes ? range.begin + kStepBytes : range.end;
      Range rest{end, range.end};
      ranges_.pop_front();
      if (rest.begin < rest.end) ranges_.push_back(rest);
      busy_ = true;
      lock.unlock();
      // A system without the advice (before Linux 5.14), or a range that
      // was given back meanwhile, faults in as it is written instead.
      ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
      lock.lock();
      busy_ = false;
      if (ranges_.empty()) idle_.notify_all();
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::condition_variable idle_;
  std::deque<Range> ranges_;
  bool busy_ = false;
  bool stopping_ = false;
  std::thread worker_;
};

Prefaulter& TheQueue() {
  static Prefaulter queue;
  return queue;
}

}  // namespace

void PrefaultInBackground(const void* data, std::size_t bytes) {
  if (data == nullptr || bytes < kPrefaultMinimumBytes) return;
  static const std::uintptr_t page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
  // Whole pages inside the range only: the pages at its ends may hold
  // someone else's data, which faulting in would not harm, but they are
  // faulted in by their own writes soon enough.
  const auto first = reinterpret_cast<std::uintptr_t>(data);
  const std::uintptr_t begin = (first + page - 1) & ~(page - 1);
  const std::uintptr_t end = (first + bytes) & ~(page - 1);
  if (begin < end) TheQueue().Add(begin, end);
}

void WaitForPrefaults() { TheQueue().Wait(); }

}  // namespace ovix
