#pragma once
// A run view for tests: records everything a run shows (test support).

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/run_view.h"

namespace ovix::testing {

class RecordingRunView : public RunView {
 public:
  void ShowStatus(const std::string& text) override {
    statuses.push_back(text);
    events.push_back("status:" + text);
  }
  void ProcessPendingEvents() override { events.push_back("events"); }
  void SetBusy(bool busy) override { events.push_back(busy ? "busy" : "idle"); }
  void ShowScale(const std::string& text) override { scale = text; }
  void ShowStepProgress(int step, int steps) override { steps_seen.emplace_back(step, steps); }
  void ShowEntityProgress(int64_t done, int64_t total) override {
    entity_progress.emplace_back(done, total);
  }
  void PresentWorkbook(const std::string& path) override { presented.push_back(path); }
  void ShowNotice(const std::string& text) override { notices.push_back(text); }

  std::vector<std::string> statuses;
  std::vector<std::string> events;
  std::string scale;
  std::vector<std::pair<int, int>> steps_seen;
  std::vector<std::pair<int64_t, int64_t>> entity_progress;
  std::vector<std::string> presented;
  std::vector<std::string> notices;
};

}  // namespace ovix::testing
