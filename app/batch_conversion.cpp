// The command line's conversions, one per thread.
#include "app/batch_conversion.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include "app/conversion_run.h"
#include "excel/excel_automation.h"
#include "model/rv_document.h"

namespace ovix {

namespace fs = std::filesystem;

namespace {

// Refuses a job that cannot run: the input must be a file, and an existing
// output is drawn into only when asked. Shows why through the prompt.
bool MayRun(const ConversionJob& job, bool overwrite) {
  std::error_code ec;
  if (!fs::is_regular_file(job.input, ec)) {
    ShowMessage("DXFファイルが見つかりません\r\n" + job.input, kApplicationTitle,
                PromptIcon::Critical);
    return false;
  }
  if (fs::exists(job.output, ec) && !overwrite) {
    ShowMessage("ファイルが既に存在します\r\n" + job.output +
                    "\r\n上書きして描き加えるには --overwrite を指定してください",
                kApplicationTitle, PromptIcon::Critical);
    return false;
  }
  return true;
}

bool ConvertOne(const ConversionJob& job, const BatchSettings& settings, ConsoleOutput& out,
                const std::string& prefix) {
  if (!MayRun(job, settings.overwrite)) return false;
  RvDocument document;
  ConsoleRunView view(out, prefix, /*progress=*/!settings.prefix, settings.open);
  ConversionRun run(document, view);
  const RunResult result = run.Run(job.input, job.output, settings.options);
  if (!result.ExcelOk && !result.Detail.empty()) out.Line(prefix + "詳細: " + result.Detail);
  if (result.WorkbookSaved) {
    out.Line(prefix + (result.Succeeded() ? "保存しました: " : "途中までを保存しました: ") +
             job.output);
  }
  return result.Succeeded();
}

}  // namespace

std::string OutputPathFor(const std::string& input, const std::string& directory,
                          const std::string& extension) {
  return (fs::path(directory) / fs::path(input).stem()).string() + "." + extension;
}

int ConvertAll(const std::vector<ConversionJob>& jobs, const BatchSettings& settings,
               ConsoleOutput& out) {
  std::atomic<std::size_t> next{0};
  std::atomic<int> failed{0};
  auto worker = [&] {
    for (std::size_t i = next++; i < jobs.size(); i = next++) {
      const ConversionJob& job = jobs[i];
      const std::string prefix =
          settings.prefix ? "[" + fs::path(job.input).filename().string() + "] " : "";
      ConsolePrompt prompt(out, prefix);
      PromptScope scope(prompt);
      bool ok = false;
      try {
        ok = ConvertOne(job, settings, out, prefix);
      } catch (const std::exception& error) {
        out.Line(prefix + "変換できませんでした: " + error.what());
      }
      if (!ok) ++failed;
      // An application this conversion left running is not used again: the
      // next drawing gets a fresh one, and running instances do not pile up.
      excel::ForgetRunningInstances();
    }
  };
  const unsigned threads =
      std::max(1u, std::min<unsigned>(settings.threads, static_cast<unsigned>(jobs.size())));
  if (threads == 1) {
    worker();
  } else {
    std::vector<std::thread> pool;
    pool.reserve(threads);
    for (unsigned t = 0; t < threads; ++t) pool.emplace_back(worker);
    for (std::thread& thread : pool) thread.join();
  }
  return failed;
}

}  // namespace ovix
