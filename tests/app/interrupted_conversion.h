#pragma once
// Runs the command-line converter as a child process and interrupts it while
// it saves (test support for the tests of interrupted saves).

#include <chrono>
#include <filesystem>
#include <string>

namespace ovix::testing {

// Runs ovix-convert drawing `dxf` into `workbook` (--overwrite) and sends it
// `signal` `delay` after it has said it is saving (no signal when `delay` is
// negative). Returns the seconds from that moment to the end of the process.
double ConvertAndInterrupt(const std::filesystem::path& dxf, const std::filesystem::path& workbook, int signal,
                           std::chrono::microseconds delay);

// Checks that `folder` holds nothing but the workbook named `book` and the
// drawings `big.dxf` and `drawing.dxf` after a run interrupted by `signal`.
// After SIGKILL two names may stay, as nothing can remove them: our lock file
// (the next run takes it over) and the name a complete new file had before
// its rename (the next save in the folder removes it).
void ExpectNothingLeftBehind(const std::filesystem::path& folder, const std::string& book, int signal);

// Checks, after a run that succeeded, that neither of those two names stays.
void ExpectNoLockOrTemporaryFile(const std::filesystem::path& folder, const std::string& book);

}  // namespace ovix::testing
