#pragma once
// The process's peak resident memory (VmHWM of /proc/self/status), for the
// benchmarks' memory targets.

namespace ovix::bench {

// Peak resident memory in bytes so far; -1 when it cannot be read.
double PeakResidentBytes();

// Starts the peak afresh from the current resident memory (Linux
// /proc/self/clear_refs); false when the system does not allow it.
bool ResetPeakResident();

}  // namespace ovix::bench
