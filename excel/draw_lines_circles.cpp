// Lines, circles, ellipses and lightweight polylines as straight lines and
// ovals on the sheet.
#include <string>
#include <vector>

#include "excel/drawing_pass.h"
#include "excel/entity_checks.h"
#include "excel/rv_excel_export.h"
#include "model/rv_system.h"

namespace ovix {

namespace {

// Diameter of the dot a line of no length is drawn as (points), inside its
// outline of the line's weight.
constexpr double kLineDotSize = 1.0;

}  // namespace

bool RvExcelExport::DrawLineDatas() {
  if (!system_bound_ || !excel_excute_) return true;
  try {
    const RvSystem& m = Model();
    DrawingPass pass(*this, m.LineCount());
    for (int32_t i = 0; i < m.LineCount(); ++i) {
      pass.Progress(i);
      if (!DrawingPass::LayerVisible(m.GetLayerFlagFromName(m.LineEntityLayer(i)))) continue;
      if (const char* fault = entity_checks::LineFault(m, i)) {
        pass.Skip("LINE", i, m.LineEntityHandle(i), fault);
        continue;
      }
      RvPoint3 start{}, end{};
      m.LineEntityStart(i, start);
      m.LineEntityEnd(i, end);
      const RvPoint3 s = MapPoint(start, pass.matrix());
      const RvPoint3 e = MapPoint(end, pass.matrix());
      if (s[0] == e[0] && s[1] == e[1]) {
        // A line whose ends meet is a dot, as CAD programs show it: a line
        // of no length would print nothing.
        pass.shapes()
            .AddShape(excel::kShapeOval, s[0] - kLineDotSize / 2, s[1] - kLineDotSize / 2,
                      kLineDotSize, kLineDotSize)
            ->Select();
        ExcelLinePropertyChange(kStyleLine, excel_app_, i);
        auto range = App().Selection()->ShapeRange();
        auto fill = range->Fill();
        fill->SetVisible(excel::kTrue);
        fill->SetTransparency(0.0);
        fill->ForeColor()->SetSchemeColor(range->Line()->ForeColor()->SchemeColor());
        continue;
      }
      pass.shapes().AddLine(s[0], s[1], e[0], e[1])->Select();
      ExcelLinePropertyChange(kStyleLine, excel_app_, i);
    }
    return true;
  } catch (const std::exception& error) {
    NoteError(error);
    return false;
  }
}

namespace {

// An outline-only oval with the given radii (drawing units) round the mapped
// centre.
void AddOutlineOval(excel::Shapes& shapes, const RvPoint3& centre,
                    double radiusAcross, double radiusDown, double scaleX, double scaleY) {
  const double left = centre[0] - radiusAcross * scaleX;
  const double top = centre[1] - radiusDown * scaleY;
  shapes.AddShape(excel::kShapeOval, left, top, 2 * radiusAcross * scaleX, 2 * radiusDown * scaleY)
      ->Select();
}

void ClearSelectedFill(excel::Application& app) {
  auto fill = app.Selection()->ShapeRange()->Fill();
  fill->SetVisible(excel::kFalse);
  fill->SetTransparency(0.0);
}

}  // namespace

bool RvExcelExport::DrawCircleDatas() {
  if (!system_bound_ || !excel_excute_) return true;
  try {
    const RvSystem& m = Model();
    DrawingPass pass(*this, m.CircleCount());
    for (int32_t i = 0; i < m.CircleCount(); ++i) {
      pass.Progress(i);
      if (!DrawingPass::LayerVisible(m.GetLayerFlagFromName(m.CircleLayer(i)))) continue;
      if (const char* fault = entity_checks::CircleFault(m, i)) {
        pass.Skip("CIRCLE", i, m.CircleHandle(i), fault);
        continue;
      }
      RvPoint3 center{};
      m.CircleCenter(i, center);
      const RvPoint3 c = MapPoint(center, pass.matrix());
      const double r = m.CircleRaius(i);
      AddOutlineOval(pass.shapes(), c, r, r, scale_x_, scale_y_);
      ExcelLinePropertyChange(kStyleCircle, excel_app_, i);
      ClearSelectedFill(App());
    }
    return true;
  } catch (const std::exception& error) {
    NoteError(error);
    return false;
  }
}

bool RvExcelExport::DrawEllipseDatas() {
  if (!system_bound_ || !excel_excute_) return true;
  try {
    const RvSystem& m = Model();
    DrawingPass pass(*this, m.EllipseCount());
    for (int32_t i = 0; i < m.EllipseCount(); ++i) {
      pass.Progress(i);
      if (!DrawingPass::LayerVisible(m.GetLayerFlagFromName(m.EllipseLayer(i)))) continue;
      if (const char* fault = entity_checks::EllipseFault(m, i)) {
        pass.Skip("ELLIPSE", i, m.EllipseHandle(i), fault);
        continue;
      }
      RvPoint3 center{};
      m.EllipseCenter(i, center);
      const RvPoint3 c = MapPoint(center, pass.matrix());
      // Drawn whole, with the long axis across.
      AddOutlineOval(pass.shapes(), c, m.EllipseLongRaius(i), m.EllipseShortRaius(i),
                     scale_x_, scale_y_);
      ExcelLinePropertyChange(kStyleEllipse, excel_app_, i);
      ClearSelectedFill(App());
    }
    return true;
  } catch (const std::exception& error) {
    NoteError(error);
    return false;
  }
}

bool RvExcelExport::DrawPolyLineDatas() {
  if (!system_bound_ || !excel_excute_) return true;
  try {
    const RvSystem& m = Model();
    DrawingPass pass(*this, m.PolylineCount());
    std::vector<std::string> names;
    for (int32_t i = 0; i < m.PolylineCount(); ++i) {
      pass.Progress(i);
      if (!DrawingPass::LayerVisible(m.GetLayerFlagFromName(m.PolylineLayer(i)))) continue;
      if (const char* fault = entity_checks::PolylineFault(m, i)) {
        pass.Skip("LWPOLYLINE", i, m.PolylineHandle(i), fault);
        continue;
      }
      const int32_t n = m.PolylineVerticesCount(i);
      const bool closed = m.PolylineClosed(i) == 1;
      names.clear();
      RvPoint3 first{}, last{};
      bool firstFound = false, lastFound = false;
      // The vertex k + 1 of one segment is the vertex k of the next: each
      // vertex is read and mapped once.
      RvPoint3 vertex{}, next{};
      bool vertexFound = false;
      if (n >= 2) {
        RvPoint3 p{};
        vertexFound = m.PolylinePoint(i, 0, p);
        if (vertexFound) vertex = MapPoint(p, pass.matrix());
      }
      for (int32_t k = 0; k + 1 < n; ++k) {
        RvPoint3 p{};
        const bool nextFound = m.PolylinePoint(i, k + 1, p);
        if (nextFound) next = MapPoint(p, pass.matrix());
        if (vertexFound && closed && k == 0) first = vertex;
        if (nextFound && closed && k + 2 == n) last = next;
        firstFound = vertexFound;
        lastFound = nextFound;
        if (vertexFound && nextFound) {
          pass.shapes().AddLine(vertex[0], vertex[1], next[0], next[1])->Select();
          ExcelLinePropertyChange(kStylePolyline, excel_app_, i);
          names.push_back(App().Selection()->Name());
        }
        vertex = next;
        vertexFound = nextFound;
      }
      // The closing segment, from the first vertex to the last.
      if (closed && n >= 2 && firstFound && lastFound) {
        pass.shapes().AddLine(first[0], first[1], last[0], last[1])->Select();
        ExcelLinePropertyChange(kStylePolyline, excel_app_, i);
        names.push_back(App().Selection()->Name());
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
