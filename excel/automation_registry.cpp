// ProgID registry and the running instances of the calling thread.
#include <algorithm>
#include <map>
#include <mutex>

#include "excel/excel_automation.h"

namespace excel {

namespace {

std::mutex g_classes_mutex;

std::map<std::string, ApplicationFactory>& Classes() {
  static std::map<std::string, ApplicationFactory> classes;
  return classes;
}

struct RunningInstance {
  std::string progId;
  std::shared_ptr<Application> app;
};

// Started instances of this thread. A started application ends when it quits,
// or when its clients have released it while it is hidden (nobody can see or
// use it any more); a visible one stays, under the user's control.
thread_local std::vector<RunningInstance> t_running;

void PruneEndedInstances() {
  t_running.erase(std::remove_if(t_running.begin(), t_running.end(),
                                 [](const RunningInstance& r) {
                                   return r.app.use_count() == 1 && !r.app->Visible();
                                 }),
                  t_running.end());
}

}  // namespace

void RegisterClass(const std::string& progId, ApplicationFactory factory) {
  std::lock_guard<std::mutex> lock(g_classes_mutex);
  if (factory) {
    Classes()[progId] = std::move(factory);
  } else {
    Classes().erase(progId);
  }
}

std::shared_ptr<Application> CreateObject(const std::string& progId) {
  ApplicationFactory factory;
  {
    std::lock_guard<std::mutex> lock(g_classes_mutex);
    const auto it = Classes().find(progId);
    if (it == Classes().end()) {
      throw AutomationError("ActiveX component can't create object: no class is registered as " +
                            progId);
    }
    factory = it->second;
  }
  std::shared_ptr<Application> app = factory();
  if (!app) throw AutomationError("the class " + progId + " did not create an application");
  PruneEndedInstances();
  t_running.push_back({progId, app});
  return app;
}

std::shared_ptr<Application> GetObject(const std::string& progId) {
  PruneEndedInstances();
  for (auto it = t_running.rbegin(); it != t_running.rend(); ++it) {
    if (it->progId == progId) return it->app;
  }
  throw AutomationError("ActiveX component can't create object: no running instance of " + progId);
}

void RevokeRunningInstance(const Application* app) {
  t_running.erase(std::remove_if(t_running.begin(), t_running.end(),
                                 [app](const RunningInstance& r) { return r.app.get() == app; }),
                  t_running.end());
}

void ForgetRunningInstances() { t_running.clear(); }

}  // namespace excel
