#include "dxf/draw_all_notice.h"

#include <array>
#include <string_view>
#include <utility>
#include <vector>

#include "dxf/entity_registration.h"

namespace ovix {

namespace {

// Kinds drawn (or, as definitions and views, deliberately not shown) with
// every entity drawn.
constexpr std::array<std::string_view, 30> kHandledKinds{
    "LINE",     "CIRCLE",      "ARC",       "ELLIPSE",       "LWPOLYLINE",
    "TEXT",     "MTEXT",       "DIMENSION", "LEADER",        "INSERT",
    "MINSERT",  "POLYLINE",    "VERTEX",    "SEQEND",        "ATTRIB",
    "ATTDEF",   "SOLID",       "TRACE",     "3DFACE",        "POINT",
    "SPLINE",   "HATCH",       "WIPEOUT",   "MULTILEADER",   "MLEADER",
    "XLINE",    "RAY",         "VIEWPORT",  "ARC_DIMENSION", "LARGE_RADIAL_DIMENSION"};

bool Handled(std::string_view type) {
  for (std::string_view k : kHandledKinds) {
    if (k == type) return true;
  }
  return false;
}

// Records that belong to the entity before them.
bool Follower(std::string_view type) {
  return type == "VERTEX" || type == "SEQEND" || type == "ATTRIB";
}

}  // namespace

std::string DrawAllNotice(const DxfRecordStore& entities, const ExtraShapeStore& extra) {
  std::vector<std::pair<std::string, std::size_t>> left_out;
  std::size_t count = 0;
  for (std::size_t i = 0; i < entities.Count(); ++i) {
    const DxfRecordView r = entities.At(i);
    if (Follower(r.Type()) || dxf_entities::InPaperSpace(r)) continue;
    ++count;
    if (Handled(r.Type())) continue;
    auto it = left_out.begin();
    while (it != left_out.end() && it->first != r.Type()) ++it;
    if (it == left_out.end()) left_out.emplace_back(std::string(r.Type()), 1);
    else ++it->second;
  }
  std::string text;
  auto sentence = [&](const std::string& s) {
    if (!text.empty()) text += "\n";
    text += s;
  };
  if (!left_out.empty()) {
    std::string s = "描けない図形があります: ";
    for (std::size_t k = 0; k < left_out.size(); ++k) {
      if (k > 0) s += "、";
      s += left_out[k].first + " " + std::to_string(left_out[k].second);
    }
    sentence(s + " (画像、OLEオブジェクトなどは描きません)");
  }
  if (extra.SimplifiedHatches() > 0) {
    sentence("線が多すぎるハッチング " + std::to_string(extra.SimplifiedHatches()) +
             " 個を薄い塗り潰しで描きました");
  }
  const std::size_t shapes = extra.Count();
  if (count > 0 && shapes > kShapesPerEntityNote * count) {
    sentence("図形 " + std::to_string(count) + " 個から " + std::to_string(shapes) +
             " 個以上のシェイプを作ります (ブロックの展開とハッチングの線)");
  }
  return text;
}

}  // namespace ovix
