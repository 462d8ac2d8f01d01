#pragma once
// Running the external programs the client checks use: xmllint, LibreOffice,
// pdftoppm (test support).

#include <string>

namespace ovix::testing {

struct CommandResult {
  int exit_code = -1;
  std::string output;  // standard output and standard error together
};

// Runs `command` through the shell.
CommandResult RunCommand(const std::string& command);

// `text` quoted for the shell.
std::string ShellQuote(const std::string& text);

// True when `program` is on the PATH.
bool HasProgram(const std::string& program);

}  // namespace ovix::testing
