// Dimensions (dimension line or arc with arrowheads, extension lines and the
// text box of the measured or user text, grouped per dimension) and leaders
// (a chain of lines with an arrowhead at the first vertex, grouped).
#include <string>
#include <vector>

#include "excel/drawing_pass.h"
#include "excel/entity_checks.h"
#include "excel/rv_excel_export.h"
#include "model/rv_system.h"
#include "tools/cad_text.h"
#include "tools/numeric.h"
#include "tools/user_prompt.h"
#include "tools/utf8.h"

namespace ovix {

namespace {

constexpr const char* kAligned = "AcDbAlignedDimension";
constexpr const char* kRotated = "AcDbRotatedDimension";
constexpr const char* kAngular = "AcDb2LineAngularDimension";
constexpr const char* kDiametric = "AcDbDiametricDimension";
constexpr const char* kRadial = "AcDbRadialDimension";

// Text box orientation of a dimension's direction class: the vertical
// classes 2 and 4 read upwards, class 4 downwards unless the text direction
// is unified.
int32_t DimensionOrientation(int16_t direction, bool unified) {
  if (direction == 2) return excel::kOrientationUpward;
  if (direction == 4) return unified ? excel::kOrientationUpward : excel::kOrientationDownward;
  return excel::kOrientationHorizontal;
}

}  // namespace

std::string RvExcelExport::MergeDimensionText(const std::string& measured,
                                              const std::string& user) const {
  if (measured.empty() && user.empty()) return "";
  if (user.empty()) return measured;
  if (utf8::Length(user) == 1) return "";
  const std::size_t at = user.find("<>");
  if (at != std::string::npos) {
    return user.substr(0, at) + measured + user.substr(at + 2);
  }
  return user;
}

void RvExcelExport::DrawArrowLine(excel::Shapes& shapes, int16_t kind,
                                  std::span<const double> first, std::span<const double> second) {
  if (!system_bound_ || !excel_excute_) return;
  shapes.AddLine(first[0], first[1], second[0], second[1])->Select();
  auto line = App().Selection()->ShapeRange()->Line();
  line->SetStyle(excel::kLineSingle);
  line->SetTransparency(0.0);
  line->SetVisible(excel::kTrue);
  // A segment too short for its arrowheads (with omission on) has none.
  if (CanDrawArrow(first, second)) SetArrowheads(line, kind);
}

bool RvExcelExport::DrawDimensionDatas() {
  if (!system_bound_ || !excel_excute_) return true;
  try {
    const RvSystem& m = Model();
    DrawingPass pass(*this, m.DimensionCount());
    excel::Shapes& shapes = pass.shapes();
    std::vector<std::string> names;
    auto appendSelected = [&] { names.push_back(App().Selection()->Name()); };
    auto mapped = [&](bool (RvSystem::*accessor)(int32_t, RvPoint3&) const, int32_t i) {
      RvPoint3 p{};
      (m.*accessor)(i, p);
      return MapPoint(p, pass.matrix());
    };

    for (int32_t i = 0; i < m.DimensionCount(); ++i) {
      pass.Progress(i);
      if (!DrawingPass::LayerVisible(m.GetLayerFlagFromName(m.DimensionLayer(i)))) continue;
      if (const char* fault = entity_checks::DimensionFault(m, i)) {
        pass.Skip("DIMENSION", i, m.DimensionHandle(i), fault);
        continue;
      }
      names.clear();
      const std::string kind = m.DimensionType(i);

      if (kind == kAligned || kind == kRotated) {
        const RvPoint3 d1 = mapped(&RvSystem::DimensionInsertion1Point, i);
        const RvPoint3 d2 = mapped(&RvSystem::DimensionInsertion2Point, i);
        const RvPoint3 e1 = mapped(&RvSystem::DimensionExtLine1Point, i);
        const RvPoint3 e2 = mapped(&RvSystem::DimensionExtLine2Point, i);
        DrawArrowLine(shapes, kArrowAtBothEnds, d1, d2);
        ExcelLinePropertyChange(kStyleDimensionLine, excel_app_, i);
        appendSelected();
        shapes.AddLine(d1[0], d1[1], e2[0], e2[1])->Select();
        ExcelLinePropertyChange(kStyleExtensionLine, excel_app_, i);
        appendSelected();
        shapes.AddLine(d2[0], d2[1], e1[0], e1[1])->Select();
        ExcelLinePropertyChange(kStyleExtensionLine, excel_app_, i);
        appendSelected();
      } else if (kind == kAngular) {
        const RvPoint3 c = mapped(&RvSystem::DimensionCenter, i);
        const double r = m.DimensionRaius(i);
        const double a0 = m.DimensionStartAngle(i);
        const double a1 = m.DimensionEndAngle(i);
        const double left = c[0] - r * scale_x_;
        const double top = c[1] - r * scale_y_;
        if (left < 0 || top < 0) {
          ShowMessage("円弧の中心位値がマイナス値です。", kApplicationTitle, PromptIcon::Warning);
        }
        shapes.AddShape(excel::kShapeArc, left, top, 2 * r * scale_x_, 2 * r * scale_y_)->Select();
        ExcelLinePropertyChange(kStyleDimensionLine, excel_app_, i);
        appendSelected();
        // The arc's frame becomes its top-right quarter: the centre at the
        // frame's bottom-left corner, the radii its width and height.
        auto range = App().Selection()->ShapeRange();
        range->ScaleWidth(0.5, false, excel::kScaleFromBottomRight);
        range->ScaleHeight(0.5, false, excel::kScaleFromTopLeft);
        auto adjustments = range->Adjustments();
        adjustments->SetItem(1, a1);
        adjustments->SetItem(2, a0);
        // Arrowheads at both ends; arcs are not subject to the omission.
        auto line = range->Line();
        SetArrowheads(line, kArrowAtBothEnds);
        ExcelLinePropertyChange(kStyleDimensionLine, excel_app_, i);
        appendSelected();
      } else if (kind == kDiametric) {
        const RvPoint3 d1 = mapped(&RvSystem::DimensionInsertion1Point, i);
        const RvPoint3 d2 = mapped(&RvSystem::DimensionInsertion2Point, i);
        DrawArrowLine(shapes, kArrowAtBothEnds, d1, d2);
        ExcelLinePropertyChange(kStyleDimensionLine, excel_app_, i);
        appendSelected();
      } else if (kind == kRadial) {
        const RvPoint3 d1 = mapped(&RvSystem::DimensionInsertion1Point, i);
        const RvPoint3 d2 = mapped(&RvSystem::DimensionInsertion2Point, i);
        DrawArrowLine(shapes, kArrowAtEnd, d1, d2);
        ExcelLinePropertyChange(kStyleDimensionLine, excel_app_, i);
        appendSelected();
      }

      // The text.
      const int32_t id = m.GetDimStyleID(m.DimensionStyleName(i));
      const RvPoint3 t = mapped(&RvSystem::DimensionTextPosition, i);
      double height = m.DimText(id) * m.DimScale(id) * scale_y_;
      if (height < 0.1) height = m.DimText(id) * scale_y_;
      const std::string measured = tools_.GetRichTextAttribute(m.DimensionTextDec(i)).Text;
      const RichTextAttribute user = tools_.GetRichTextAttribute(m.DimensionUserText(i));
      // A user text is multiline text: its codes give way to its characters.
      std::string text = MergeDimensionText(
          measured, cadtext::DecodeSpecialCharacters(cadtext::StripMTextCodes(user.Text)));
      if (num::IsNumeric(text)) {
        if (kind == kAngular) text += "°";
        text = tools_.StringEffectValue(text, m.DimDec(id));
        if (kind == kDiametric) text = "φ" + text;
        if (kind == kRadial) text = "R" + text;
      }
      const int32_t orientation = DimensionOrientation(m.DimensionDirection(i), dim_text_direction_);
      const double left = t[0] - height;
      const double top = t[1] - height;
      if (left + 10 > 0 && left > 0 && top > 0) {
        shapes.AddTextbox(orientation, left, top, left + 10, top)->Select();
        App().Selection()->Characters()->SetText(text);
        // A character count of 0 formats the whole text.
        ExcelTextPropertyChange(kStyleDimensionText, excel_app_, i, 0, height, user.Bold,
                                user.Italic, user.Underline);
        appendSelected();
      }
      GroupShapes(names, static_cast<int32_t>(names.size()));
    }
    return true;
  } catch (const std::exception& error) {
    NoteError(error);
    return false;
  }
}

bool RvExcelExport::DrawLeaderDatas() {
  if (!system_bound_ || !excel_excute_) return true;
  try {
    const RvSystem& m = Model();
    DrawingPass pass(*this, m.LeaderCount());
    excel::Shapes& shapes = pass.shapes();
    std::vector<std::string> names;
    for (int32_t i = 0; i < m.LeaderCount(); ++i) {
      pass.Progress(i);
      if (!DrawingPass::LayerVisible(m.GetLayerFlagFromName(m.LeaderLayer(i)))) continue;
      if (const char* fault = entity_checks::LeaderFault(m, i)) {
        pass.Skip("LEADER", i, m.LeaderHandle(i), fault);
        continue;
      }
      names.clear();
      const int32_t n = m.LeaderVerticesCount(i);
      RvPoint3 vertex{}, next{};
      bool vertexFound = false;
      if (n >= 2) {
        RvPoint3 p{};
        vertexFound = m.LeaderPoint(i, 0, p);
        if (vertexFound) vertex = MapPoint(p, pass.matrix());
      }
      for (int32_t k = 0; k + 1 < n; ++k) {
        RvPoint3 p{};
        const bool nextFound = m.LeaderPoint(i, k + 1, p);
        if (nextFound) next = MapPoint(p, pass.matrix());
        if (vertexFound && nextFound) {
          if (k == 0) {
            DrawArrowLine(shapes, kArrowAtStart, vertex, next);
          } else {
            shapes.AddLine(vertex[0], vertex[1], next[0], next[1])->Select();
          }
          ExcelLinePropertyChange(kStyleLeader, excel_app_, i);
          names.push_back(App().Selection()->Name());
        }
        vertex = next;
        vertexFound = nextFound;
      }
      GroupShapes(names, static_cast<int32_t>(names.size()));
    }
    return true;
  } catch (const std::exception& error) {
    NoteError(error);
    return false;
  }
}

}  // namespace ovix
