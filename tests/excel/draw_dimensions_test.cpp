// Dimensions and leaders: the shapes of each kind and their grouping, the
// dimension texts (placeholders, decimals, diameter, radius and degree
// signs), text direction, arrowheads and their omission.
#include <gtest/gtest.h>

#include <cmath>

#include <pugixml.hpp>

#include "tests/excel/exporter_fixture.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/package_reader.h"
#include "tools/numeric.h"

namespace ovix::testing {
namespace {

class DrawDimensions : public ExporterTest {
 protected:
  void SetUp() override {
    ExporterTest::SetUp();
    TestDimStyle style;
    style.decimals = 1;
    style.text_height = 2.5;
    AddTestDimStyle(*model, style);
    AddTestDimStyle(*model, {.name = "two", .decimals = 2});
  }

  // Draws at one point per drawing unit. A line fixes the drawing's extents;
  // it is not drawn (only the dimension or leader step runs).
  void Draw(bool leaders = false) {
    AddTestLine(*model, "0", 0, 0, 500, 500);
    FixedScale(1.0);
    Connect();
    ASSERT_TRUE(leaders ? exporter.DrawLeaderDatas() : exporter.DrawDimensionDatas());
  }

  // Per text box of the saved drawing, in drawing order: its text (its
  // paragraphs joined by line feeds) and its vertical attribute.
  std::vector<std::pair<std::string, std::string>> SavedTexts() {
    const auto file = dir / "dims.xlsx";
    App().ActiveWorkbook()->SaveAs(file.string(), excel::kNoChange);
    pugi::xml_document doc;
    const std::string xml = ReadPart(file, "xl/drawings/drawing1.xml");
    EXPECT_TRUE(doc.load_string(xml.c_str()));
    std::vector<std::pair<std::string, std::string>> texts;
    for (pugi::xpath_node body : doc.select_nodes("//xdr:txBody")) {
      std::string text;
      for (pugi::xml_node paragraph : body.node().children("a:p")) {
        if (paragraph != body.node().child("a:p")) text += '\n';
        for (pugi::xpath_node t : paragraph.select_nodes(".//a:t")) text += t.node().text().get();
      }
      texts.emplace_back(text, body.node().child("a:bodyPr").attribute("vert").value());
    }
    return texts;
  }
  std::vector<std::string> SavedTextStrings() {
    std::vector<std::string> out;
    for (const auto& [text, vert] : SavedTexts()) out.push_back(text);
    return out;
  }

  TempDir dir;
};

TEST_F(DrawDimensions, TheUserTextFramesTheMeasuredValue) {
  const std::pair<const char*, const char*> cases[] = {
      {"100", "<> mm"},  // 100 mm
      {"100", "A"},      // a single character shows nothing
      {"100", ""},       // the measured value
      {"", ""},          // nothing
      {"100", "Φ<> (<>)"},  // only the first placeholder
      {"100", "寸"},        // one character, even a wide one
      {"abc", ""},         // not a number: unchanged
      {"12", "%%c<>\\P(H7)"},  // codes resolved: the diameter sign, a new line
  };
  for (const auto& [measured, user] : cases) {
    AddTestDimensionAt(*model, "0", {.kind = "", .measured = measured, .user = user, .text = {100, 100}});
  }
  Draw();
  EXPECT_EQ(SavedTextStrings(), (std::vector<std::string>{"100 mm", "", "100", "", "Φ100 (<>)",
                                                          "", "abc", "φ12\n(H7)"}));
  // A dimension of no kind is its text alone, not grouped.
  for (int i = 1; i <= ShapeCount(); ++i) EXPECT_EQ(ShapeAt(i)->Type(), excel::kTypeTextBox);
}

TEST_F(DrawDimensions, NumericTextsGetTheirDecimalsAndSigns) {
  const double pi = 4 * std::atan(1.0);
  AddTestDimensionAt(*model, "0", {.kind = "AcDbDiametricDimension", .measured = "25",
                                   .d1 = {50, 50}, .d2 = {100, 50}, .text = {100, 100}});
  AddTestDimensionAt(*model, "0", {.kind = "AcDbDiametricDimension", .measured = "25.46",
                                   .d1 = {50, 50}, .d2 = {100, 50}, .text = {100, 120}});
  AddTestDimensionAt(*model, "0", {.kind = "AcDbDiametricDimension", .measured = "25",
                                   .user = "25 H7", .d1 = {50, 50}, .d2 = {100, 50},
                                   .text = {100, 140}});
  AddTestDimensionAt(*model, "0", {.kind = "AcDbRadialDimension", .measured = "12",
                                   .d1 = {50, 50}, .d2 = {62, 50}, .text = {100, 160}});
  AddTestDimensionAt(*model, "0",
                     {.kind = "AcDb2LineAngularDimension",
                      .measured = num::FormatGeneral(45.25 * pi / 180), .style = "two",
                      .d1 = {200, 200}, .d2 = {300, 200}, .e1 = {200, 200}, .e2 = {200, 300},
                      .arc = {230, 230}, .text = {100, 180}});
  AddTestDimensionAt(*model, "0", {.kind = "AcDbRotatedDimension", .measured = "180.04",
                                   .d1 = {10, 10}, .d2 = {190, 10}, .e1 = {10, 0},
                                   .e2 = {190, 0}, .text = {100, 200}});
  Draw();
  EXPECT_EQ(SavedTextStrings(),
            (std::vector<std::string>{"φ25", "φ25.5", "25 H7", "R12", "45.25°", "180"}));
}

TEST_F(DrawDimensions, EachKindDrawsItsShapesAsOneGroup) {
  AddTestDimensionAt(*model, "0", {.kind = "AcDbAlignedDimension", .measured = "50",
                                   .d1 = {10, 20}, .d2 = {60, 20}, .e1 = {10, 0},
                                   .e2 = {60, 0}, .text = {35, 25}});
  AddTestDimensionAt(*model, "0", {.kind = "AcDbRadialDimension", .measured = "12",
                                   .d1 = {100, 100}, .d2 = {112, 100}, .text = {120, 110}});
  Draw();
  ASSERT_EQ(ShapeCount(), 2);
  EXPECT_EQ(ShapeAt(1)->Type(), excel::kTypeGroup);
  EXPECT_EQ(ShapeAt(2)->Type(), excel::kTypeGroup);
  // The group's first member is the dimension line: both arrowheads for
  // the aligned kind, one at the curve for the radial kind.
  auto aligned = ShapeAt(1)->Line();
  EXPECT_EQ(aligned->BeginArrowheadStyle(), excel::kArrowheadTriangle);
  EXPECT_EQ(aligned->EndArrowheadStyle(), excel::kArrowheadTriangle);
  EXPECT_EQ(aligned->BeginArrowheadLength(), excel::kArrowheadLengthMedium);
  EXPECT_EQ(aligned->BeginArrowheadWidth(), excel::kArrowheadNarrow);
  auto radial = ShapeAt(2)->Line();
  EXPECT_EQ(radial->BeginArrowheadStyle(), excel::kArrowheadNone);
  EXPECT_EQ(radial->EndArrowheadStyle(), excel::kArrowheadTriangle);
}

TEST_F(DrawDimensions, ArrowsThatDoNotFitAreOmittedWhenAsked) {
  // Medium arrowheads need 10 points.
  for (double length : {8.0, 12.0}) {
    AddTestDimensionAt(*model, "0", {.kind = "AcDbDiametricDimension", .measured = "8",
                                     .d1 = {100, 100}, .d2 = {100 + length, 100},
                                     .text = {100, 130}});
  }
  Draw();
  EXPECT_EQ(ShapeAt(1)->Line()->BeginArrowheadStyle(), excel::kArrowheadNone);
  EXPECT_EQ(ShapeAt(2)->Line()->BeginArrowheadStyle(), excel::kArrowheadTriangle);

  exporter.Clear();
  exporter.SetDimOmissionFlag(false);
  exporter.SetArrowStyle(5, 3, 3);
  FixedScale(1.0);
  Connect();
  ASSERT_TRUE(exporter.DrawDimensionDatas());
  auto shortLine = ShapeAt(1)->Line();
  EXPECT_EQ(shortLine->BeginArrowheadStyle(), excel::kArrowheadDiamond);
  EXPECT_EQ(shortLine->EndArrowheadStyle(), excel::kArrowheadDiamond);
  EXPECT_EQ(shortLine->BeginArrowheadLength(), excel::kArrowheadLong);
  EXPECT_EQ(shortLine->EndArrowheadWidth(), excel::kArrowheadWide);
}

TEST_F(DrawDimensions, VerticalTextsReadUpwardsOrDownwards) {
  for (int16_t direction : {1, 2, 3, 4}) {
    AddTestDimensionAt(*model, "0", {.kind = "", .measured = "10", .direction = direction,
                                     .text = {100, 100.0 + 20 * direction}});
  }
  exporter.SetDimTextDirectionFlag(false);
  Draw();
  auto texts = SavedTexts();
  ASSERT_EQ(texts.size(), 4u);
  EXPECT_EQ(texts[0].second, "horz");
  EXPECT_EQ(texts[1].second, "vert270");  // upward
  EXPECT_EQ(texts[2].second, "horz");
  EXPECT_EQ(texts[3].second, "vert");     // downward

  exporter.Clear();
  exporter.SetDimTextDirectionFlag(true);
  FixedScale(1.0);
  Connect();
  ASSERT_TRUE(exporter.DrawDimensionDatas());
  texts = SavedTexts();
  EXPECT_EQ(texts[3].second, "vert270");  // unified: upward as well
}

TEST_F(DrawDimensions, DimensionTextsGetTheStyleHeightAndTheWholeTextIsFormatted) {
  AddTestDimensionAt(*model, "0", {.kind = "", .measured = "123.4", .text = {100, 100}});
  Draw();
  auto box = ShapeAt(1);
  EXPECT_EQ(TextOf(box), "123.4");
  for (int32_t at : {1, 5}) EXPECT_DOUBLE_EQ(FontAt(box, at)->Size(), 2.5) << at;
  const auto [tx, ty] = Mapped(100, 100);
  EXPECT_NEAR(box->Left(), tx - 2.5, 1e-9);
  EXPECT_NEAR(box->Top(), ty - 2.5, 1e-9);
}

TEST_F(DrawDimensions, AnAngularDimensionIsAnArcWithArrowheads) {
  // Two lines crossing at (200, 200) and the arc position at 45 degrees.
  AddTestDimensionAt(*model, "0", {.kind = "AcDb2LineAngularDimension", .measured = "0.5",
                                   .d1 = {200, 200}, .d2 = {300, 200}, .e1 = {200, 200},
                                   .e2 = {200, 300}, .arc = {230, 230},
                                   .text = {250, 9000}});  // above the sheet: left out
  Draw();
  ASSERT_EQ(ShapeCount(), 1);  // the arc alone: nothing to group it with
  auto arc = ShapeAt(1);
  arc->Select();
  auto range = App().Selection()->ShapeRange();
  EXPECT_EQ(range->Adjustments()->Item(1), 90);
  EXPECT_EQ(range->Adjustments()->Item(2), 0);
  const double r = std::hypot(30, 30);
  const auto [cx, cy] = Mapped(200, 200);
  EXPECT_NEAR(arc->Left(), cx, 1e-9);
  EXPECT_NEAR(arc->Top(), cy - r, 1e-9);
  EXPECT_NEAR(arc->Width(), r, 1e-9);
  EXPECT_NEAR(arc->Height(), r, 1e-9);
  EXPECT_EQ(arc->Line()->BeginArrowheadStyle(), excel::kArrowheadTriangle);
  EXPECT_EQ(arc->Line()->EndArrowheadStyle(), excel::kArrowheadTriangle);
  EXPECT_TRUE(prompt.messages().empty());
}

TEST_F(DrawDimensions, AnAngularArcReachingPastTheSheetEdgeIsWarnedAbout) {
  AddTestDimensionAt(*model, "0", {.kind = "AcDb2LineAngularDimension", .measured = "0.5",
                                   .d1 = {0, 0}, .d2 = {100, 0}, .e1 = {0, 0}, .e2 = {0, 100},
                                   .arc = {7000, 0}, .text = {100, 100}});
  Draw();
  ASSERT_EQ(prompt.messages().size(), 1u);
  EXPECT_EQ(prompt.messages()[0].text, "円弧の中心位値がマイナス値です。");
  EXPECT_EQ(prompt.messages()[0].icon, PromptIcon::Warning);
  EXPECT_EQ(ShapeCount(), 1);
  EXPECT_EQ(ShapeAt(1)->Type(), excel::kTypeGroup);
}

TEST_F(DrawDimensions, ALeaderIsAChainWithAnArrowheadAtItsFirstVertex) {
  AddTestLeader(*model, "0", {{100, 100}, {150, 150}, {200, 150}});
  AddTestLeader(*model, "0", {{10, 10}});
  AddTestLeader(*model, "0", {{300, 300}, {305, 300}});  // too short for an arrowhead
  Draw(true);
  ASSERT_EQ(ShapeCount(), 2);
  EXPECT_EQ(ShapeAt(1)->Type(), excel::kTypeGroup);
  EXPECT_EQ(ShapeAt(1)->Line()->BeginArrowheadStyle(), excel::kArrowheadTriangle);
  EXPECT_EQ(ShapeAt(1)->Line()->EndArrowheadStyle(), excel::kArrowheadNone);
  EXPECT_EQ(ShapeAt(2)->Type(), excel::kTypeLine);
  EXPECT_EQ(ShapeAt(2)->Line()->BeginArrowheadStyle(), excel::kArrowheadNone);
}

}  // namespace
}  // namespace ovix::testing
