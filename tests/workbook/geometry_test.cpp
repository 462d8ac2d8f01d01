// The engine's building blocks: freeform curves and arcs, bounds, z-order,
// the cell grid, cell references and text runs.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

#include "excel/excel_automation.h"
#include "workbook/bezier_path.h"
#include "workbook/cell_reference.h"
#include "workbook/sheet_grid.h"
#include "workbook/text_body.h"
#include "workbook/text_metrics.h"
#include "workbook/z_order_index.h"

namespace {

using namespace ovix::workbook;

Point2 CubicAt(Point2 p0, const PathSegment& s, double t) {
  const double u = 1 - t;
  return {u * u * u * p0.x + 3 * u * u * t * s.c1.x + 3 * u * t * t * s.c2.x + t * t * t * s.to.x,
          u * u * u * p0.y + 3 * u * u * t * s.c1.y + 3 * u * t * t * s.c2.y + t * t * t * s.to.y};
}

// Largest distance of the drawn path from the circle (cx, cy, r).
double WorstRadialError(const BezierPath& path, double cx, double cy, double r) {
  double worst = 0;
  Point2 from = path.start;
  for (const PathSegment& seg : path.segments) {
    for (int i = 0; i <= 50; ++i) {
      const Point2 p = seg.cubic ? CubicAt(from, seg, i / 50.0) : seg.to;
      worst = std::max(worst, std::fabs(std::hypot(p.x - cx, p.y - cy) - r));
    }
    from = seg.to;
  }
  return worst;
}

std::vector<FreeformNode> CircleNodes(double cx, double cy, double r,
                                      const std::vector<double>& degrees) {
  std::vector<FreeformNode> nodes;
  for (double d : degrees) {
    const double t = d * std::numbers::pi / 180;
    FreeformNode n;
    n.at = {cx + r * std::cos(t), cy - r * std::sin(t)};
    n.segment_type = excel::kSegmentCurve;
    n.editing_type = excel::kEditingAuto;
    nodes.push_back(n);
  }
  return nodes;
}

TEST(FreeformPath, SmoothCurveThroughPointsOfACircleStaysOnTheCircle) {
  // The exporter's arcs: 2 to 8 equal steps of at most 45 degrees.
  for (int steps : {2, 4, 6, 8}) {
    for (double sweep : {20.0, 89.0, 150.0, 260.0, 359.0}) {
      if (sweep / steps > 45.0) continue;
      std::vector<double> angles;
      for (int k = 0; k <= steps; ++k) angles.push_back(15 + sweep * k / steps);
      const BezierPath path = BuildFreeformPath(CircleNodes(500, 500, 100, angles));
      EXPECT_LT(WorstRadialError(path, 500, 500, 100), 0.05)
          << steps << " steps over " << sweep << " degrees";
    }
  }
  // Unevenly spaced nodes (the exporter skips nodes closer than 6 points).
  const BezierPath uneven = BuildFreeformPath(CircleNodes(0, 0, 50, {0, 10, 45, 50, 90, 170}));
  EXPECT_LT(WorstRadialError(uneven, 0, 0, 50), 0.2);
}

TEST(FreeformPath, CornersLinesAndClosedPaths) {
  std::vector<FreeformNode> nodes = CircleNodes(0, 0, 10, {0, 90, 180});
  nodes[1].editing_type = excel::kEditingCorner;
  BezierPath path = BuildFreeformPath(nodes);
  // No handle at a corner node.
  EXPECT_DOUBLE_EQ(path.segments[0].c2.x, nodes[1].at.x);
  EXPECT_DOUBLE_EQ(path.segments[1].c1.y, nodes[1].at.y);

  nodes[2].segment_type = excel::kSegmentLine;
  path = BuildFreeformPath(nodes);
  EXPECT_FALSE(path.segments[1].cubic);
  EXPECT_FALSE(path.closed);

  const BezierPath ring = BuildFreeformPath(CircleNodes(0, 0, 10, {0, 90, 180, 270, 360}));
  EXPECT_TRUE(ring.closed);
  EXPECT_LT(WorstRadialError(ring, 0, 0, 10), 0.01);

  EXPECT_THROW(BuildFreeformPath(CircleNodes(0, 0, 1, {0})), excel::AutomationError);
  // Repeated points do not produce anything undefined.
  const BezierPath repeated = BuildFreeformPath(CircleNodes(0, 0, 10, {0, 0, 90, 90}));
  for (const PathSegment& s : repeated.segments) EXPECT_TRUE(std::isfinite(s.c1.x + s.c2.y));
}

TEST(ArcPath, RunsCounterClockwiseOnTheSheetWithTightBounds) {
  const BezierPath arc = EllipticArcPath(100, 100, 50, 50, 30, 170);
  EXPECT_NEAR(arc.start.x, 100 + 50 * std::cos(30 * std::numbers::pi / 180), 1e-9);
  EXPECT_NEAR(arc.start.y, 100 - 25, 1e-9);  // above the centre: y grows downwards
  EXPECT_NEAR(arc.segments.back().to.y, 100 - 50 * std::sin(200 * std::numbers::pi / 180), 1e-9);
  EXPECT_LT(WorstRadialError(arc, 100, 100, 50), 0.01);
  const Box b = PathBounds(arc);
  EXPECT_NEAR(b.top, 50, 0.01);   // passes through 90 degrees
  EXPECT_NEAR(b.left, 50, 0.01);  // and through 180 degrees
  EXPECT_NEAR(b.bottom, 100 + 50 * std::sin(20 * std::numbers::pi / 180), 0.01);
  EXPECT_NEAR(b.right, 100 + 50 * std::cos(30 * std::numbers::pi / 180), 0.01);
  EXPECT_EQ(EllipticArcPath(0, 0, 1, 1, 0, 360).segments.size(), 4u);
}

TEST(ZOrder, ItemsCountRemovalsAndReplacementsLikeAPlainList) {
  std::mt19937 random(7);
  std::vector<int> values(3000);
  ZOrderIndex<int> index;
  std::vector<int*> reference;
  std::vector<size_t> slots;
  for (int i = 0; i < 3000; ++i) {
    values[i] = i;
    slots.push_back(index.Append(&values[i]));
    reference.push_back(&values[i]);
    if (i % 3 == 2) {
      const size_t victim = random() % reference.size();
      int* item = reference[victim];
      index.Remove(slots[static_cast<size_t>(*item)]);
      reference.erase(reference.begin() + static_cast<std::ptrdiff_t>(victim));
    }
  }
  ASSERT_EQ(index.size(), reference.size());
  for (size_t k = 0; k < reference.size(); k += 37) EXPECT_EQ(index.At(k), reference[k]);
  EXPECT_EQ(index.At(reference.size() - 1), reference.back());
}

TEST(SheetGrid, CellsOfTheDefaultColumnsAndRows) {
  const SheetGrid grid;
  const CellPosition p = grid.CellAt(PointsToEmu(6500), PointsToEmu(6500));
  // 6500 points: column 120 (54 points each) and row 481 (13.5 points each).
  EXPECT_EQ(p.column, 120);
  EXPECT_EQ(p.column_offset, PointsToEmu(6500 - 120 * 54));
  EXPECT_EQ(p.row, 481);
  EXPECT_EQ(p.row_offset, PointsToEmu(6500 - 481 * 13.5));
  const CellPosition edge = grid.CellAt(kDefaultColumnWidthEmu, 0);
  EXPECT_EQ(edge.column, 1);
  EXPECT_EQ(edge.column_offset, 0);
  const CellPosition outside = grid.CellAt(-5, int64_t{1} << 50);
  EXPECT_EQ(outside.column, 0);
  EXPECT_EQ(outside.column_offset, 0);
  EXPECT_EQ(outside.row, SheetGrid::kRowCount - 1);
  EXPECT_EQ(outside.row_offset, kDefaultRowHeightEmu);
}

TEST(CellReferences, ParseAndNormalise) {
  EXPECT_EQ(ParseCellReference("1:1")->Absolute(), "$1:$1");
  EXPECT_EQ(ParseCellReference("$3:2")->Absolute(), "$2:$3");
  EXPECT_EQ(ParseCellReference("b:a")->Absolute(), "$A:$B");
  EXPECT_EQ(ParseCellReference("d10:a1")->Absolute(), "$A$1:$D$10");
  EXPECT_EQ(ParseCellReference("XFD1048576")->Relative(), "XFD1048576");
  EXPECT_EQ(ParseCellReference("1:1")->TopLeftCell(), "A1");
  for (const char* bad : {"", "XFE1", "A0", "A1048577", "1", "A", "A1:", "$", "A$", "1A", "A1B2"}) {
    EXPECT_FALSE(ParseCellReference(bad)) << bad;
  }
  EXPECT_EQ(ColumnLetters(703), "AAA");
  EXPECT_EQ(*QualifiedReferenceList("A1:B2, 'My ''s'!$C$3", "My 's"),
            "'My ''s'!$A$1:$B$2,'My ''s'!$C$3");
  EXPECT_FALSE(QualifiedReferenceList("Other!A1", "Sheet1"));
}

TEST(TextBody, RunsFollowReplacementsAndFormatting) {
  TextBody body;
  body.Replace(0, 0, "ABCDEF");
  body.Format(1, 2, [](CharFormat& f) { f.bold = true; });
  ASSERT_EQ(body.runs().size(), 3u);
  EXPECT_TRUE(body.FormatAt(2).bold);
  EXPECT_FALSE(body.FormatAt(3).bold);
  body.Replace(0, 2, "xyz");  // takes the format of "A"
  EXPECT_EQ(body.Text(0, SIZE_MAX), "xyzCDEF");
  EXPECT_FALSE(body.FormatAt(2).bold);
  EXPECT_TRUE(body.FormatAt(3).bold);
  body.Format(0, SIZE_MAX, [](CharFormat& f) { f.bold = false; });
  EXPECT_EQ(body.runs().size(), 1u);
  EXPECT_FALSE(body.end_format().bold);
  body.Replace(0, SIZE_MAX, "");
  EXPECT_EQ(body.Length(), 0u);
  body.Replace(0, 0, "\xE3\x81");  // a cut-off character becomes U+FFFD
  EXPECT_EQ(body.Text(0, SIZE_MAX), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(TextMetrics, WidthsAndParagraphs) {
  EXPECT_DOUBLE_EQ(CharacterWidthEm(U'図'), 1.0);
  EXPECT_DOUBLE_EQ(CharacterWidthEm(U'Ａ'), 1.0);
  EXPECT_DOUBLE_EQ(CharacterWidthEm(U'ｱ'), 0.5);
  EXPECT_DOUBLE_EQ(CharacterWidthEm(U'0'), 0.556);
  EXPECT_DOUBLE_EQ(CharacterWidthEm(U'\n'), 0.0);
  TextBody body;
  body.Replace(0, 0, "図\r\n\nAB");
  const TextExtent e = MeasureText(body);
  EXPECT_NEAR(e.line_length, 2 * 0.667 * 11, 1e-9);
  EXPECT_NEAR(e.lines_depth, 3 * 1.2 * 11, 1e-9);  // "\r\n" is one break
}

}  // namespace
