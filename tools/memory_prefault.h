#pragma once
// Faulting in memory that is about to be filled, on a thread of its own.
//
// A large drawing fills stores of tens or hundreds of megabytes that were
// sized once in advance (the file's records, the model's entities). Each
// fresh page costs the system a fault and a clearing, which on a virtual
// machine is a large part of the run; done on the thread that fills the
// store, it all adds to the run's time. Handed here, the pages are faulted
// in on another core, a few megabytes of each range in turn, while the
// filling thread works its way from the front: whichever comes first to a
// page faults it in, and the other finds it ready.
//
// Faulting in never changes what the memory holds (the system fills in
// missing pages only), so a range may be written, freed or reused while it
// is being faulted in.

#include <cstddef>

namespace ovix {

// Ranges smaller than this are left to fault in as they are written.
inline constexpr std::size_t kPrefaultMinimumBytes = std::size_t{4} << 20;

// Queues the pages of [data, data + bytes) to be faulted in; returns at once.
void PrefaultInBackground(const void* data, std::size_t bytes);

// Waits until every range queued so far is faulted in (for tests).
void WaitForPrefaults();

}  // namespace ovix
