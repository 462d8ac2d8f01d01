#include "app/dxf_info_report.h"

#include <nlohmann/json.hpp>

#include "dxf/rv_dxf_import.h"
#include "model/rv_document.h"

namespace ovix {

namespace {

using Json = nlohmann::ordered_json;

Json Point(const RvPoint3& p) { return Json::array({p[0], p[1], p[2]}); }

}  // namespace

std::string DxfInfoReport(RvDocument& document, const std::string& path) {
  RvDxfImport& reader = document.DxfImport();
  const RvSystem& s = document.System();
  Json report;
  report["file"] = path;
  report["encoding"] = reader.TextEncoding();

  Json tables = Json::object();
  for (const char* type : {"LAYER", "LTYPE", "STYLE", "DIMSTYLE"}) tables[type] = 0;
  for (const auto& [type, count] : reader.TableRecords().TypeCounts()) tables[type] = count;
  report["tables"] = tables;

  Json entities = Json::object();
  for (const auto& [type, count] : reader.EntityRecords().TypeCounts()) entities[type] = count;
  report["entities"] = entities;

  report["model"] = {
      {"LINE", s.LineCount()},         {"CIRCLE", s.CircleCount()},
      {"ELLIPSE", s.EllipseCount()},   {"ARC", s.ArcCount()},
      {"LWPOLYLINE", s.PolylineCount()}, {"TEXT", s.TextCount()},
      {"MTEXT", s.MuTextCount()},      {"DIMENSION", s.DimensionCount()},
      {"LEADER", s.LeaderCount()},
  };

  report["visible_entities"] = s.DrawnEntityCount();

  RvPoint3 min{}, max{};
  const bool found = s.GetEntityRange(min, max);
  report["extents"] = {{"found", found}, {"min", Point(min)}, {"max", Point(max)}};

  Json texts = Json::array();
  for (int32_t i = 0; i < s.TextCount() && i < kInfoTextLimit; ++i) texts.push_back(s.TextText(i));
  Json mtexts = Json::array();
  for (int32_t i = 0; i < s.MuTextCount() && i < kInfoTextLimit; ++i) {
    mtexts.push_back(s.MtextText(i));
  }
  report["texts"] = {{"TEXT", texts}, {"MTEXT", mtexts}};

  return report.dump(2, ' ', false, Json::error_handler_t::replace);
}

}  // namespace ovix
