#include "workbook/xls/xls_stream_rebuild.h"

#include <algorithm>
#include <vector>

#include "workbook/xls/le_bytes.h"

namespace ovix::workbook::xls {

void StreamEdits::ReplaceRun(size_t first, size_t last, std::string bytes) {
  replace[first] = std::move(bytes);
  for (size_t i = first + 1; i <= last; ++i) replace[i] = std::string();
}

namespace {

// Maps positions of the old stream to the new one: a position inside a kept
// record moves with it.
class PositionMap {
 public:
  PositionMap(const XlsWorkbook& book, const std::vector<uint64_t>& moved_to, const std::vector<bool>& kept)
      : book_(book), moved_to_(moved_to), kept_(kept) {}

  // The new position of `old`, or false when it does not fall in a kept record.
  bool Map(uint32_t old, uint64_t& out) const {
    const auto& r = book_.records;
    auto it = std::upper_bound(r.begin(), r.end(), old, [](uint32_t at, const BiffRecord& x) { return at < x.offset; });
    if (it == r.begin()) return false;
    const size_t i = static_cast<size_t>(it - r.begin()) - 1;
    if (old >= r[i].end() || !kept_[i]) {
      // A position at the start of a removed record moves to what replaced it.
      if (old == r[i].offset) {
        out = moved_to_[i];
        return true;
      }
      return false;
    }
    out = moved_to_[i] + (old - r[i].offset);
    return true;
  }

 private:
  const XlsWorkbook& book_;
  const std::vector<uint64_t>& moved_to_;
  const std::vector<bool>& kept_;
};

void Patch(std::string& out, uint64_t at, const PositionMap& map) {
  uint64_t to;
  if (map.Map(GetU32(out, static_cast<size_t>(at)), to)) SetU32(out, static_cast<size_t>(at), static_cast<uint32_t>(to));
}

}  // namespace

std::string RebuildStream(const XlsWorkbook& book, const StreamEdits& edits) {
  const auto& records = book.records;
  std::vector<uint64_t> moved_to(records.size(), 0);
  std::vector<bool> kept(records.size(), true);
  std::string out;
  out.reserve(book.stream.size() + 4096);
  auto insert = edits.insert_before.begin();
  auto replace = edits.replace.begin();
  for (size_t i = 0; i < records.size(); ++i) {
    if (insert != edits.insert_before.end() && insert->first == i) out.append((insert++)->second);
    moved_to[i] = out.size();
    if (replace != edits.replace.end() && replace->first == i) {
      out.append((replace++)->second);
      kept[i] = false;
    } else {
      out.append(book.stream, records[i].offset, 4u + records[i].size);
    }
  }
  if (insert != edits.insert_before.end() && insert->first >= records.size()) out.append(insert->second);
  if (out.size() >= 0xFFFFFFFFu) throw XlsFormatError("ブックが大きすぎて保存できません（4 GB を超えます）");

  const PositionMap map(book, moved_to, kept);
  for (size_t i = 0; i < records.size(); ++i) {
    if (!kept[i]) continue;
    const BiffRecord& r = records[i];
    const uint64_t data = moved_to[i] + 4;
    switch (r.type) {
      case rt::kBoundSheet:
        if (r.size >= 4) Patch(out, data, map);
        break;
      case rt::kIndex:
        // reserved, rwMic, rwMac, ibXF, then one DBCELL position per block.
        if (r.size >= 16) {
          Patch(out, data + 12, map);
          for (uint32_t at = 16; at + 4 <= r.size; at += 4) Patch(out, data + at, map);
        }
        break;
      case rt::kExtSst:
        // dsst, then {ib u32, cbOffset u16, reserved u16} per bucket.
        for (uint32_t at = 2; at + 8 <= r.size; at += 8) Patch(out, data + at, map);
        break;
      default:
        break;
    }
  }
  return out;
}

}  // namespace ovix::workbook::xls
