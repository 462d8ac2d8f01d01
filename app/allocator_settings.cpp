// Settings of the memory allocator the programs link (jemalloc), read once
// at start.
//
// A large drawing holds hundreds of megabytes of small objects (shapes, model
// records, strings) that are written once and read a few times. With
// transparent huge pages the allocator backs its arenas with 2 MB pages: one
// page fault and one TLB entry for thousands of objects instead of one per
// 4 KB, which on a virtual machine is most of the cost of fresh memory.
// Freed memory stays in the arena for the next allocations instead of going
// back to the system and being faulted in again; one arena for all threads,
// so that the compressing threads' buffers reuse what the main thread freed
// (the model's entities, dropped before the save) rather than adding to it.
// A freed block may be split for allocations down to a millionth of its size (jemalloc
// otherwise splits a free block only for requests at least 1/64 of its size):
// the file's records and the model's stores are single blocks of tens or
// hundreds of megabytes, freed between stages, and the next stage's shapes,
// texts and compressed pieces are small; without splitting, those would take
// fresh memory while the freed blocks lay idle.

extern "C" {
// Read by jemalloc before its first allocation; unknown keys are reported
// and ignored, so an older jemalloc still starts.
extern const char* malloc_conf;
#ifdef OVIX_ALLOCATOR_ONE_RUN
// The command-line converter runs its conversions and exits, so it keeps
// every page it frees for its next allocations until it ends: large blocks
// (8 MB and more) too, which would otherwise go straight back to the system,
// and none is returned on a timer. The file's records and the model's stores,
// freed between stages, then back the next stage's shapes and output (and
// the next file of a batch) instead of fresh pages. The window program stays
// open between conversions and returns freed memory as before.
const char* malloc_conf =
    "thp:always,metadata_thp:auto,narenas:1,lg_extent_max_active_fit:20,oversize_threshold:0,"
    "dirty_decay_ms:-1,muzzy_decay_ms:-1";
#else
const char* malloc_conf = "thp:always,metadata_thp:auto,narenas:1,lg_extent_max_active_fit:20";
#endif
}
