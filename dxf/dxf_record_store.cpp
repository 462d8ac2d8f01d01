#include "dxf/dxf_record.h"

#include <limits>

#include "tools/memory_prefault.h"
#include "tools/rv_error.h"

namespace ovix {

DxfRecordView DxfRecordStore::At(std::size_t index) const {
  const Record& r = records_[index];
  DxfRecordView v;
  v.type_ = types_[r.Type];
  v.codes_ = codes_.data() + r.FirstPair;
  v.offsets_ = offsets_.data() + r.FirstPair;
  v.values_ = arena_.data() + r.ValueBegin;
  v.value_bytes_ = r.ValueBytes;
  v.count_ = r.PairCount;
  v.line_ = r.Line;
  return v;
}

void DxfRecordStore::Clear() {
  std::vector<Record>().swap(records_);
  std::vector<int32_t>().swap(codes_);
  std::vector<uint32_t>().swap(offsets_);
  std::string().swap(arena_);
  types_.clear();
  type_index_.clear();
}

void DxfRecordStore::Reserve(std::size_t records, std::size_t pairs, std::size_t value_bytes) {
  records_.reserve(records);
  codes_.reserve(pairs);
  offsets_.reserve(pairs);
  arena_.reserve(value_bytes);
  // The reader fills the four from their fronts: their pages are faulted in
  // on another core meanwhile.
  PrefaultInBackground(records_.data(), records_.capacity() * sizeof(Record));
  PrefaultInBackground(codes_.data(), codes_.capacity() * sizeof(int32_t));
  PrefaultInBackground(offsets_.data(), offsets_.capacity() * sizeof(uint32_t));
  PrefaultInBackground(arena_.data(), arena_.capacity());
}

uint32_t DxfRecordStore::CheckedOffset(std::size_t offset) {
  if (offset > std::numeric_limits<uint32_t>::max()) {
    throw RvError(RvErrorKind::Overflow, "one DXF record holds more than 4 GB of values");
  }
  return static_cast<uint32_t>(offset);
}

void DxfRecordStore::StartRecord(std::string_view type, uint64_t line) {
  uint32_t type_id;
  const auto it = type_index_.find(std::string(type));
  if (it != type_index_.end()) {
    type_id = it->second;
  } else {
    type_id = static_cast<uint32_t>(types_.size());
    types_.emplace_back(type);
    type_index_.emplace(types_.back(), type_id);
  }
  Record r;
  r.FirstPair = codes_.size();
  r.ValueBegin = arena_.size();
  r.Line = line;
  r.Type = type_id;
  records_.push_back(r);
}

DxfRecord DxfRecordStore::Copy(std::size_t index) const {
  const DxfRecordView v = At(index);
  DxfRecord out;
  out.RecordType = std::string(v.Type());
  out.ParamCount = v.PairCount();
  out.ParamNo.reserve(static_cast<std::size_t>(out.ParamCount));
  out.ParamValue.reserve(static_cast<std::size_t>(out.ParamCount));
  for (int32_t i = 0; i < out.ParamCount; ++i) {
    out.ParamNo.push_back(v.Code(i));
    out.ParamValue.emplace_back(v.Value(i));
  }
  return out;
}

std::vector<std::pair<std::string, std::size_t>> DxfRecordStore::TypeCounts() const {
  std::vector<std::size_t> counts(types_.size(), 0);
  for (const Record& r : records_) ++counts[r.Type];
  std::vector<std::pair<std::string, std::size_t>> out;
  for (std::size_t t = 0; t < types_.size(); ++t) {
    if (counts[t] > 0) out.emplace_back(types_[t], counts[t]);
  }
  return out;
}

}  // namespace ovix
