#include "dxf/undrawn_entities.h"

#include <array>
#include <string_view>

#include "dxf/entity_registration.h"

namespace ovix {

namespace {

constexpr std::array<std::string_view, 16> kAddedKinds{
    "INSERT", "MINSERT", "POLYLINE",    "SOLID",   "TRACE", "3DFACE", "POINT",  "SPLINE",
    "HATCH",  "WIPEOUT", "MULTILEADER", "MLEADER", "XLINE", "RAY",    "ARC_DIMENSION",
    "LARGE_RADIAL_DIMENSION"};

bool AddedKind(std::string_view type) {
  for (std::string_view k : kAddedKinds) {
    if (k == type) return true;
  }
  return false;
}

}  // namespace

std::vector<std::pair<std::string, std::size_t>> UndrawnEntityCounts(const DxfRecordStore& entities) {
  std::vector<std::pair<std::string, std::size_t>> counts;
  for (std::size_t i = 0; i < entities.Count(); ++i) {
    const DxfRecordView r = entities.At(i);
    if (!AddedKind(r.Type()) || dxf_entities::InPaperSpace(r)) continue;
    auto it = counts.begin();
    while (it != counts.end() && it->first != r.Type()) ++it;
    if (it == counts.end()) counts.emplace_back(std::string(r.Type()), 1);
    else ++it->second;
  }
  return counts;
}

std::string UndrawnEntityNotice(const DxfRecordStore& entities) {
  const auto counts = UndrawnEntityCounts(entities);
  if (counts.empty()) return "";
  std::string text = "描かれていない図形があります: ";
  for (std::size_t k = 0; k < counts.size(); ++k) {
    if (k > 0) text += "、";
    text += counts[k].first + " " + std::to_string(counts[k].second);
  }
  text += " (「すべての図形を描く」で描けます)";
  return text;
}

}  // namespace ovix
