// Circular arcs as smooth freeform curves through points sampled at even
// angles; a short arc of small sweep becomes a straight line, and an arc
// whose freeform cannot be built is drawn again as a group of chords.
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "excel/drawing_pass.h"
#include "excel/entity_checks.h"
#include "excel/rv_excel_export.h"
#include "model/rv_system.h"

namespace ovix {

namespace {

struct SheetPoint {
  double x = 0;
  double y = 0;
};

// Equal angular steps for a sweep: 2, 4, 6 or 8 below 90, 180, 270 and 360
// degrees (a full turn takes 8 as well).
int StepCount(double sweep) {
  if (sweep < 90) return 2;
  if (sweep < 180) return 4;
  if (sweep < 270) return 6;
  return 8;
}

// The sweep from the start angle to the end angle, counter-clockwise, in
// 0 .. 360 degrees.
double SweepOf(double start, double end) {
  double sweep = end - start;
  if (sweep < 0) sweep += 360;
  // Angles outside 0 .. 360 as some writers give them: more than a full turn
  // is a full turn; a sweep still negative is brought into the turn.
  if (sweep > 360) sweep = 360;
  if (sweep < 0) sweep = std::fmod(sweep, 360.0) + 360.0;
  return sweep;
}

bool FarApart(const SheetPoint& a, const SheetPoint& b) {
  return std::fabs(a.x - b.x) > kArcProximityTolerance ||
         std::fabs(a.y - b.y) > kArcProximityTolerance;
}

}  // namespace

bool RvExcelExport::DrawArcDatas() {
  if (!system_bound_ || !excel_excute_) return true;
  const RvSystem& m = Model();
  std::optional<DrawingPass> pass;
  try {
    pass.emplace(*this, m.ArcCount());
  } catch (const std::exception&) {
    // Without the sheet no arc can be drawn; arcs never stop the stage.
    return true;
  }
  for (int32_t i = 0; i < m.ArcCount(); ++i) {
    pass->Progress(i);
    try {
      if (!DrawingPass::LayerVisible(m.GetLayerFlagFromName(m.ArcLayer(i)))) continue;
      if (const char* fault = entity_checks::ArcFault(m, i)) {
        pass->Skip("ARC", i, m.ArcHandle(i), fault);
        continue;
      }
    } catch (const std::exception&) {
      continue;
    }
    DrawOneArc(pass->shapes(), i, pass->matrix());
  }
  return true;
}

void RvExcelExport::DrawOneArc(excel::Shapes& shapes, int32_t index, const RvMatrix& matrix) {
  const RvSystem& m = Model();
  bool success = true;
  // Runs one step of the arc; a failure clears the success flag and the next
  // step still runs.
  auto step = [&](auto&& action) {
    try {
      action();
    } catch (const std::exception&) {
      success = false;
    }
  };

  SheetPoint centre;
  double r = 0, a0 = 0, a1 = 0;
  step([&] {
    RvPoint3 c{};
    m.ArcCenter(index, c);
    const RvPoint3 mapped = MapPoint(c, matrix);
    centre = {mapped[0], mapped[1]};
    r = m.ArcRaius(index);
    a0 = m.ArcStartAngle(index);
    a1 = m.ArcEndAngle(index);
  });
  const double sx = scale_x_, sy = scale_y_;
  auto pointAt = [&](double degrees) {
    const double t = tools_.DegreeToRadian(degrees);
    return SheetPoint{centre.x + r * sx * std::cos(t), centre.y - r * sy * std::sin(t)};
  };
  const double sweep = SweepOf(a0, a1);
  const int n = StepCount(sweep);
  auto nodeAngle = [&](int k) {
    double t = k * sweep / n + a0;
    if (t > 360) t -= 360;
    return t;
  };
  const SheetPoint start = pointAt(a0);
  const SheetPoint end = pointAt(a1);

  const bool shortChord = std::fabs(start.x - end.x) <= kArcProximityTolerance &&
                          std::fabs(start.y - end.y) < kArcProximityTolerance;
  if (shortChord && sweep < kArcLineMaxSweep) {
    step([&] {
      shapes.AddLine(start.x, start.y, end.x, end.y)->Select();
      ExcelLinePropertyChange(kStyleArc, excel_app_, index);
    });
  } else {
    // The nodes after the start: every sample point more than the tolerance
    // away from the last node placed, then the end point on the same rule.
    std::vector<SheetPoint> nodes;
    SheetPoint last = start;
    for (int k = 1; k < n; ++k) {
      const SheetPoint q = pointAt(nodeAngle(k));
      if (!FarApart(q, last)) continue;
      nodes.push_back(q);
      last = q;
    }
    if (FarApart(end, last)) nodes.push_back(end);
    if (nodes.empty()) {
      // So small that no node is far enough from the start: no curve can be
      // built, the chords below draw it.
      success = false;
    } else {
      std::shared_ptr<excel::FreeformBuilder> builder;
      step([&] { builder = shapes.BuildFreeform(excel::kEditingAuto, start.x, start.y); });
      if (builder) {
        for (const SheetPoint& q : nodes) {
          step([&] { builder->AddNodes(excel::kSegmentCurve, excel::kEditingAuto, q.x, q.y); });
        }
        step([&] {
          builder->ConvertToShape()->Select();
          ExcelLinePropertyChange(kStyleArc, excel_app_, index);
          // A full turn closes the freeform, which would take a fill and
          // hide what lies under it: an arc is a stroke only.
          App().Selection()->ShapeRange()->Fill()->SetVisible(excel::kFalse);
        });
      }
    }
  }
  if (success) return;

  // The arc again as n chords, every one drawn, grouped into one shape.
  std::vector<std::string> names;
  auto chord = [&](const SheetPoint& from, const SheetPoint& to) {
    try {
      shapes.AddLine(from.x, from.y, to.x, to.y)->Select();
      ExcelLinePropertyChange(kStyleArc, excel_app_, index);
      names.push_back(App().Selection()->Name());
    } catch (const std::exception&) {
      // The other chords are still drawn.
    }
  };
  SheetPoint last = start;
  for (int k = 1; k < n; ++k) {
    const SheetPoint q = pointAt(nodeAngle(k));
    chord(last, q);
    last = q;
  }
  chord(last, end);
  GroupShapes(names, static_cast<int32_t>(names.size()));
}

}  // namespace ovix
