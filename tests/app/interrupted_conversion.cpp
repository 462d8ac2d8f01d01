#include "tests/app/interrupted_conversion.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <thread>

#include "app/conversion_run.h"

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

}  // namespace ovix::testing
