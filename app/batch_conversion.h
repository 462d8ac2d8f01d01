#pragma once
// The command line's conversions: one drawing, or many at once on every
// core. Each conversion runs the window's run (app/conversion_run.h) in a
// thread of its own, with its own document, prompt and workbook engine, and
// reports to standard error through a ConsoleRunView.

#include <string>
#include <vector>

#include "app/console_run_view.h"
#include "app/run_options.h"

namespace ovix {

struct ConversionJob {
  std::string input;   // the DXF drawing
  std::string output;  // the workbook to write
};

struct BatchSettings {
  RunOptions options;
  bool overwrite = false;  // draw into an existing workbook (refused otherwise)
  bool open = false;       // open each saved workbook with the desktop's program
  bool prefix = false;     // start each line with the drawing's name
  unsigned threads = 1;    // conversions at once
};

// The workbook a drawing converts to inside `directory`: NAME.xlsx, or
// NAME.<extension> ("xls").
std::string OutputPathFor(const std::string& input, const std::string& directory,
                          const std::string& extension = "xlsx");

// Converts every job; returns how many failed (a stage that failed, an input
// that does not exist, an output that exists without `overwrite`). Nothing
// is written for a job that is refused before its run.
int ConvertAll(const std::vector<ConversionJob>& jobs, const BatchSettings& settings,
               ConsoleOutput& out);

}  // namespace ovix
