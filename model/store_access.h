#pragma once
// Record lookup by ID shared by the model's units: a pointer to record ID,
// or null when ID is negative or not below the count (the accessors then
// give their defaults).

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/rv_ent_points.h"
#include "tools/rv_point.h"

namespace ovix::model_detail {

// Empties a store and gives its memory back. (Assigning `{}` to a vector
// empties it through its initializer-list assignment, which keeps the
// capacity: the records' memory would stay taken.)
template <typename Store>
void ReleaseStore(Store& store) {
  Store().swap(store);
}

template <typename Record>
const Record* RecordAt(const std::vector<Record>& store, int32_t ID) {
  return ID >= 0 && static_cast<std::size_t>(ID) < store.size()
             ? &store[static_cast<std::size_t>(ID)]
             : nullptr;
}

// Point accessor shape: (0, 0, 0) first, the point when there is a record.
inline bool FillPoint(const RvEntPoints* p, RvPoint3& out) {
  out = {0.0, 0.0, 0.0};
  if (!p) return false;
  out = {p->X, p->Y, p->Z};
  return true;
}

}  // namespace ovix::model_detail
