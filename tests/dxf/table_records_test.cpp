// SetTableData: LAYER, LTYPE, STYLE and DIMSTYLE records into the model.

#include <gtest/gtest.h>

#include "dxf/rv_dxf_import.h"
#include "tests/dxf/dxf_test_support.h"

namespace ovix {
namespace {

using testing::DxfPairs;
using testing::Drawing;
using testing::ImportBytes;

DxfPairs Table(const std::string& type, const DxfPairs& records) {
  DxfPairs out{{0, "TABLE"}, {2, type}, {70, "1"}};
  out.insert(out.end(), records.begin(), records.end());
  out.push_back({0, "ENDTAB"});
  return out;
}

TEST(TableRecords, LayersWithOrWithoutNameAndSpecialValuesAsWritten) {
  auto r = ImportBytes(Drawing({}, Table("LAYER", {{0, "LAYER"}, {2, "外形"}, {70, "0"},
                                                   {62, "-7"}, {6, "DASHED"}, {370, "-3"},
                                                   {390, "F"}, {0, "LAYER"}, {62, "3"}})));
  ASSERT_TRUE(r.ok);
  RvSystem& m = r.model();
  ASSERT_EQ(m.LayerCount(), 2);  // a layer without a name is still registered
  const auto off = m.GetLayer(0);
  EXPECT_EQ(off->Name, "外形");
  EXPECT_EQ(off->Handle, "F");
  EXPECT_EQ(off->Color, -7);
  EXPECT_EQ(off->Flag, kLayerFlagOff);
  EXPECT_EQ(off->LineStyle, "DASHED");
  EXPECT_DOUBLE_EQ(off->LineWidth, 0.03);
  EXPECT_EQ(m.LayerName(1), "");
  EXPECT_EQ(m.LayerColor(1), 3);
}

TEST(TableRecords, LineTypeElementsAppendInFileOrder) {
  auto r = ImportBytes(Drawing(
      {}, Table("LTYPE", {{0, "LTYPE"}, {2, "DASHED"}, {70, "0"}, {3, "__ __"}, {72, "65"},
                          {73, "2"}, {40, "0.75"}, {49, "0.5"}, {74, "0"}, {49, "-0.25"},
                          {74, "0"}})));
  ASSERT_TRUE(r.ok);
  const auto lt = r.model().GetLtype(0);
  ASSERT_TRUE(lt);
  EXPECT_EQ(lt->Description, "__ __");
  EXPECT_EQ(lt->Alignment, 65);
  EXPECT_DOUBLE_EQ(lt->PatternLength, 0.75);
  ASSERT_EQ(lt->Elements.size(), 2u);
  EXPECT_DOUBLE_EQ(lt->Elements[0].ElementLength, 0.5);
  EXPECT_DOUBLE_EQ(lt->Elements[1].ElementLength, -0.25);
  EXPECT_EQ(lt->LineType, kDashDashed);
}

TEST(TableRecords, LineTypesOfAnyLengthAndWithHexStyleReferences) {
  DxfPairs record{{0, "LTYPE"}, {2, "LONG"}, {73, "60"}, {40, "60"}};
  for (int i = 0; i < 60; ++i) record.insert(record.end(), {{49, "1"}, {74, "0"}});
  // An R12-style record announces elements without element types, and a
  // text element refers to its style by a hexadecimal handle.
  DxfPairs r12{{0, "LTYPE"}, {2, "R12"}, {73, "2"}, {40, "1"}, {49, "0.5"}, {49, "-0.5"}};
  DxfPairs text{{0, "LTYPE"}, {2, "GAS"}, {73, "2"}, {40, "1"}, {49, "0.5"}, {74, "2"},
                {75, "0"},    {340, "1A"}, {46, "0.1"}, {50, "0"}, {44, "0"}, {45, "0"},
                {9, "GAS"},   {49, "-0.5"}, {74, "0"}};
  record.insert(record.end(), r12.begin(), r12.end());
  record.insert(record.end(), text.begin(), text.end());
  auto r = ImportBytes(Drawing({}, Table("LTYPE", record)));
  ASSERT_TRUE(r.ok) << (r.messages.empty() ? "" : r.messages[0]);
  ASSERT_EQ(r.model().LtypeCount(), 3);
  EXPECT_EQ(r.model().GetLtype(0)->Elements.size(), 60u);
  EXPECT_EQ(r.model().GetLtype(1)->Elements.size(), 2u);
  const auto gas = r.model().GetLtype(2);
  EXPECT_EQ(gas->Elements[0].ElementText, "GAS");
  EXPECT_EQ(gas->Elements[0].StyleRef, 0);
  EXPECT_DOUBLE_EQ(gas->Elements[1].ElementLength, -0.5);
}

TEST(TableRecords, StylesAndDimensionStylesNeedTheirName) {
  auto r = ImportBytes(Drawing(
      {}, Table("STYLE", {{0, "STYLE"}, {3, "nameless.shx"}, {0, "STYLE"}, {2, "JIS"},
                          {3, "@msgothic.ttf"}, {4, "big.shx"}, {40, "0"}, {41, "0.8"},
                          {70, "0"}})));
  ASSERT_TRUE(r.ok);
  ASSERT_EQ(r.model().TextStyleCount(), 1);
  const auto st = r.model().GetTextStyle(0);
  EXPECT_EQ(st->Name, "JIS");
  EXPECT_EQ(st->BigFontName, "big.shx");
  EXPECT_DOUBLE_EQ(st->WidthFactor, 0.8);

  auto d = ImportBytes(Drawing(
      {}, Table("DIMSTYLE", {{0, "DIMSTYLE"}, {40, "2"}, {0, "DIMSTYLE"}, {2, "ISO"},
                             {40, "0"}, {140, "3.5"}, {144, "2"}, {271, "2"}, {178, "1"}})));
  ASSERT_TRUE(d.ok);
  ASSERT_EQ(d.model().DimStyleCount(), 1);
  const auto ds = d.model().GetDimStyle(0);
  EXPECT_EQ(ds->Name, "ISO");
  EXPECT_EQ(ds->Handle, "");  // no code 340
  EXPECT_DOUBLE_EQ(ds->DimScale, 1.0);
  EXPECT_DOUBLE_EQ(ds->DimText, 3.5);
  EXPECT_EQ(ds->DimDec, 2);
  EXPECT_EQ(ds->TextColor, 1);
  EXPECT_DOUBLE_EQ(d.model().GetDimLFactor("ISO"), 2.0);
}

TEST(TableRecords, ValueThatIsNoNumberEndsTheStageNamingLineCodeAndValue) {
  const DxfPairs tables = Table("LAYER", {{0, "LAYER"}, {2, "A"}, {0, "LAYER"}, {2, "B"},
                                          {62, "red"}, {0, "LAYER"}, {2, "C"}});
  auto r = ImportBytes(Drawing(testing::Line(0, 0, 1, 1), tables, ""));
  EXPECT_FALSE(r.ok);
  ASSERT_EQ(r.messages.size(), 1u);
  // TABLES starts at line 1: SECTION, TABLES, TABLE, LAYER, 70, LAYER(A),
  // 2, LAYER(B) on lines 15-16, 2 on 17-18, 62 on 19-20.
  EXPECT_NE(r.messages[0].find("19行目"), std::string::npos) << r.messages[0];
  EXPECT_NE(r.messages[0].find("グループコード 62"), std::string::npos);
  EXPECT_NE(r.messages[0].find("\"red\""), std::string::npos);
  EXPECT_EQ(r.statuses.back(), "テーブルデータを登録しています");
  // What was registered before stays; nothing after it is read.
  EXPECT_EQ(r.model().LayerCount(), 1);
  EXPECT_EQ(r.model().LineCount(), 0);
}

}  // namespace
}  // namespace ovix
