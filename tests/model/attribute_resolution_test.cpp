// Effective colour, line type and width of entities (own value, layer,
// dimension style), the rounded dimension text and the style-derived values.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/rv_system.h"
#include "tests/model/model_builders.h"
#include "tools/rv_error.h"

namespace ovix {
namespace {

using testing::AddTestDimension;
using testing::AddTestDimStyle;
using testing::AddTestLayer;
using testing::AddTestLine;
using testing::AddTestLtype;

TEST(EntityColor, ByLayerAndByBlockTakeTheLayerColour) {
  RvSystem s;
  AddTestLayer(s, "L3", 0, 3);
  AddTestLayer(s, "OFF", 0, -7);
  AddTestLine(s, "L3", 0, 0, 1, 1, 0);
  AddTestLine(s, "L3", 0, 0, 1, 1, 256);
  AddTestLine(s, "L3", 0, 0, 1, 1, 5);
  AddTestLine(s, "MISSING", 0, 0, 1, 1, 256);
  AddTestLine(s, "OFF", 0, 0, 1, 1, 256);
  EXPECT_EQ(s.LineEntityLineColor(0), 3);
  EXPECT_EQ(s.LineEntityLineColor(1), 3);
  EXPECT_EQ(s.LineEntityLineColor(2), 5);
  EXPECT_EQ(s.LineEntityLineColor(3), 7);   // a layer missing from the table: colour 7
  EXPECT_EQ(s.LineEntityLineColor(4), -7);  // a layer that is off passes its colour on
  EXPECT_EQ(s.LineEntityLineColor(5), 0);   // past the store
  EXPECT_EQ(s.LineEntityLineColorByLayer(2), 3);
}

TEST(EntityColor, EveryCurveKindResolvesTheSameWay) {
  RvSystem s;
  AddTestLayer(s, "L", 0, 4);
  RvEntProperty p;
  p.Layer = "L";
  p.Color = 256;
  const std::vector<double> x{0, 0}, y{0, 0}, z{0, 0};
  s.AddCircle(p, x, y, z);
  s.AddEllipse(p, x, y, z);
  s.AddArc(p, x, y, z);
  s.AddPolyline(p, x, y, z);
  s.AddLeader(p, x, y, z);
  EXPECT_EQ(s.CircleEntityLineColor(0), 4);
  EXPECT_EQ(s.EllipseEntityLineColor(0), 4);
  EXPECT_EQ(s.ArcEntityLineColor(0), 4);
  EXPECT_EQ(s.PolylineEntityLineColor(0), 4);
  EXPECT_EQ(s.LeaderEntityLineColor(0), 4);
  EXPECT_EQ(s.CircleEntityLineColorByLayer(1), 0);
}

TEST(TextColor, TextsKeep256AndResolveByBlock) {
  RvSystem s;
  AddTestLayer(s, "T", 0, 6);
  RvEntProperty p;
  p.Layer = "T";
  p.Text = "A";
  p.Color = 256;
  s.AddText(p, 0, 0, 0);
  s.AddMtext(p, 0, 0, 0);
  p.Color = 0;
  s.AddText(p, 0, 0, 0);
  s.AddMtext(p, 0, 0, 0);
  EXPECT_EQ(s.TextEntityColor(0), 256);
  EXPECT_EQ(s.MtextEntityColor(0), 256);
  EXPECT_EQ(s.TextEntityColor(1), 6);
  EXPECT_EQ(s.MtextEntityColor(1), 6);
  EXPECT_EQ(s.TextEntityColorByLayer(0), 6);
  EXPECT_EQ(s.TextEntityColor(2), 0);
}

TEST(DimensionColor, OwnThenStyleThenLayer) {
  RvSystem s;
  AddTestLayer(s, "D", 0, 2);
  testing::TestDimStyle none;
  none.name = "NONE";
  AddTestDimStyle(s, none);
  testing::TestDimStyle red;
  red.name = "RED";
  red.line_color = 1;
  red.ext_color = 3;
  red.text_color = 256;
  AddTestDimStyle(s, red);
  AddTestDimension(s, "D", "NONE", "1", "AcDbRotatedDimension", 0);
  AddTestDimension(s, "D", "RED", "1", "AcDbRotatedDimension", 0);
  AddTestDimension(s, "D", "RED", "1", "AcDbRotatedDimension", 256);
  AddTestDimension(s, "D", "RED", "1", "AcDbRotatedDimension", 5);
  EXPECT_EQ(s.DimensionEntityLineColor(0, kDimPartLine), 2);
  EXPECT_EQ(s.DimensionEntityLineColor(1, kDimPartLine), 1);
  EXPECT_EQ(s.DimensionEntityLineColor(1, kDimPartExtension), 3);
  EXPECT_EQ(s.DimensionEntityLineColor(2, kDimPartLine), 2);
  EXPECT_EQ(s.DimensionEntityLineColor(3, kDimPartLine), 5);
  EXPECT_EQ(s.DimensionEntityColorByDimStyle(1, kDimPartText), 256);
  EXPECT_EQ(s.DimensionEntityColorByDimStyle(1, 9), 0);
  // The text colour: the add operation leaves it 0, so the style decides;
  // the style's 256 then means the layer.
  EXPECT_EQ(s.DimensionTextColor(1), 2);
  EXPECT_EQ(s.DimensionTextColor(0), 2);
  EXPECT_EQ(s.DimensionTextColor(9), 0);
}

TEST(LineType, OwnTypeFirstThenTheLayers) {
  RvSystem s;
  AddTestLtype(s, "DASHED", {0.5, -0.25});
  AddTestLtype(s, "CENTER", {1.25, -0.25, 0.25, -0.25});
  AddTestLayer(s, "C", 0, 7, "CENTER");
  AddTestLine(s, "C", 0, 0, 1, 1, 256, "DASHED");
  AddTestLine(s, "C", 0, 0, 1, 1, 256, "");
  AddTestLine(s, "C", 0, 0, 1, 1, 256, "UNKNOWN");
  AddTestLine(s, "NOLAYER", 0, 0, 1, 1, 256, "");
  EXPECT_EQ(s.LineEntityLineType(0), kDashDashed);
  EXPECT_EQ(s.LineEntityLineType(1), kDashDashDot);
  EXPECT_EQ(s.LineEntityLineType(2), kDashDashDot);
  EXPECT_EQ(s.LineEntityLineType(3), kDashContinuous);  // missing layer: CONTINUOUS
  EXPECT_EQ(s.LineEntityLineType(4), kDashNotFound);    // past the store
  EXPECT_EQ(s.LineEntityLineTypeByLayer(0), kDashDashDot);
}

TEST(LineType, ByLayerWalkTriesLaterLayersOfTheSameName) {
  // Two layers share the name; only the second one's line type is known.
  RvSystem s;
  AddTestLtype(s, "DASHED", {0.5, -0.25});
  AddTestLayer(s, "DUP", 0, 7, "MISSING");
  AddTestLayer(s, "OTHER", 0, 7, "DASHED");
  AddTestLayer(s, "DUP", 0, 7, "DASHED");
  AddTestLine(s, "DUP", 0, 0, 1, 1);
  EXPECT_EQ(s.LineEntityLineTypeByLayer(0), kDashDashed);
  EXPECT_EQ(s.LineEntityLineType(0), kDashDashed);
  // The layer lookup by name stops at the first layer, as it always did.
  EXPECT_EQ(s.GetLayerLineTypeFromLayerName("DUP"), kDashNotFound);
  // A line type added later is found on the next question.
  AddTestLtype(s, "MISSING", {});
  EXPECT_EQ(s.LineEntityLineTypeByLayer(0), kDashContinuous);
}

TEST(LineWidth, OwnWidthUnlessNegative) {
  RvSystem s;
  AddTestLayer(s, "W", 0, 7, "", 35);
  AddTestLine(s, "W", 0, 0, 1, 1, 256, "", 0);
  AddTestLine(s, "W", 0, 0, 1, 1, 256, "", -1);
  AddTestLine(s, "W", 0, 0, 1, 1, 256, "", 2);
  AddTestLine(s, "NONE", 0, 0, 1, 1, 256, "", -1);
  EXPECT_DOUBLE_EQ(s.LineEntityLineWidth(0), 0.0);  // 0 is a width, not "by layer"
  EXPECT_DOUBLE_EQ(s.LineEntityLineWidth(1), 0.35);
  EXPECT_DOUBLE_EQ(s.LineEntityLineWidth(2), 2.0);
  EXPECT_DOUBLE_EQ(s.LineEntityLineWidth(3), 0.0);  // missing layer: the default weight
  EXPECT_DOUBLE_EQ(s.LineEntityLineWidth(4), -1.0);  // past the store
  RvEntProperty p;
  p.Layer = "W";
  p.LineWidth = -1;
  const std::vector<double> x{0};
  s.AddArc(p, x, x, x);
  EXPECT_DOUBLE_EQ(s.ArcEntityLineWidth(0), 0.35);
}

// Entities on a layer the table lacks (files without a TABLES section) take
// the default layer: colour 7, CONTINUOUS, default weight, for every kind.
TEST(UnlistedLayer, ResolvesToTheDefaultLayer) {
  RvSystem s;
  AddTestLtype(s, "DASHED", {0.5, -0.25});
  RvEntProperty p;
  p.Layer = "ABSENT";
  p.Color = 256;
  p.LineWidth = -1;
  const std::vector<double> x{0, 1}, y{0, 1}, z{0, 0};
  s.AddCircle(p, x, y, z);
  s.AddArc(p, x, y, z);
  s.AddPolyline(p, x, y, z);
  AddTestDimStyle(s, {.name = "ISO"});
  AddTestDimension(s, "ABSENT", "ISO", "10");
  EXPECT_EQ(s.CircleEntityLineColor(0), 7);
  EXPECT_EQ(s.ArcEntityLineType(0), kDashContinuous);
  EXPECT_DOUBLE_EQ(s.PolylineEntityLineWidth(0), 0.0);
  EXPECT_EQ(s.DimensionEntityLineType(0), kDashContinuous);
  // The entity's own values still win.
  p.Color = 3;
  p.LineType = "DASHED";
  p.LineWidth = 50;
  s.AddCircle(p, x, y, z);
  EXPECT_EQ(s.CircleEntityLineColor(1), 3);
  EXPECT_EQ(s.CircleEntityLineType(1), kDashDashed);
  EXPECT_DOUBLE_EQ(s.CircleEntityLineWidth(1), 50.0);
  // A layer the table lists as off stays off.
  AddTestLayer(s, "OFF", 0, -5);
  EXPECT_FALSE(LayerFlagDrawn(s.GetLayerFlagFromName("OFF")));
  EXPECT_TRUE(LayerFlagDrawn(s.GetLayerFlagFromName("ABSENT")));
}

TEST(LineWidth, DimensionWidthThroughStyleThenLayer) {
  RvSystem s;
  AddTestLayer(s, "D", 0, 7, "", 50);
  testing::TestDimStyle st;
  st.name = "S";
  st.line_weight = 35;  // as written: hundredths of a millimetre
  AddTestDimStyle(s, st);
  st.name = "BYLAYER";
  st.line_weight = -2;
  AddTestDimStyle(s, st);
  AddTestDimension(s, "D", "S", "1");
  AddTestDimension(s, "D", "BYLAYER", "1");
  EXPECT_DOUBLE_EQ(s.DimensionEntityLineWidth(0, kDimPartLine), 35.0);
  EXPECT_DOUBLE_EQ(s.DimensionEntityLineWidth(0, kDimPartExtension), 35.0);
  EXPECT_DOUBLE_EQ(s.DimensionEntityLineWidthByDimStyle(0, kDimPartText), -1.0);
  EXPECT_DOUBLE_EQ(s.DimensionEntityLineWidth(1, kDimPartLine), 0.5);
  EXPECT_DOUBLE_EQ(s.DimensionEntityLineWidth(2, kDimPartLine), -1.0);
}

class DimensionText : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int d : {2, 0, -1, 3, -3}) {
      testing::TestDimStyle st;
      st.name = "DEC" + std::to_string(d);
      st.decimals = d;
      AddTestDimStyle(s, st);
    }
  }
  std::string Dec(const std::string& text, int decimals,
                  const std::string& kind = "AcDbRotatedDimension") {
    const int32_t id = AddTestDimension(s, "0", "DEC" + std::to_string(decimals), text, kind) - 1;
    return s.DimensionTextDec(id);
  }
  RvSystem s;
};

TEST_F(DimensionText, RoundsToTheStyleDecimalsHalvesToEven) {
  EXPECT_EQ(Dec("12.3456", 2), "12.35");
  EXPECT_EQ(Dec("2.5", 0), "2");
  EXPECT_EQ(Dec("3.5", 0), "4");
  EXPECT_EQ(Dec("127", -1), "130");
  EXPECT_EQ(Dec("125", -1), "120");
  EXPECT_EQ(Dec("100", 2), "100");
  EXPECT_EQ(Dec("0.0004", 3), "0");
}

TEST_F(DimensionText, NonNumbersAndMissingPiecesPassOrGiveEmpty) {
  EXPECT_EQ(Dec("R12", 2), "R12");
  EXPECT_EQ(Dec("", 2), "");
  AddTestDimension(s, "0", "NOSTYLE", "12.5");
  EXPECT_EQ(s.DimensionTextDec(s.DimensionCount() - 1), "");
  EXPECT_EQ(s.DimensionTextDec(s.DimensionCount()), "");
}

TEST_F(DimensionText, AngularTextIsRadians) {
  EXPECT_EQ(Dec("1.5707963267949", 0, kDimTypeAngular2Line), "90");
  EXPECT_EQ(Dec("0.785398163397448", 2, kDimTypeAngular2Line), "45");
}

TEST_F(DimensionText, LargeValuesHaveNo32BitLimit) {
  // 30,000,000 mm at two decimals: the scaled value passes 2^31.
  EXPECT_EQ(Dec("30000000", 2), "30000000");
  EXPECT_EQ(Dec("30000000.125", 2), "30000000.12");
  EXPECT_EQ(Dec("5000000000", 0), "5000000000");
  EXPECT_EQ(Dec("123456789012", -3), "123456789000");
  // Other dimensions of the same drawing still come out.
  EXPECT_EQ(Dec("1.005", 2), "1");
}

TEST(DimStyleValues, TextHeightAndLinearFactor) {
  RvSystem s;
  testing::TestDimStyle st;
  st.name = "H";
  st.scale = 2.0;
  st.text_height = 3.5;
  st.linear_factor = 0.5;
  AddTestDimStyle(s, st);
  AddTestDimension(s, "0", "H", "1");
  AddTestDimension(s, "0", "NONE", "1");
  EXPECT_DOUBLE_EQ(s.GetDimensionTextHeight(0), 7.0);
  EXPECT_DOUBLE_EQ(s.GetDimensionTextHeight(1), 0.0);
  EXPECT_DOUBLE_EQ(s.GetDimensionTextHeight(2), 0.0);
  EXPECT_DOUBLE_EQ(s.GetDimLFactor("H"), 0.5);
}

}  // namespace
}  // namespace ovix
