#include "dxf/block_records.h"

#include "dxf/entity_registration.h"

namespace ovix::draw_all {

namespace {

std::string Upper(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace

BlockTable::BlockTable(const DxfRecordStore& blocks) {
  const std::size_t n = blocks.Count();
  for (std::size_t i = 0; i < n; ++i) {
    const DxfRecordView r = blocks.At(i);
    if (r.Type() != "BLOCK") continue;
    BlockDefinition def;
    for (int32_t k = 0; k < r.PairCount(); ++k) {
      switch (r.Code(k)) {
        case 2: def.Name.assign(r.Value(k)); break;
        case 10: def.BaseX = dxf_entities::Real(r.Value(k)); break;
        case 20: def.BaseY = dxf_entities::Real(r.Value(k)); break;
        case 330: def.RecordHandle = Upper(r.Value(k)); break;
        default: break;
      }
    }
    def.First = i + 1;
    std::size_t j = i + 1;
    while (j < n && blocks.At(j).Type() != "ENDBLK" && blocks.At(j).Type() != "BLOCK") ++j;
    def.End = j;
    i = j < n && blocks.At(j).Type() == "BLOCK" ? j - 1 : j;
    const auto id = static_cast<int32_t>(blocks_.size());
    index_.emplace(Upper(def.Name), id);  // the first of a name stays
    if (!def.RecordHandle.empty()) handle_index_.emplace(def.RecordHandle, id);
    blocks_.push_back(std::move(def));
  }
}

int32_t BlockTable::FindByRecordHandle(std::string_view handle) const {
  const auto it = handle_index_.find(Upper(handle));
  return it == handle_index_.end() ? -1 : it->second;
}

int32_t BlockTable::Find(std::string_view name) const {
  const auto it = index_.find(Upper(name));
  return it == index_.end() ? -1 : it->second;
}

}  // namespace ovix::draw_all
