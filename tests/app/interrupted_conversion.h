#pragma once
// Runs the command-line converter as a child process and interrupts it while
// it saves (test support for the tests of interrupted saves).

#include <chrono>
#include <filesystem>

namespace ovix::testing {

// Runs ovix-convert drawing `dxf` into `workbook` (--overwrite) and sends it
// `signal` `delay` after it has said it is saving (no signal when `delay` is
// negative). Returns the seconds from that moment to the end of the process.
double ConvertAndInterrupt(const std::filesystem::path& dxf, const std::filesystem::path& workbook, int signal,
                           std::chrono::microseconds delay);

}  // namespace ovix::testing
