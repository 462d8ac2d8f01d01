// RvSystem: the file line each entity came from, for messages that name
// an entity the user can then find in the file.

#include "model/rv_system.h"
#include "model/store_access.h"
#include "tools/memory_prefault.h"

namespace ovix {

template <typename Self, typename F>
bool RvSystem::WithStoreOf(Self& self, std::string_view kind, F&& f) {
  if (kind == "LINE") f(self.lines_);
  else if (kind == "CIRCLE") f(self.circles_);
  else if (kind == "ELLIPSE") f(self.ellipses_);
  else if (kind == "ARC") f(self.arcs_);
  else if (kind == "LWPOLYLINE") f(self.polylines_);
  else if (kind == "TEXT") f(self.texts_);
  else if (kind == "MTEXT") f(self.mtexts_);
  else if (kind == "DIMENSION") f(self.dimensions_);
  else if (kind == "LEADER") f(self.leaders_);
  else return false;
  return true;
}

int32_t RvSystem::EntityCountOf(std::string_view kind) const {
  int32_t count = 0;
  WithStoreOf(*this, kind, [&](const auto& store) { count = static_cast<int32_t>(store.size()); });
  return count;
}

void RvSystem::ReserveEntities(std::string_view kind, std::size_t count) {
  std::size_t total = 0;
  // The reader fills the stores in the file's order: their pages are
  // faulted in on another core meanwhile.
  const bool known = WithStoreOf(*this, kind, [&](auto& store) {
    total = store.size() + count;
    store.reserve(total);
    PrefaultInBackground(store.data(), store.capacity() * sizeof(store[0]));
  });
  if (!known) return;
  auto it = source_lines_.find(kind);
  if (it == source_lines_.end()) it = source_lines_.emplace(std::string(kind), std::vector<uint64_t>{}).first;
  it->second.reserve(total);
  PrefaultInBackground(it->second.data(), it->second.capacity() * sizeof(uint64_t));
}

void RvSystem::ReleaseEntitiesOf(std::string_view kind) {
  WithStoreOf(*this, kind, [](auto& store) { model_detail::ReleaseStore(store); });
}

int64_t RvSystem::DrawnEntityCount() const {
  int64_t drawn = 0;
  // Entities of one layer tend to come together: the flag is looked up once
  // per run of the same layer.
  const std::string* last = nullptr;
  bool last_drawn = false;
  const auto count = [&](const auto& store) {
    for (const auto& r : store) {
      if (!last || *last != r.Layer) {
        last = &r.Layer;
        last_drawn = LayerFlagDrawn(GetLayerFlagFromName(r.Layer));
      }
      if (last_drawn) ++drawn;
    }
  };
  count(lines_);
  count(circles_);
  count(ellipses_);
  count(arcs_);
  count(polylines_);
  count(texts_);
  count(mtexts_);
  count(dimensions_);
  count(leaders_);
  return drawn;
}

void RvSystem::SetEntitySourceLine(std::string_view kind, int32_t ID, uint64_t line) {
  if (ID < 0) return;
  auto it = source_lines_.find(kind);
  if (it == source_lines_.end()) it = source_lines_.emplace(std::string(kind), std::vector<uint64_t>{}).first;
  std::vector<uint64_t>& lines = it->second;
  const auto at = static_cast<std::size_t>(ID);
  if (lines.size() <= at) lines.resize(at + 1, 0);
  lines[at] = line;
}

uint64_t RvSystem::EntitySourceLine(std::string_view kind, int32_t ID) const {
  const auto it = source_lines_.find(kind);
  if (it == source_lines_.end() || ID < 0) return 0;
  const auto at = static_cast<std::size_t>(ID);
  return at < it->second.size() ? it->second[at] : 0;
}

}  // namespace ovix
