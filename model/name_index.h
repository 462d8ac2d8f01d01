#pragma once
// Lookup of table records by name. The tables answer "the first record with
// this name" (most lookups) and "the last record with this name" (the layer
// flag); a drawing may hold several records of one name. The index keeps,
// per name, the positions of all its records in the order they were added,
// so both answers cost one hash lookup however long the table is.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ovix {

class NameIndex {
 public:
  // Records that record number `index` (0-based, added in increasing order)
  // is named `name`. Names are compared exactly, case-sensitively.
  void Add(std::string_view name, int32_t index) {
    auto it = map_.find(name);
    if (it == map_.end()) it = map_.emplace(std::string(name), std::vector<int32_t>()).first;
    it->second.push_back(index);
  }

  // Positions of the records with this name, in order; null when none.
  const std::vector<int32_t>* Find(std::string_view name) const {
    const auto it = map_.find(name);
    return it == map_.end() ? nullptr : &it->second;
  }

  // First / last record with this name, or -1.
  int32_t First(std::string_view name) const {
    const auto* all = Find(name);
    return all ? all->front() : -1;
  }
  int32_t Last(std::string_view name) const {
    const auto* all = Find(name);
    return all ? all->back() : -1;
  }

  void Clear() { map_.clear(); }

 private:
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
      return std::hash<std::string_view>{}(s);
    }
  };
  std::unordered_map<std::string, std::vector<int32_t>, Hash, std::equal_to<>> map_;
};

}  // namespace ovix
