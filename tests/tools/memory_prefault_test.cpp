// Faulting in memory on another thread: the pages become resident and keep
// what they hold, whatever the filling thread writes meanwhile.
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <thread>
#include <vector>

#include "tools/memory_prefault.h"

namespace {

// Resident pages of [data, data + bytes).
size_t ResidentPages(void* data, size_t bytes) {
  const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  std::vector<unsigned char> flags((bytes + page - 1) / page);
  if (::mincore(data, bytes, flags.data()) != 0) return 0;
  size_t resident = 0;
  for (unsigned char f : flags) resident += f & 1;
  return resident;
}

TEST(MemoryPrefault, PagesBecomeResidentAndKeepWhatTheFillingThreadWrote) {
  const size_t page = static_cast<size_t>(::sysconf(_SC_PAGESIZE));
  const size_t bytes = 3 * ovix::kPrefaultMinimumBytes;
  void* memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(memory, MAP_FAILED);
  // No huge pages, so that residence is counted page by page.
  ::madvise(memory, bytes, MADV_NOHUGEPAGE);
  auto* bytes_at = static_cast<unsigned char*>(memory);
  ASSERT_EQ(ResidentPages(memory, bytes), 0u);

  // The filling thread writes the first third from the front while the
  // pages are faulted in; the pages at the range's unaligned start and end
  // are left to their own writes.
  const size_t filled = bytes / 3;
  ovix::PrefaultInBackground(bytes_at + 1, bytes - 2);
  std::thread filler([&] {
    for (size_t i = 0; i < filled; i += page / 2) bytes_at[i] = static_cast<unsigned char>(i / page + 1);
  });
  filler.join();
  ovix::WaitForPrefaults();
  EXPECT_EQ(ResidentPages(memory, bytes), bytes / page - 1);
  EXPECT_EQ(ResidentPages(bytes_at + bytes - page, page), 0u);
  for (size_t i = 0; i < filled; i += page / 2) {
    ASSERT_EQ(bytes_at[i], static_cast<unsigned char>(i / page + 1)) << i;
  }
  for (size_t i = filled; i < bytes - page; i += page) ASSERT_EQ(bytes_at[i], 0) << i;
  ::munmap(memory, bytes);
}

TEST(MemoryPrefault, SmallRangesAndGoneMemoryAreLeftAlone) {
  const size_t bytes = ovix::kPrefaultMinimumBytes;
  void* memory = ::mmap(nullptr, 2 * bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(memory, MAP_FAILED);
  ::madvise(memory, 2 * bytes, MADV_NOHUGEPAGE);
  ovix::PrefaultInBackground(memory, bytes - 1);
  ovix::PrefaultInBackground(nullptr, 10 * bytes);
  ovix::WaitForPrefaults();
  EXPECT_EQ(ResidentPages(memory, 2 * bytes), 0u);
  // Memory given back before its turn: nothing happens to the process.
  ::munmap(memory, 2 * bytes);
  ovix::PrefaultInBackground(memory, 2 * bytes);
  ovix::WaitForPrefaults();
}

}  // namespace
