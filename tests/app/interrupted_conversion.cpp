#include "tests/app/interrupted_conversion.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <thread>

#include "app/conversion_run.h"
#include "tests/support/shared_files.h"

namespace ovix::testing {

double ConvertAndInterrupt(const std::filesystem::path& dxf, const std::filesystem::path& workbook, int signal,
                           std::chrono::microseconds delay) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return -1;
  const pid_t pid = fork();
  if (pid == 0) {
    ::dup2(pipe_fds[1], 1);
    ::dup2(pipe_fds[1], 2);
    ::close(pipe_fds[0]);
    ::execl(OVIX_CONVERT_PATH, OVIX_CONVERT_PATH, dxf.c_str(), workbook.c_str(), "--overwrite",
            static_cast<char*>(nullptr));
    _exit(127);
  }
  ::close(pipe_fds[1]);
  std::string seen;
  char buffer[4096];
  while (seen.find(kStatusSavingWorkbook) == std::string::npos) {
    const ssize_t n = ::read(pipe_fds[0], buffer, sizeof buffer);
    if (n <= 0) break;
    seen.append(buffer, static_cast<std::size_t>(n));
  }
  const auto saving = std::chrono::steady_clock::now();
  if (delay.count() >= 0) {
    std::this_thread::sleep_for(delay);
    ::kill(pid, signal);
  }
  // Drained, so that the program never waits on a full pipe.
  while (::read(pipe_fds[0], buffer, sizeof buffer) > 0) {
  }
  ::close(pipe_fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - saving).count();
}

void ExpectNothingLeftBehind(const std::filesystem::path& folder, const std::string& book, int signal) {
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (name == book || name == "big.dxf" || name == "drawing.dxf") continue;
    if (signal == SIGKILL && name == ".~lock." + book + "#") {
      EXPECT_EQ(ReadFileBytes(entry.path()).rfind("Ovix,", 0), 0u);
      continue;
    }
    if (signal == SIGKILL && name.rfind(".~ovix-", 0) == 0) continue;
    ADD_FAILURE() << "left behind: " << name;
  }
}

void ExpectNoLockOrTemporaryFile(const std::filesystem::path& folder, const std::string& book) {
  EXPECT_FALSE(std::filesystem::exists(folder / (".~lock." + book + "#")));
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    EXPECT_NE(entry.path().filename().string().rfind(".~ovix", 0), 0u) << entry.path();
  }
}

}  // namespace ovix::testing
