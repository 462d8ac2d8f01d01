// The nine entity stores: what the add operations keep, what the accessors
// give for valid and invalid IDs, vertex lists without a size limit, and
// failed adds that leave the stores unchanged.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "model/rv_system.h"
#include "model/store_access.h"
#include "tests/model/model_builders.h"
#include "tools/rv_error.h"

namespace ovix {
namespace {

TEST(Lines, StoredAndReadBack) {
  RvSystem s;
  RvEntProperty p;
  p.Handle = "1F";
  p.Layer = "外形線";
  p.LineType = "DASHED";
  p.Color = 3;
  p.LineWidth = 1;
  const std::vector<double> xs{10, 0}, ys{0, 5}, zs{1, 2};
  EXPECT_EQ(s.AddLine(p, xs, ys, zs), 1);
  p.Clear();  // the model kept a copy
  EXPECT_EQ(s.LineEntityHandle(0), "1F");
  EXPECT_EQ(s.LineEntityLayer(0), "外形線");
  EXPECT_EQ(s.LineEntityLineStyle(0), "DASHED");
  RvPoint3 pt{};
  EXPECT_TRUE(s.LineEntityStart(0, pt));
  EXPECT_EQ(pt, (RvPoint3{10, 0, 1}));
  EXPECT_TRUE(s.LineEntityEnd(0, pt));
  EXPECT_EQ(pt, (RvPoint3{0, 5, 2}));
  // Past the store: false and the origin.
  pt = {7, 7, 7};
  EXPECT_FALSE(s.LineEntityStart(s.LineCount(), pt));
  EXPECT_EQ(pt, (RvPoint3{0, 0, 0}));
  EXPECT_FALSE(s.LineEntityEnd(-1, pt));
  EXPECT_EQ(s.LineEntityHandle(1), "");
}

TEST(Stores, ReservingChangesNoCountAndReleasingKeepsTheTables) {
  RvSystem s;
  RvEntProperty p;
  p.Layer = "0";
  const std::vector<double> xs{0, 1}, ys{0, 1}, zs{0, 0};
  s.AddLine(p, xs, ys, zs);
  s.ReserveEntities("LINE", 1000);
  s.ReserveEntities("CIRCLE", 10);
  s.ReserveEntities("VIEWPORT", 10);  // not a store: ignored
  EXPECT_EQ(s.LineCount(), 1);
  EXPECT_EQ(s.CircleCount(), 0);
  EXPECT_EQ(s.EntityCountOf("VIEWPORT"), 0);
  // Reserved source lines are not lines: an entity without one reads 0.
  EXPECT_EQ(s.EntitySourceLine("LINE", 0), 0u);
  s.SetEntitySourceLine("LINE", 0, 42);
  EXPECT_EQ(s.EntitySourceLine("LINE", 0), 42u);
  EXPECT_EQ(s.LineEntityHandle(0), "");
  s.AddLine(p, xs, ys, zs);
  EXPECT_EQ(s.LineCount(), 2);

  testing::AddTestLayer(s, "壁", 0, 1);
  s.ReleaseEntities();
  EXPECT_EQ(s.LineCount(), 0);
  EXPECT_EQ(s.EntitySourceLine("LINE", 0), 0u);
  EXPECT_EQ(s.LayerCount(), 1);
  s.AddLine(p, xs, ys, zs);  // the emptied store takes new entities
  EXPECT_EQ(s.LineCount(), 1);
}

TEST(EntityStores, ReleasedStoresGiveTheirMemoryBack) {
  // What ReleaseEntities does to each store: a vector assigned `{}` is
  // emptied but keeps its capacity, so the records' memory stayed taken
  // through the save.
  std::vector<LineRecord> lines(5000);
  model_detail::ReleaseStore(lines);
  EXPECT_EQ(lines.capacity(), 0u);
  std::vector<std::string> kept(5000);
  kept = {};
  EXPECT_EQ(kept.capacity(), 5000u);
}

TEST(Lines, ShortCoordinateArrayFailsWithoutAdding) {
  RvSystem s;
  RvEntProperty p;
  const std::vector<double> one{0}, two{0, 1};
  try {
    s.AddLine(p, two, one, two);
    FAIL() << "expected an error";
  } catch (const RvError& e) {
    EXPECT_EQ(e.kind(), RvErrorKind::SubscriptOutOfRange);
    EXPECT_NE(std::string(e.what()).find("PointY"), std::string::npos);
  }
  EXPECT_EQ(s.LineCount(), 0);
  const std::vector<double> none;
  EXPECT_THROW(s.AddCircle(p, none, none, none), RvError);
  EXPECT_EQ(s.CircleCount(), 0);
}

TEST(CurvesWithRadius, CirclesEllipsesArcs) {
  RvSystem s;
  RvEntProperty p;
  p.Radius = 5;
  p.RadiusL = 10;
  p.RadiusS = 3;
  p.AngleS = 90;
  p.AngleE = 180;
  const std::vector<double> x{1}, y{2}, z{3};
  s.AddCircle(p, x, y, z);
  s.AddEllipse(p, x, y, z);
  p.Radius = 10;
  s.AddArc(p, std::vector<double>{0}, std::vector<double>{0}, std::vector<double>{0});
  RvPoint3 c{};
  EXPECT_TRUE(s.CircleCenter(0, c));
  EXPECT_EQ(c, (RvPoint3{1, 2, 3}));
  EXPECT_DOUBLE_EQ(s.CircleRaius(0), 5);
  EXPECT_DOUBLE_EQ(s.CircleRaius(1), 0);
  EXPECT_DOUBLE_EQ(s.EllipseLongRaius(0), 10);
  EXPECT_DOUBLE_EQ(s.EllipseShortRaius(0), 3);
  EXPECT_TRUE(s.EllipseCenter(0, c));
  EXPECT_DOUBLE_EQ(s.ArcRaius(0), 10);
  EXPECT_DOUBLE_EQ(s.ArcStartAngle(0), 90);
  EXPECT_DOUBLE_EQ(s.ArcEndAngle(0), 180);
  const auto start = s.ArcStartPoint(0);
  ASSERT_TRUE(start.has_value());
  EXPECT_NEAR(start->X, 0.0, 1e-12);
  EXPECT_NEAR(start->Y, 10.0, 1e-12);
  const auto end = s.ArcEndPoint(0);
  ASSERT_TRUE(end.has_value());
  EXPECT_NEAR(end->X, -10.0, 1e-12);
  EXPECT_FALSE(s.ArcStartPoint(1).has_value());
  EXPECT_FALSE(s.ArcEndPoint(-1).has_value());
}

TEST(CurvesWithRadius, ArcWidthMustFitSixteenBits) {
  RvSystem s;
  RvEntProperty p;
  p.LineWidth = 40000;
  const std::vector<double> x{0};
  try {
    s.AddArc(p, x, x, x);
    FAIL() << "expected an overflow";
  } catch (const RvError& e) {
    EXPECT_EQ(e.kind(), RvErrorKind::Overflow);
  }
  EXPECT_EQ(s.ArcCount(), 0);
}

TEST(Polylines, CountDecidesHowManyVerticesAreKept) {
  RvSystem s;
  RvEntProperty p;
  p.Count = 3;
  p.Mode = 1;
  p.LineWidth = 2;
  const std::vector<double> xs{0, 1, 2, 3, 4}, ys{5, 6, 7, 8, 9}, zs(5, 0.0);
  EXPECT_EQ(s.AddPolyline(p, xs, ys, zs), 1);
  EXPECT_EQ(s.PolylineVerticesCount(0), 3);
  EXPECT_EQ(s.PolylineClosed(0), 1);
  EXPECT_DOUBLE_EQ(s.PolylineConstantWidth(0), 2);
  std::vector<double> v;
  EXPECT_TRUE(s.PolylineVertex(0, v));
  EXPECT_EQ(v, (std::vector<double>{0, 5, 0, 1, 6, 0, 2, 7, 0}));
  RvPoint3 pt{-1, -1, -1};
  EXPECT_TRUE(s.PolylinePoint(0, 2, pt));
  EXPECT_EQ(pt, (RvPoint3{2, 7, 0}));
  pt = {-1, -1, -1};
  EXPECT_TRUE(s.PolylinePoint(0, 3, pt));  // valid ID, vertex out of range: untouched
  EXPECT_EQ(pt, (RvPoint3{-1, -1, -1}));
  EXPECT_FALSE(s.PolylinePoint(1, 0, pt));
  // Defaults past the store are -1, not 0.
  EXPECT_EQ(s.PolylineVerticesCount(1), -1);
  EXPECT_EQ(s.PolylineClosed(1), -1);
  EXPECT_FALSE(s.PolylineVertex(1, v));
}

TEST(Polylines, NoVertexLimit) {
  RvSystem s;
  RvEntProperty p;
  const int n = 100000;
  p.Count = n;
  std::vector<double> xs(n), ys(n), zs(n, 0.0);
  for (int i = 0; i < n; ++i) {
    xs[i] = i;
    ys[i] = -i;
  }
  EXPECT_EQ(s.AddPolyline(p, xs, ys, zs), 1);
  EXPECT_EQ(s.PolylineVerticesCount(0), n);
  RvPoint3 pt{};
  EXPECT_TRUE(s.PolylinePoint(0, n - 1, pt));
  EXPECT_EQ(pt, (RvPoint3{n - 1.0, -(n - 1.0), 0}));
  // 1002 vertices, where a fixed capacity of 1001 used to fail.
  p.Count = 1002;
  EXPECT_EQ(s.AddLeader(p, xs, ys, zs), 1);
  EXPECT_EQ(s.LeaderVerticesCount(0), 1002);
  std::vector<double> v;
  EXPECT_TRUE(s.LeaderVertex(0, v));
  EXPECT_EQ(v.size(), 3u * 1002u);
}

TEST(Polylines, CountPastTheArraysFailsWithoutAdding) {
  RvSystem s;
  RvEntProperty p;
  p.Count = 4;
  const std::vector<double> three{0, 1, 2};
  EXPECT_THROW(s.AddPolyline(p, three, three, three), RvError);
  EXPECT_THROW(s.AddLeader(p, three, three, three), RvError);
  EXPECT_EQ(s.PolylineCount(), 0);
  EXPECT_EQ(s.LeaderCount(), 0);
  // A corrupt huge count fails on the arrays, not on memory.
  p.Count = 2000000000;
  EXPECT_THROW(s.AddPolyline(p, three, three, three), RvError);
}

TEST(Polylines, NoVerticesLeavesTheOutputAlone) {
  RvSystem s;
  RvEntProperty p;
  p.Count = 0;
  const std::vector<double> none;
  EXPECT_EQ(s.AddPolyline(p, none, none, none), 1);
  std::vector<double> v{42};
  EXPECT_TRUE(s.PolylineVertex(0, v));
  EXPECT_EQ(v, std::vector<double>{42});
}

TEST(Texts, EmptyTextIsNotStored) {
  RvSystem s;
  RvEntProperty p;
  EXPECT_EQ(s.AddText(p, 0, 0, 0), 0);
  EXPECT_EQ(s.AddMtext(p, 0, 0, 0), 0);
  p.Text = "A";
  EXPECT_EQ(s.AddText(p, 0, 0, 0), 1);
  p.Text.clear();
  EXPECT_EQ(s.AddText(p, 0, 0, 0), 1);
  EXPECT_EQ(s.TextCount(), 1);
  EXPECT_EQ(s.MuTextCount(), 0);
}

TEST(Texts, FieldsAndStyle) {
  RvSystem s;
  std::vector<int32_t> lng(51, 0);
  std::vector<double> dbl(51, 0.0);
  std::vector<std::string> str(51);
  lng[0] = 4;
  str[0] = "msgothic.ttc";
  s.AddTextStyle("Standard", lng, dbl, str);

  RvEntProperty p;
  p.Handle = "2A";
  p.Layer = "文字";
  p.Text = "寸法記入";
  p.Height = 3.5;
  p.Angle = 30;
  p.Length = 14;
  p.Attach = 5;
  p.Direct = 1;
  p.Space = 2;
  p.Color = 256;
  EXPECT_EQ(s.AddText(p, 1, 2, 3), 1);
  p.TextStyle = "OTHER";
  EXPECT_EQ(s.AddMtext(p, 4, 5, 6), 1);

  EXPECT_EQ(s.TextStyleName(0), "Standard");  // empty style becomes "Standard"
  EXPECT_EQ(s.TextFlag(0), 4);
  EXPECT_EQ(s.TextEntityFont(0), "msgothic.ttc");
  EXPECT_EQ(s.TextText(0), "寸法記入");
  EXPECT_DOUBLE_EQ(s.TextHeight(0), 3.5);
  EXPECT_DOUBLE_EQ(s.TextRotationAngle(0), 30);
  EXPECT_DOUBLE_EQ(s.TextWidth(0), 14);
  EXPECT_DOUBLE_EQ(s.TextSpacingFactor(0), 2);
  EXPECT_EQ(s.TextAttachment(0), 5);
  EXPECT_EQ(s.TextDirection(0), 1);
  EXPECT_EQ(s.TextSpacingStyle(0), "2");
  EXPECT_EQ(s.TextSpacingStyle(1), "0");
  RvPoint3 pt{};
  EXPECT_TRUE(s.TextInsertionPoint(0, pt));
  EXPECT_EQ(pt, (RvPoint3{1, 2, 3}));

  EXPECT_EQ(s.MtextStyleName(0), "OTHER");
  EXPECT_EQ(s.MtextFlag(0), 0);  // no such style
  EXPECT_EQ(s.MtextEntityFont(0), "");
  EXPECT_TRUE(s.MtextInsertionPoint(0, pt));
  EXPECT_EQ(pt, (RvPoint3{4, 5, 6}));
  EXPECT_EQ(s.MtextHandle(0), "2A");
  EXPECT_EQ(s.MtextText(1), "");
  EXPECT_DOUBLE_EQ(s.MtextHeight(1), 0);
}

TEST(Dimensions, FieldsOfALinearDimension) {
  RvSystem s;
  RvEntProperty p;
  p.Layer = "DIM";
  p.DimType = "AcDbRotatedDimension";
  p.Text = "100";
  p.UserText = "<>mm";
  p.Angle = 90;
  p.Direct = 2;
  p.DimStyle = "ISO-25";
  p.Color = 1;
  EXPECT_EQ(s.AddDimension(p, 100, 20, 0, 0, 20, 0, 0, 0, 0, 100, 0, 0, 7, 7, 7, 50, 25, 0), 1);
  EXPECT_EQ(s.DimensionType(0), "AcDbRotatedDimension");
  EXPECT_EQ(s.DimensionText(0), "100");
  EXPECT_EQ(s.DimensionUserText(0), "<>mm");
  EXPECT_EQ(s.DimensionStyleName(0), "ISO-25");
  EXPECT_EQ(s.DimensionTextStyleName(0), "");
  EXPECT_EQ(s.DimensionTextFont(0), "");
  EXPECT_EQ(s.DimensionTextFlag(0), 0);
  EXPECT_DOUBLE_EQ(s.DimensionRotationAngle(0), 90);
  EXPECT_EQ(s.DimensionDirection(0), 2);
  RvPoint3 pt{};
  EXPECT_TRUE(s.DimensionInsertion1Point(0, pt));
  EXPECT_EQ(pt, (RvPoint3{100, 20, 0}));
  EXPECT_TRUE(s.DimensionInsertion2Point(0, pt));
  EXPECT_EQ(pt, (RvPoint3{0, 20, 0}));
  EXPECT_TRUE(s.DimensionExtLine2Point(0, pt));
  EXPECT_EQ(pt, (RvPoint3{100, 0, 0}));
  EXPECT_TRUE(s.DimensionTextPosition(0, pt));
  EXPECT_EQ(pt, (RvPoint3{50, 25, 0}));
  // Not angular: no centre, radius or angles.
  EXPECT_TRUE(s.DimensionCenter(0, pt));
  EXPECT_EQ(pt, (RvPoint3{0, 0, 0}));
  EXPECT_DOUBLE_EQ(s.DimensionRaius(0), 0);
  EXPECT_DOUBLE_EQ(s.DimensionStartAngle(0), 0);
}

TEST(Dimensions, AngularDimensionDerivesCentreRadiusAndSector) {
  RvSystem s;
  RvEntProperty p;
  p.DimType = kDimTypeAngular2Line;
  // Line 1 from (10, 1) to (20, 1); line 2 from (10, 11) to (20, 21); they
  // cross at (0, 1), outside both segments. The arc position (8, 4) lies
  // between them.
  s.AddDimension(p, 10, 1, 0, 20, 1, 0, 10, 11, 0, 20, 21, 0, 8, 4, 0, 0, 0, 0);
  RvPoint3 c{};
  EXPECT_TRUE(s.DimensionCenter(0, c));
  EXPECT_NEAR(c[0], 0.0, 1e-9);
  EXPECT_NEAR(c[1], 1.0, 1e-9);
  EXPECT_NEAR(s.DimensionRaius(0), std::sqrt(73.0), 1e-9);
  // The direction Insertion1 - Insertion2 is 180 degrees, ExtLine1 -
  // ExtLine2 is 225; as lines: 0 and 45, and the arc at ~20.6 lies in (0, 45].
  EXPECT_NEAR(s.DimensionStartAngle(0), 0.0, 1e-9);
  EXPECT_NEAR(s.DimensionEndAngle(0), 45.0, 1e-9);
}

TEST(Dimensions, AngularDimensionWithParallelLinesCentresAtTheOrigin) {
  RvSystem s;
  RvEntProperty p;
  p.DimType = kDimTypeAngular2Line;
  s.AddDimension(p, 0, 1, 5, 10, 1, 5, 0, 2, 5, 10, 2, 5, 3, 4, 5, 0, 0, 0);
  RvPoint3 c{};
  s.DimensionCenter(0, c);
  EXPECT_EQ(c, (RvPoint3{0, 0, 5}));  // Z from Insertion1Point
  EXPECT_DOUBLE_EQ(s.DimensionRaius(0), 5.0);  // from (0, 0, 5) to (3, 4, 5)
}

}  // namespace
}  // namespace ovix
