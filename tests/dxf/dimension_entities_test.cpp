// DIMENSION and LEADER into the model: the kinds, the geometry of the
// dimension line, the direction and the measured text.

#include <gtest/gtest.h>

#include <cmath>

#include "tests/dxf/dxf_test_support.h"

namespace ovix {
namespace {

using testing::DxfPairs;
using testing::Drawing;
using testing::ImportBytes;

DxfPairs Markers(std::initializer_list<const char*> kinds) {
  DxfPairs out{{100, "AcDbEntity"}, {100, "AcDbDimension"}};
  for (const char* k : kinds) out.push_back({100, k});
  return out;
}

DxfPairs Dim(const DxfPairs& markers, const DxfPairs& rest) {
  DxfPairs out{{0, "DIMENSION"}, {3, "Standard"}};
  out.insert(out.end(), markers.begin(), markers.end());
  out.insert(out.end(), rest.begin(), rest.end());
  return out;
}

DxfPairs Points(double x0, double y0, double x2, double y2, double x3, double y3) {
  return {{10, std::to_string(x0)}, {20, std::to_string(y0)}, {13, std::to_string(x2)},
          {23, std::to_string(y2)}, {14, std::to_string(x3)}, {24, std::to_string(y3)}};
}

RvPoint3 Insertion2(RvSystem& m, int32_t id) {
  RvPoint3 p{};
  m.DimensionInsertion2Point(id, p);
  return p;
}

const DxfPairs kStyle{{0, "TABLE"}, {2, "DIMSTYLE"}, {0, "DIMSTYLE"}, {2, "Standard"},
                      {144, "2"},   {0, "ENDTAB"}};

TEST(DimensionEntities, KindsFromSubclassMarkers) {
  const DxfPairs geometry = Points(100, 20, 0, 0, 100, 0) + DxfPairs{{42, "100"}};
  auto r = ImportBytes(Drawing(
      Dim(Markers({"AcDbAlignedDimension", "AcDbRotatedDimension"}), geometry) +
      Dim(Markers({"AcDbAlignedDimension"}), geometry) +
      Dim(Markers({"AcDb2LineAngularDimension"}), geometry) +
      Dim(Markers({"AcDbDiametricDimension"}), geometry) +
      Dim(Markers({"AcDbRadialDimension"}), geometry) +
      Dim(Markers({"AcDbOrdinateDimension"}), geometry) +
      // Any number of markers, extra ones included.
      Dim(Markers({"AcDbAlignedDimension", "AcDbRotatedDimension", "AcDbExtra", "X", "Y"}),
          geometry)));
  ASSERT_TRUE(r.ok) << (r.messages.empty() ? "" : r.messages[0]);
  RvSystem& m = r.model();
  ASSERT_EQ(m.DimensionCount(), 7);
  EXPECT_EQ(m.DimensionType(0), "AcDbRotatedDimension");
  EXPECT_EQ(m.DimensionType(1), "AcDbAlignedDimension");
  EXPECT_EQ(m.DimensionType(2), "AcDb2LineAngularDimension");
  EXPECT_EQ(m.DimensionType(3), "AcDbDiametricDimension");
  EXPECT_EQ(m.DimensionType(4), "AcDbRadialDimension");
  EXPECT_EQ(m.DimensionType(5), "");
  EXPECT_EQ(m.DimensionType(6), "AcDbRotatedDimension");
}

TEST(DimensionEntities, RotatedHorizontalAndVertical) {
  auto r = ImportBytes(Drawing(
      Dim(Markers({"AcDbAlignedDimension", "AcDbRotatedDimension"}),
          Points(100, 20, 0, 0, 100, 0) + DxfPairs{{42, "100"}}) +
      Dim(Markers({"AcDbAlignedDimension", "AcDbRotatedDimension"}),
          Points(30, 50, 0, 0, 0, 50))));
  ASSERT_TRUE(r.ok);
  RvSystem& m = r.model();
  EXPECT_EQ(Insertion2(m, 0), (RvPoint3{0, 20, 0}));
  EXPECT_EQ(m.DimensionText(0), "100");
  EXPECT_EQ(m.DimensionDirection(0), 3);  // along -X
  EXPECT_DOUBLE_EQ(m.DimensionRotationAngle(0), 180);
  // Vertical: P3 - P0 points along -X, so the line runs from P0 along Y.
  EXPECT_EQ(Insertion2(m, 1), (RvPoint3{30, 0, 0}));
  EXPECT_EQ(m.DimensionText(1), "50");  // no code 42: the measured length
  EXPECT_EQ(m.DimensionDirection(1), 4);
}

TEST(DimensionEntities, RotatedLinesFollowTheirAngleWhereverP0Stands) {
  auto r = ImportBytes(Drawing(
      // P0 on the first extension line (some writers put it there) and no
      // code 50: horizontal, measuring 42 from x = -21 to x = 21.
      Dim(Markers({"AcDbAlignedDimension", "AcDbRotatedDimension"}),
          Points(-21, -30, -21, 0, 21, 0) + DxfPairs{{42, "-1"}}) +
      // Code 50 = 90: vertical, the feet of (0, 0) and (0, 50) on x = 30.
      Dim(Markers({"AcDbAlignedDimension", "AcDbRotatedDimension"}),
          Points(30, 50, 0, 0, 0, 50) + DxfPairs{{50, "90"}}) +
      // 30 degrees: the points (0, 0) and (10, 0) measured along that angle.
      Dim(Markers({"AcDbAlignedDimension", "AcDbRotatedDimension"}),
          Points(-5, 20, 0, 0, 10, 0) + DxfPairs{{50, "30"}})));
  ASSERT_TRUE(r.ok);
  RvSystem& m = r.model();
  RvPoint3 d1{};
  m.DimensionInsertion1Point(0, d1);
  EXPECT_EQ(d1, (RvPoint3{21, -30, 0}));
  EXPECT_EQ(Insertion2(m, 0), (RvPoint3{-21, -30, 0}));
  EXPECT_EQ(m.DimensionText(0), "42");
  m.DimensionInsertion1Point(1, d1);
  EXPECT_EQ(d1, (RvPoint3{30, 50, 0}));
  EXPECT_EQ(Insertion2(m, 1), (RvPoint3{30, 0, 0}));
  EXPECT_EQ(m.DimensionText(1), "50");
  EXPECT_NEAR(std::stod(m.DimensionText(2)), 10 * std::cos(std::acos(-1.0) / 6), 1e-9);
}

TEST(DimensionEntities, AlignedInEveryOrientation) {
  auto r = ImportBytes(Drawing(
      // Slanted: extension lines along (-1, 1), the dimension line along (1, 1).
      Dim(Markers({"AcDbAlignedDimension"}), Points(8, 12, 0, 0, 10, 10)) +
      // Horizontal dimension line (vertical extension lines).
      Dim(Markers({"AcDbAlignedDimension"}), Points(40, 10, 0, 0, 40, 0)) +
      // Vertical dimension line (horizontal extension lines).
      Dim(Markers({"AcDbAlignedDimension"}), Points(-5, 30, 0, 0, 0, 30))));
  ASSERT_TRUE(r.ok);
  RvSystem& m = r.model();
  const RvPoint3 a = Insertion2(m, 0);
  EXPECT_NEAR(a[0], -2, 1e-9);
  EXPECT_NEAR(a[1], 2, 1e-9);
  EXPECT_NEAR(std::stod(m.DimensionText(0)), std::sqrt(200.0), 1e-9);
  EXPECT_EQ(Insertion2(m, 1), (RvPoint3{0, 10, 0}));
  EXPECT_EQ(m.DimensionText(1), "40");
  EXPECT_EQ(Insertion2(m, 2), (RvPoint3{-5, 0, 0}));
  EXPECT_EQ(m.DimensionText(2), "30");
}

TEST(DimensionEntities, MeasuredTextUsesTheStyleFactorAndRealWritersCodes) {
  auto r = ImportBytes(Drawing(
      // No code 1, no code 42 (LibreCAD, QCAD): kept, text from the length.
      Dim(Markers({"AcDbAlignedDimension"}), Points(40, 10, 0, 0, 40, 0)) +
      // Measurement written: used as is, whatever the geometry.
      Dim(Markers({"AcDbAlignedDimension"}), Points(40, 10, 0, 0, 40, 0) +
                                                 DxfPairs{{42, "12.5"}, {1, "<> mm"}}) +
      // Neither the definition point nor 1 nor 42: not added.
      DxfPairs{{0, "DIMENSION"}, {3, "Standard"}, {13, "0"}, {14, "1"}},
      kStyle));
  ASSERT_TRUE(r.ok);
  RvSystem& m = r.model();
  ASSERT_EQ(m.DimensionCount(), 2);
  EXPECT_EQ(m.DimensionText(0), "80");  // 40 x linear factor 2
  EXPECT_EQ(m.DimensionText(1), "12.5");
  EXPECT_EQ(m.DimensionUserText(1), "<> mm");
}

TEST(DimensionEntities, NonLinearKinds) {
  auto r = ImportBytes(Drawing(
      Dim(Markers({"AcDbDiametricDimension"}),
          {{10, "-25"}, {20, "0"}, {15, "25"}, {25, "0"}, {42, "50"}}) +
      Dim(Markers({"AcDbRadialDimension"}), {{10, "0"}, {20, "0"}, {15, "3"}, {25, "4"}}) +
      // Lines x = 0..10 on y = 0 and the diagonal, arc position between them.
      Dim(Markers({"AcDb2LineAngularDimension"}),
          {{13, "0"}, {23, "0"}, {14, "10"}, {24, "0"}, {10, "0"}, {20, "0"}, {15, "10"},
           {25, "10"}, {16, "5"}, {26, "2"}})));
  ASSERT_TRUE(r.ok);
  RvSystem& m = r.model();
  EXPECT_EQ(m.DimensionText(0), "50");  // the diameter, shown with its sign
  EXPECT_EQ(Insertion2(m, 0), (RvPoint3{25, 0, 0}));
  EXPECT_EQ(m.DimensionDirection(0), 1);
  EXPECT_EQ(m.DimensionText(1), "5");  // the radius, P0 to P4
  EXPECT_NEAR(std::stod(m.DimensionText(2)), std::atan(1.0), 1e-12);  // 45 degrees, radians
  EXPECT_EQ(m.DimensionType(2), "AcDb2LineAngularDimension");
  EXPECT_NEAR(m.DimensionRaius(2), std::hypot(5.0, 2.0), 1e-9);
}

TEST(DimensionEntities, ATextLeftAtTheOriginByDefaultGoesToItsDimension) {
  // Writers that keep the text at its default place (code 70 without bit
  // 128) may write (0, 0) for its middle point.
  auto r = ImportBytes(Drawing(
      // Rotated: the middle of the dimension line from (100, 20) to (0, 20).
      Dim(Markers({"AcDbAlignedDimension", "AcDbRotatedDimension"}),
          Points(100, 20, 0, 0, 100, 0) + DxfPairs{{11, "0"}, {21, "0"}, {70, "32"}}) +
      // Angular: the point its arc passes through.
      Dim(Markers({"AcDb2LineAngularDimension"}),
          {{13, "0"}, {23, "0"}, {14, "10"}, {24, "0"}, {10, "0"}, {20, "0"}, {15, "10"},
           {25, "10"}, {16, "5"}, {26, "2"}, {11, "0"}, {21, "0"}, {70, "34"}}) +
      // Placed by the user at the origin (bit 128): it stays there.
      Dim(Markers({"AcDbAlignedDimension", "AcDbRotatedDimension"}),
          Points(100, 20, 0, 0, 100, 0) + DxfPairs{{11, "0"}, {21, "0"}, {70, "160"}})));
  ASSERT_TRUE(r.ok);
  RvSystem& m = r.model();
  RvPoint3 t{};
  m.DimensionTextPosition(0, t);
  EXPECT_EQ(t, (RvPoint3{50, 20, 0}));
  m.DimensionTextPosition(1, t);
  EXPECT_EQ(t, (RvPoint3{5, 2, 0}));
  m.DimensionTextPosition(2, t);
  EXPECT_EQ(t, (RvPoint3{0, 0, 0}));
}

TEST(DimensionEntities, DiameterWithoutMeasurementIsMeasuredBetweenItsPoints) {
  // Writers that leave code 42 out: the diameter is the distance between the
  // two points on the circle.
  auto r = ImportBytes(Drawing(Dim(Markers({"AcDbDiametricDimension"}),
                                   {{10, "-3"}, {20, "-4"}, {15, "3"}, {25, "4"}})));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.model().DimensionText(0), "10");
}

TEST(DimensionEntities, R12DimensionsTakeTheirKindFromCode70) {
  auto r = ImportBytes(Drawing(
      DxfPairs{{0, "DIMENSION"}, {70, "0"}} + Points(100, 20, 0, 0, 100, 0) +
      DxfPairs{{0, "DIMENSION"}, {70, "33"}} + Points(40, 10, 0, 0, 40, 0) +
      DxfPairs{{0, "DIMENSION"}, {70, "130"}, {10, "1"}} +
      DxfPairs{{0, "DIMENSION"}, {70, "3"}, {10, "1"}} +
      DxfPairs{{0, "DIMENSION"}, {70, "4"}, {10, "1"}} +
      DxfPairs{{0, "DIMENSION"}, {70, "6"}, {10, "1"}} +
      DxfPairs{{0, "DIMENSION"}, {10, "1"}}, {}, "AC1009"));
  ASSERT_TRUE(r.ok);
  RvSystem& m = r.model();
  ASSERT_EQ(m.DimensionCount(), 7);
  EXPECT_EQ(m.DimensionType(0), "AcDbRotatedDimension");
  EXPECT_EQ(m.DimensionText(0), "100");
  EXPECT_EQ(m.DimensionType(1), "AcDbAlignedDimension");
  EXPECT_EQ(m.DimensionText(1), "40");
  EXPECT_EQ(m.DimensionType(2), "AcDb2LineAngularDimension");
  EXPECT_EQ(m.DimensionType(3), "AcDbDiametricDimension");
  EXPECT_EQ(m.DimensionType(4), "AcDbRadialDimension");
  EXPECT_EQ(m.DimensionType(5), "");  // ordinate
  EXPECT_EQ(m.DimensionText(5), "");
  EXPECT_EQ(m.DimensionType(6), "AcDbRotatedDimension");  // code 70 left out: 0
}

TEST(DimensionEntities, MeasurementDoesNotCarryOverAndMustBeANumber) {
  auto r = ImportBytes(Drawing(
      Dim(Markers({"AcDbAlignedDimension"}), Points(40, 10, 0, 0, 40, 0) + DxfPairs{{42, "7"}}) +
      Dim(Markers({"AcDbAlignedDimension"}), Points(30, 10, 0, 0, 30, 0))));
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.model().DimensionText(1), "30");

  auto bad = ImportBytes(Drawing(testing::Line(0, 0, 1, 1) +
                                 Dim(Markers({}), {{10, "1"}, {42, "1,5"}})));
  EXPECT_FALSE(bad.ok);
  ASSERT_EQ(bad.messages.size(), 1u);
  EXPECT_NE(bad.messages[0].find("グループコード 42"), std::string::npos) << bad.messages[0];
  EXPECT_NE(bad.messages[0].find("\"1,5\""), std::string::npos);
  EXPECT_EQ(bad.model().LineCount(), 1);  // registered before the failure
}

TEST(DimensionEntities, LeaderVerticesNeedNoZ) {
  auto r = ImportBytes(Drawing({
      {0, "LEADER"}, {8, "注記"}, {76, "3"}, {10, "0"}, {20, "0"}, {30, "5"}, {10, "10"},
      {20, "5"}, {10, "20"}, {20, "5"}, {30, "1"},
      {0, "LEADER"}, {76, "2"},  // no vertex: not added
  }));
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.model().LeaderCount(), 1);
  EXPECT_EQ(r.model().LeaderVerticesCount(0), 3);
  std::vector<double> v;
  r.model().LeaderVertex(0, v);
  EXPECT_EQ(v, (std::vector<double>{0, 0, 0, 10, 5, 0, 20, 5, 0}));
}

}  // namespace
}  // namespace ovix
