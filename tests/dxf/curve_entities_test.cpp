// LINE, CIRCLE, ARC, ELLIPSE and LWPOLYLINE into the model; the entity walk's
// shared rules (common codes, paper space, unsupported types).

#include <gtest/gtest.h>

#include "tests/dxf/dxf_test_support.h"

namespace ovix {
namespace {

using testing::DxfPairs;
using testing::Drawing;
using testing::ImportBytes;

DxfPairs Join(std::initializer_list<DxfPairs> parts) {
  DxfPairs out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

TEST(CurveEntities, LinesNeedTheirEndPointAndCarryCommonCodes) {
  auto r = ImportBytes(Drawing(Join({
      {{0, "LINE"}, {5, "2A"}, {8, "壁"}, {6, "DASHED"}, {62, "1"}, {370, "100"},
       {10, "1"}, {20, "2"}, {30, "3"}, {11, "4"}, {21, "5"}, {31, "6"}},
      {{0, "LINE"}, {10, "1"}, {20, "2"}, {11, "4"}},  // no 21 or 31: not added
      {{0, "Line"}, {370, "35"}, {11, "4"}, {31, "1"}},  // 31 alone completes it
  })));
  ASSERT_TRUE(r.ok);
  RvSystem& m = r.model();
  ASSERT_EQ(m.LineCount(), 2);
  EXPECT_EQ(m.LineEntityHandle(0), "2A");
  EXPECT_EQ(m.LineEntityLayer(0), "壁");
  EXPECT_EQ(m.LineEntityLineStyle(0), "DASHED");
  RvPoint3 start{}, end{};
  m.LineEntityStart(0, start);
  m.LineEntityEnd(0, end);
  EXPECT_EQ(start, (RvPoint3{1, 2, 3}));
  EXPECT_EQ(end, (RvPoint3{4, 5, 6}));
  EXPECT_DOUBLE_EQ(m.LineEntityLineWidth(0), 1.0);  // 370 = 100 -> 1
  EXPECT_DOUBLE_EQ(m.LineEntityLineWidth(1), 0.0);  // 370 = 35 -> 0
}

TEST(CurveEntities, CirclesAndArcsNeedTheirKeyCode) {
  auto r = ImportBytes(Drawing(Join({
      {{0, "CIRCLE"}, {10, "5"}, {20, "6"}, {40, "2.5"}},
      {{0, "CIRCLE"}, {10, "5"}, {20, "6"}},
      {{0, "ARC"}, {10, "1"}, {40, "3"}, {50, "90"}, {51, "180"}},
      {{0, "ARC"}, {10, "1"}, {40, "3"}, {50, "90"}},
  })));
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.model().CircleCount(), 1);
  EXPECT_DOUBLE_EQ(r.model().CircleRaius(0), 2.5);
  ASSERT_EQ(r.model().ArcCount(), 1);
  EXPECT_DOUBLE_EQ(r.model().ArcStartAngle(0), 90);
  EXPECT_DOUBLE_EQ(r.model().ArcEndAngle(0), 180);
}

TEST(CurveEntities, EllipseAxesFollowTheLargerComponentAndStartFreshEachTime) {
  auto r = ImportBytes(Drawing(Join({
      {{0, "ELLIPSE"}, {10, "0"}, {20, "0"}, {11, "3"}, {21, "4"}, {40, "0.5"}},
      {{0, "ELLIPSE"}, {11, "-10"}, {21, "0"}, {40, "0.3"}},
      // No code 21 and no ratio: nothing is borrowed from the ellipse before.
      {{0, "ELLIPSE"}, {11, "2"}},
  })));
  ASSERT_TRUE(r.ok);
  RvSystem& m = r.model();
  ASSERT_EQ(m.EllipseCount(), 3);
  EXPECT_DOUBLE_EQ(m.EllipseShortRaius(0), 4);
  EXPECT_DOUBLE_EQ(m.EllipseLongRaius(0), 2);
  EXPECT_DOUBLE_EQ(m.EllipseLongRaius(1), 10);
  EXPECT_NEAR(m.EllipseShortRaius(1), 3, 1e-12);
  EXPECT_DOUBLE_EQ(m.EllipseLongRaius(2), 2);
  EXPECT_DOUBLE_EQ(m.EllipseShortRaius(2), 0);
}

TEST(CurveEntities, PolylinesPassTheirVerticesFlat) {
  auto r = ImportBytes(Drawing(Join({
      {{0, "LWPOLYLINE"}, {90, "3"}, {70, "1"}, {43, "70"}, {370, "200"}, {38, "9"},
       {10, "0"}, {20, "0"}, {10, "10"}, {20, "0"}, {42, "1"}, {10, "10"}, {20, "5"}},
      {{0, "LWPOLYLINE"}, {90, "0"}},  // no vertex: not added
      // The count written disagrees with the vertices: all of them are kept.
      {{0, "LWPOLYLINE"}, {90, "7"}, {10, "1"}, {20, "1"}, {10, "2"}, {20, "2"}},
      {{0, "LWPOLYLINE"}, {10, "1"}, {20, "1"}, {10, "2"}, {20, "2"}},
  })));
  ASSERT_TRUE(r.ok) << (r.messages.empty() ? "" : r.messages[0]);
  RvSystem& m = r.model();
  ASSERT_EQ(m.PolylineCount(), 3);
  EXPECT_EQ(m.PolylineVerticesCount(0), 3);
  EXPECT_EQ(m.PolylineClosed(0), 1);
  EXPECT_DOUBLE_EQ(m.PolylineConstantWidth(0), 1);  // 43 = 70 -> 1; 370 not read
  std::vector<double> v;
  m.PolylineVertex(0, v);
  EXPECT_EQ(v, (std::vector<double>{0, 0, 0, 10, 0, 0, 10, 5, 0}));
  EXPECT_EQ(m.PolylineVerticesCount(1), 2);
  EXPECT_EQ(m.PolylineVerticesCount(2), 2);
}

TEST(CurveEntities, PolylineOfOneHundredThousandVertices) {
  DxfPairs poly{{0, "LWPOLYLINE"}, {90, "100000"}};
  poly.reserve(200010);
  for (int i = 0; i < 100000; ++i) {
    poly.push_back({10, std::to_string(i)});
    poly.push_back({20, std::to_string(i % 7)});
  }
  auto r = ImportBytes(Drawing(poly));
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.model().PolylineCount(), 1);
  EXPECT_EQ(r.model().PolylineVerticesCount(0), 100000);
  RvPoint3 last{};
  r.model().PolylinePoint(0, 99999, last);
  EXPECT_EQ(last, (RvPoint3{99999, 99999 % 7, 0}));
}

TEST(CurveEntities, PaperSpaceViewportsAndOtherTypesStayOutOfTheModel) {
  auto r = ImportBytes(Drawing(Join({
      {{0, "VIEWPORT"}, {67, "1"}, {10, "0"}, {20, "0"}, {40, "100"}},
      {{0, "CIRCLE"}, {67, "1"}, {40, "1"}},
      {{0, "INSERT"}, {2, "B"}, {10, "0"}},
      {{0, "CIRCLE"}, {67, "0"}, {40, "2"}},
      testing::Line(0, 0, 1, 1),
  })));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.model().CircleCount(), 1);
  EXPECT_DOUBLE_EQ(r.model().CircleRaius(0), 2);
  EXPECT_EQ(r.model().LineCount(), 1);
}

TEST(CurveEntities, NumbersAreReadLeniently) {
  auto r = ImportBytes(Drawing({{0, "CIRCLE"}, {10, "+1.5"}, {20, "2mm"}, {40, "abc"}}));
  ASSERT_TRUE(r.ok);
  RvPoint3 c{};
  r.model().CircleCenter(0, c);
  EXPECT_EQ(c, (RvPoint3{1.5, 2, 0}));
  EXPECT_DOUBLE_EQ(r.model().CircleRaius(0), 0);
}

}  // namespace
}  // namespace ovix
