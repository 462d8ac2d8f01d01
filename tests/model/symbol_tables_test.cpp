// The four symbol tables: what the add operations store, lookups by name
// with their first-match and last-match answers, and failed adds.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/rv_system.h"
#include "tests/model/model_builders.h"
#include "tools/rv_error.h"

namespace ovix {
namespace {

using testing::AddTestDimStyle;
using testing::AddTestLayer;
using testing::AddTestLtype;

TEST(Layers, FieldsFromTheArguments) {
  RvSystem s;
  EXPECT_EQ(AddTestLayer(s, "外形", 4, 3, "HIDDEN", 50), 1);
  EXPECT_EQ(AddTestLayer(s, "OFF", 0, -7, "", -3), 2);
  EXPECT_EQ(s.LayerCount(), 2);
  EXPECT_EQ(s.LayerName(0), "外形");
  EXPECT_EQ(s.LayerFlag(0), 4);
  EXPECT_EQ(s.LayerColor(0), 3);
  EXPECT_EQ(s.LayerLineStyle(0), "HIDDEN");
  EXPECT_DOUBLE_EQ(s.LayerLineWidth(0), 0.5);
  // A layer that is off: flag -1, colour kept, special weight made positive.
  EXPECT_EQ(s.LayerFlag(1), -1);
  EXPECT_EQ(s.LayerColor(1), -7);
  EXPECT_DOUBLE_EQ(s.LayerLineWidth(1), 0.03);
  // Past the table, and negative IDs.
  EXPECT_EQ(s.LayerName(2), "");
  EXPECT_EQ(s.LayerFlag(2), 0);
  EXPECT_EQ(s.LayerColor(-1), 0);
  EXPECT_FALSE(s.GetLayer(2).has_value());
  ASSERT_TRUE(s.GetLayer(0).has_value());
  EXPECT_EQ(s.GetLayer(0)->Name, "外形");
}

TEST(Layers, DuplicateNamesGiveFirstMatchExceptTheFlag) {
  RvSystem s;
  AddTestLayer(s, "A", 0, 1, "DASHED", 25);
  AddTestLayer(s, "B", 0, 2);
  AddTestLayer(s, "A", 1, 3, "DOT", 70);
  AddTestLtype(s, "DASHED", {0.5, -0.25});
  AddTestLtype(s, "DOT", {0.0, -0.2});
  EXPECT_DOUBLE_EQ(s.GetLayerLineWidthFromLayerName("A"), 0.25);
  EXPECT_EQ(s.GetLayerLineTypeFromLayerName("A"), kDashDashed);
  EXPECT_EQ(s.GetLayerFlagFromName("A"), 1);  // the last layer of that name
  EXPECT_EQ(s.GetLayerFlagFromName("B"), 0);
  // Exact, case-sensitive names; not-found values.
  EXPECT_EQ(s.GetLayerFlagFromName("a"), kLayerFlagNotFound);
  EXPECT_DOUBLE_EQ(s.GetLayerLineWidthFromLayerName("a"), -1.0);
  EXPECT_EQ(s.GetLayerLineTypeFromLayerName("a"), kDashNotFound);
  EXPECT_EQ(s.GetLayerLineTypeFromLayerName("B"), kDashNotFound);  // CONTINUOUS not in the table
}

TEST(Layers, NameIndexFollowsManyLayers) {
  RvSystem s;
  for (int i = 0; i < 5000; ++i) AddTestLayer(s, "L" + std::to_string(i), i % 3 == 0 ? 1 : 0, i % 255 + 1);
  AddTestLayer(s, "L10", 4, 9);  // a later duplicate
  EXPECT_EQ(s.LayerCount(), 5001);
  EXPECT_EQ(s.GetLayerFlagFromName("L4998"), 1);  // 4998 is a multiple of 3
  EXPECT_EQ(s.GetLayerFlagFromName("L4999"), 0);
  EXPECT_EQ(s.GetLayerFlagFromName("L10"), 4);
  EXPECT_DOUBLE_EQ(s.GetLayerLineWidthFromLayerName("L10"), 0.25);
  EXPECT_EQ(s.LayerColor(10), 11);
}

TEST(Layers, ShortArgumentArraysFailWithoutChangingTheTable) {
  RvSystem s;
  const std::vector<int32_t> three{0, 7, 1};
  const std::vector<std::string> one{"CONTINUOUS"};
  try {
    s.AddLayer("", "X", three, one);
    FAIL() << "expected an error";
  } catch (const RvError& e) {
    EXPECT_EQ(e.kind(), RvErrorKind::SubscriptOutOfRange);
    EXPECT_NE(std::string(e.what()).find("AddLayer"), std::string::npos);
  }
  EXPECT_EQ(s.LayerCount(), 0);
  EXPECT_EQ(s.GetLayerFlagFromName("X"), kLayerFlagNotFound);
  const std::vector<int32_t> big_flag{70000, 7, 1, 25};
  try {
    s.AddLayer("", "X", big_flag, one);
    FAIL() << "expected an overflow";
  } catch (const RvError& e) {
    EXPECT_EQ(e.kind(), RvErrorKind::Overflow);
  }
  EXPECT_EQ(s.LayerCount(), 0);
}

TEST(LineTypes, DashStyleFollowsTheElementCount) {
  RvSystem s;
  AddTestLtype(s, "DASHED", {0.5, -0.25});
  AddTestLtype(s, "DOT", {0.0, -0.2});
  AddTestLtype(s, "CENTER", {1.25, -0.25, 0.25, -0.25});
  AddTestLtype(s, "PHANTOM", {1.25, -0.25, 0.25, -0.25, 0.25, -0.25});
  AddTestLtype(s, "EIGHT", {1, -1, 1, -1, 1, -1, 1, -1});
  AddTestLtype(s, "CONTINUOUS", {});
  AddTestLtype(s, "THREE", {1, -1, 0});
  EXPECT_EQ(s.GetLineTypeFromLineStyle("DASHED"), kDashDashed);
  EXPECT_EQ(s.GetLineTypeFromLineStyle("DOT"), kDashDotted);
  EXPECT_EQ(s.GetLineTypeFromLineStyle("CENTER"), kDashDashDot);
  EXPECT_EQ(s.GetLineTypeFromLineStyle("PHANTOM"), kDashDashDotDot);
  EXPECT_EQ(s.GetLineTypeFromLineStyle("EIGHT"), kDashContinuous);
  EXPECT_EQ(s.GetLineTypeFromLineStyle("CONTINUOUS"), kDashContinuous);
  EXPECT_EQ(s.GetLineTypeFromLineStyle("THREE"), kDashContinuous);
  EXPECT_EQ(s.GetLineTypeFromLineStyle("NONE"), kDashNotFound);
  EXPECT_EQ(s.LtypeCount(), 7);
}

TEST(LineTypes, TextElementConsumesItsExtraValues) {
  // Two elements: a text element (type 2) then a plain dash.
  RvSystem s;
  std::vector<int32_t> lng(51, 0);
  std::vector<double> dbl(51, 0.0);
  std::vector<std::string> str(51);
  lng[0] = 0;
  lng[1] = 65;
  lng[2] = 2;
  lng[3] = 2;   // element 0: text
  lng[4] = 0;   // shape number
  lng[5] = 11;  // style reference
  lng[6] = 0;   // element 1: plain
  dbl[0] = 1.5;
  dbl[1] = 0.5;   // element 0 length
  dbl[2] = 0.1;   // scale
  dbl[3] = 0.0;   // rotation
  dbl[4] = -0.1;  // offset x
  dbl[5] = -0.05; // offset y
  dbl[6] = -0.2;  // element 1 length
  str[0] = "Gas line ---- GAS ----";
  str[1] = "GAS";
  EXPECT_EQ(s.AddLtype("GAS_LINE", lng, dbl, str), 1);
  const auto lt = s.GetLtype(0);
  ASSERT_TRUE(lt.has_value());
  EXPECT_EQ(lt->Alignment, 65);
  EXPECT_DOUBLE_EQ(lt->PatternLength, 1.5);
  EXPECT_EQ(lt->Description, "Gas line ---- GAS ----");
  ASSERT_EQ(lt->Elements.size(), 2u);
  EXPECT_EQ(lt->Elements[0].ElementType, 2);
  EXPECT_EQ(lt->Elements[0].StyleRef, 11);
  EXPECT_DOUBLE_EQ(lt->Elements[0].ElementScale, 0.1);
  EXPECT_DOUBLE_EQ(lt->Elements[0].OffsetY, -0.05);
  EXPECT_EQ(lt->Elements[0].ElementText, "GAS");
  EXPECT_DOUBLE_EQ(lt->Elements[1].ElementLength, -0.2);  // after the text element's Y offset
  EXPECT_EQ(lt->Elements[1].ElementType, 0);
  EXPECT_EQ(lt->LineType, kDashDashed);
}

TEST(LineTypes, EmbeddedShapesTakeTheirValuesButNoText) {
  // A shape (type 4) between two plain dashes, then a text with absolute
  // rotation (type 3): every element finds its own values.
  RvSystem s;
  // Integers: flags, alignment, count, then per element its type and, when
  // embedded, shape number and style. Reals: the pattern length, then per
  // element its length and, when embedded, scale, rotation and offsets.
  const std::vector<int32_t> lng{0, 65, 4, 0, 4, 132, 7, 0, 3, 0, 11};
  const std::vector<double> dbl{3.0, 0.5, -0.2, 0.1, 0.0, 0.3, 0.0,
                                -0.4, 0.0, 1.0, 0.0, 0.0, 0.5};
  const std::vector<std::string> str{"shapes and text", "T"};
  ASSERT_EQ(s.AddLtype("MIXED", lng, dbl, str), 1);
  const auto lt = s.GetLtype(0);
  ASSERT_TRUE(lt.has_value());
  ASSERT_EQ(lt->Elements.size(), 4u);
  EXPECT_DOUBLE_EQ(lt->Elements[0].ElementLength, 0.5);
  EXPECT_EQ(lt->Elements[1].ElementType, 4);
  EXPECT_EQ(lt->Elements[1].ShapeNumber, 132);
  EXPECT_DOUBLE_EQ(lt->Elements[1].ElementScale, 0.1);
  EXPECT_DOUBLE_EQ(lt->Elements[1].OffsetX, 0.3);
  EXPECT_EQ(lt->Elements[1].ElementText, "");
  EXPECT_DOUBLE_EQ(lt->Elements[2].ElementLength, -0.4);
  EXPECT_EQ(lt->Elements[3].ElementType, 3);
  EXPECT_DOUBLE_EQ(lt->Elements[3].ElementLength, 0.0);
  EXPECT_DOUBLE_EQ(lt->Elements[3].OffsetY, 0.5);
  EXPECT_EQ(lt->Elements[3].ElementText, "T");
}

TEST(LineTypes, PatternsHaveNoFixedSizeLimit) {
  // 200 elements: far past the 51 slots of the reader's lists.
  RvSystem s;
  const int n = 200;
  std::vector<int32_t> lng(3 + n, 0);
  std::vector<double> dbl(1 + n, 0.0);
  std::vector<std::string> str(1);
  lng[2] = n;
  for (int e = 0; e < n; ++e) dbl[1 + e] = e % 2 ? -0.1 : 0.3;
  EXPECT_EQ(s.AddLtype("LONG", lng, dbl, str), 1);
  EXPECT_EQ(s.GetLtype(0)->Elements.size(), 200u);
  EXPECT_EQ(s.GetLtype(0)->ElementCount, 200);
  EXPECT_EQ(s.GetLineTypeFromLineStyle("LONG"), kDashContinuous);
}

TEST(LineTypes, ElementCountBeyondTheListsFailsCleanly) {
  RvSystem s;
  std::vector<int32_t> lng(51, 0);
  std::vector<double> dbl(51, 0.0);
  std::vector<std::string> str(51);
  lng[2] = 1000000;  // a corrupt count
  EXPECT_THROW(s.AddLtype("BAD", lng, dbl, str), RvError);
  EXPECT_EQ(s.LtypeCount(), 0);
  EXPECT_EQ(s.GetLineTypeFromLineStyle("BAD"), kDashNotFound);
}

TEST(TextStyles, VerticalFontMarker) {
  RvSystem s;
  std::vector<int32_t> lng(51, 0);
  std::vector<double> dbl(51, 0.0);
  std::vector<std::string> str(51);
  dbl[1] = 0.8;
  str[0] = "@extfont2.shx";
  str[1] = "bigfont.shx";
  EXPECT_EQ(s.AddTextStyle("VERT", lng, dbl, str), 1);
  str[0] = "txt.shx";
  lng[0] = 2;
  EXPECT_EQ(s.AddTextStyle("Standard", lng, dbl, str), 2);
  EXPECT_EQ(s.GetTextStyle(0)->Flags, 4);
  EXPECT_DOUBLE_EQ(s.GetTextStyle(0)->WidthFactor, 0.8);
  EXPECT_EQ(s.GetTextStyle(0)->BigFontName, "bigfont.shx");
  EXPECT_EQ(s.GetTextStyle(1)->Flags, 2);
  EXPECT_EQ(s.TextStyleCount(), 2);
}

TEST(DimStyles, ScaleZeroBecomesOneForTheCallerToo) {
  RvSystem s;
  std::vector<int32_t> lng(51, 0);
  std::vector<double> dbl(51, 0.0);
  dbl[5] = 3.5;
  dbl[6] = 0.0;
  lng[6] = 2;
  EXPECT_EQ(s.AddDimStyle("11", "ISO-25", lng, dbl), 1);
  EXPECT_DOUBLE_EQ(dbl[0], 1.0);
  EXPECT_EQ(s.GetDimStyleID("ISO-25"), 0);
  EXPECT_DOUBLE_EQ(s.DimScale(0), 1.0);
  EXPECT_DOUBLE_EQ(s.DimText(0), 3.5);
  EXPECT_EQ(s.DimDec(0), 2);
  EXPECT_DOUBLE_EQ(s.GetDimLFactor("ISO-25"), 1.0);  // factor 0 means 1
  EXPECT_EQ(s.GetDimStyle(0)->Handle, "11");
  // Unknown names and IDs outside the table.
  EXPECT_EQ(s.GetDimStyleID("iso-25"), -1);
  EXPECT_DOUBLE_EQ(s.DimScale(-1), 0.0);
  EXPECT_DOUBLE_EQ(s.DimText(1), 0.0);
  EXPECT_EQ(s.DimDec(1), 0);
  EXPECT_DOUBLE_EQ(s.GetDimLFactor("none"), 0.0);
}

TEST(DimStyles, FirstMatchWinsForDuplicates) {
  RvSystem s;
  testing::TestDimStyle a;
  a.name = "D";
  a.linear_factor = 2.0;
  AddTestDimStyle(s, a);
  a.linear_factor = 5.0;
  AddTestDimStyle(s, a);
  EXPECT_EQ(s.GetDimStyleID("D"), 0);
  EXPECT_DOUBLE_EQ(s.GetDimLFactor("D"), 2.0);
}

TEST(DimStyles, ShortListsFail) {
  RvSystem s;
  std::vector<int32_t> lng(8, 0);
  std::vector<double> dbl(9, 0.0);  // slot 9 missing
  EXPECT_THROW(s.AddDimStyle("", "X", lng, dbl), RvError);
  EXPECT_EQ(s.DimStyleCount(), 0);
}

}  // namespace
}  // namespace ovix
