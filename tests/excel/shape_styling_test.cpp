// Line and text styling as it ends up on the shapes: weights under each
// line-weight entry, colours and monochrome, dash styles, fonts, font styles
// and colours, text boxes without fill or border, vertical styles.
#include <gtest/gtest.h>

#include "tests/excel/exporter_fixture.h"

namespace ovix::testing {
namespace {

using ShapeStyling = ExporterTest;

TEST_F(ShapeStyling, LineWeightFollowsTheLineWeightEntry) {
  AddTestLayer(*model, "thick", 0, 7, "CONTINUOUS", 200);  // 2 mm
  AddTestLine(*model, "0", 0, 0, 10, 0, 256, "", 0);       // width 0
  AddTestLine(*model, "0", 0, 1, 10, 1, 256, "", 2);       // width 2
  AddTestLine(*model, "thick", 0, 2, 10, 2, 256, "", -1);  // the layer's 2 mm
  AddTestLine(*model, "0", 0, 3, 10, 3, 256, "", -1);      // the layer's 0.25 mm rounds to 0
  struct Case {
    const char* entry;
    double lt_scale;
    double weights[4];
  };
  // "CAD設定値" gives 1.0, "2倍" 2, "0.75" the fixed -0.75.
  for (const Case& c : {Case{"CAD設定値", 1.0, {0.25, 2, 2, 0.25}},
                        Case{"2倍", 2.0, {0.5, 4, 4, 0.5}},
                        Case{"0.75", -0.75, {0.75, 0.75, 0.75, 0.75}}}) {
    SCOPED_TRACE(c.entry);
    exporter.Clear();
    exporter.SetLtScale(c.lt_scale);
    Connect();
    ASSERT_TRUE(exporter.DrawLineDatas());
    ASSERT_EQ(ShapeCount(), 4);
    for (int i = 0; i < 4; ++i) EXPECT_DOUBLE_EQ(ShapeAt(i + 1)->Line()->Weight(), c.weights[i]);
  }
}

TEST_F(ShapeStyling, ColourNumbersMapToSchemeColoursAndMonochromeToBlack) {
  AddTestLayer(*model, "colourless", 0, 0);
  const int32_t colours[] = {1, 2, 3, 4, 5, 6, 7, 8, 255, 256};
  const int32_t scheme[] = {2, 13, 17, 7, 4, 6, 8, 8, 8, 8};  // 256: the layer's 7
  for (int32_t c : colours) AddTestLine(*model, "0", 0, c, 10, c, c);
  // A colour that resolves below 1 counts as red.
  AddTestLine(*model, "colourless", 0, 20, 10, 20, 256);
  Connect();
  ASSERT_TRUE(exporter.DrawLineDatas());
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(ShapeAt(i + 1)->Line()->ForeColor()->SchemeColor(), scheme[i]) << colours[i];
  }
  EXPECT_EQ(ShapeAt(11)->Line()->ForeColor()->SchemeColor(), 2);

  exporter.Clear();
  exporter.SetMonochromeFlag(true);
  Connect();
  ASSERT_TRUE(exporter.DrawLineDatas());
  for (int i = 1; i <= 11; ++i) EXPECT_EQ(ShapeAt(i)->Line()->ForeColor()->SchemeColor(), 8);
}

TEST_F(ShapeStyling, LineTypesBecomeDashStyles) {
  AddTestLtype(*model, "CONTINUOUS", {});
  AddTestLtype(*model, "DASHED", {6.35, -3.175});
  AddTestLtype(*model, "DOT", {0.0, -3.175});
  AddTestLtype(*model, "DASHDOT", {12.7, -2.54, 0.0, -2.54});
  AddTestLtype(*model, "DIVIDE", {12.7, -2.54, 0.0, -2.54, 0.0, -2.54});
  AddTestLtype(*model, "LONG", {1, -1, 1, -1, 1, -1, 1, -1});
  const char* types[] = {"CONTINUOUS", "DASHED", "DOT", "DASHDOT", "DIVIDE", "LONG", "MISSING"};
  const int32_t dash[] = {excel::kLineSolid,       excel::kLineDash,       excel::kLineSquareDot,
                          excel::kLineLongDashDot, excel::kLineDashDotDot, excel::kLineSolid,
                          excel::kLineSolid};
  AddTestLayer(*model, "nolt", 0, 7, "UNKNOWN");
  for (const char* t : types) AddTestLine(*model, "nolt", 0, 0, 10, 10, 256, t);
  Connect();
  ASSERT_TRUE(exporter.DrawLineDatas());
  for (int i = 0; i < 7; ++i) EXPECT_EQ(ShapeAt(i + 1)->Line()->DashStyle(), dash[i]) << types[i];
}

TEST_F(ShapeStyling, AnArcWhoseColourWasChangedKeepsItsStyling) {
  AddTestArc(*model, "0", 0, 0, 10, 0, 90);
  Connect();
  auto arc = Shapes()->AddShape(excel::kShapeArc, 100, 100, 50, 50);
  arc->Line()->ForeColor()->SetSchemeColor(4);
  arc->Line()->SetWeight(3);
  arc->Select();
  exporter.ExcelLinePropertyChange(kStyleArc, exporter.ExcelApp(), 0);
  EXPECT_EQ(arc->Line()->Weight(), 3);
  EXPECT_EQ(arc->Line()->ForeColor()->SchemeColor(), 4);

  auto fresh = Shapes()->AddShape(excel::kShapeArc, 100, 100, 50, 50);
  fresh->Select();
  exporter.ExcelLinePropertyChange(kStyleArc, exporter.ExcelApp(), 0);
  EXPECT_EQ(fresh->Line()->Weight(), 0.25);
  EXPECT_EQ(fresh->Line()->ForeColor()->SchemeColor(), 8);
}

TEST_F(ShapeStyling, ASelectionWithoutShapesIsLeftAlone) {
  AddTestLine(*model, "0", 0, 0, 10, 10);
  Connect();
  App().Worksheets()->Item("Sheet1")->Range("1:1")->Select();
  EXPECT_NO_THROW(exporter.ExcelLinePropertyChange(kStyleLine, exporter.ExcelApp(), 0));
  EXPECT_NO_THROW(exporter.ExcelTextPropertyChange(kStyleText, exporter.ExcelApp(), 0, 0, 10,
                                                   false, false, false));
}

class TextStyling : public ExporterTest {
 protected:
  void SetUp() override {
    ExporterTest::SetUp();
    AddTestTextStyle(*model, "Standard", "ROMANS");
    AddTestTextStyle(*model, "gothic", "@MS Gothic.ttf");
    AddTestTextStyle(*model, "mincho", "MS Mincho.ttf");
    AddTestTextStyle(*model, "pgothic", "MS PGothic.ttf");
    AddTestTextStyle(*model, "shx", "simplex.shx");
  }
  // The texts drawn at a scale of one point per drawing unit.
  void Draw() {
    FixedScale(1.0);
    Connect();
    ASSERT_TRUE(exporter.DrawTextDatas());
  }
};

TEST_F(TextStyling, FontFilesBecomeFontNames) {
  const char* styles[] = {"Standard", "mincho", "pgothic", "shx"};
  for (const char* style : styles) AddStyledText(*model, {.text = "ABC", .x = 10, .y = 10, .style = style});
  Draw();
  ASSERT_EQ(ShapeCount(), 4);
  EXPECT_EQ(FontAt(ShapeAt(1), 1)->Name(), "ＭＳ Ｐゴシック");  // ROMANS: the default font stays
  EXPECT_EQ(FontAt(ShapeAt(2), 1)->Name(), "ＭＳ 明朝");
  EXPECT_EQ(FontAt(ShapeAt(3), 1)->Name(), "ＭＳ Ｐゴシック");
  EXPECT_EQ(FontAt(ShapeAt(4), 1)->Name(), "simplex.shx");
}

TEST_F(TextStyling, AFontHeaderGivesTheFontStyleAndColoursMapToPaletteIndexes) {
  AddStyledText(*model, {.text = "{\\fArial|b1|i0|c0|p34;太字}", .x = 10, .y = 10, .color = 1});
  AddStyledText(*model, {.text = "{\\fArial|b0|i1|c0|p34;斜体}", .x = 10, .y = 20, .color = 5});
  AddStyledText(*model, {.text = "{\\fArial|b1|i1|c0|p34;両方}", .x = 10, .y = 30, .color = 3});
  AddStyledText(*model, {.text = "plain", .x = 10, .y = 40, .color = 256});
  Draw();
  ASSERT_EQ(ShapeCount(), 4);
  EXPECT_EQ(TextOf(ShapeAt(1)), "太字");
  EXPECT_EQ(FontAt(ShapeAt(1), 1)->FontStyle(), "太字");
  EXPECT_EQ(FontAt(ShapeAt(1), 1)->ColorIndex(), 3);
  EXPECT_EQ(FontAt(ShapeAt(2), 1)->FontStyle(), "斜体");
  EXPECT_EQ(FontAt(ShapeAt(2), 1)->ColorIndex(), 5);
  EXPECT_EQ(FontAt(ShapeAt(3), 1)->FontStyle(), "太字 斜体");
  EXPECT_EQ(FontAt(ShapeAt(3), 1)->ColorIndex(), 10);
  EXPECT_EQ(FontAt(ShapeAt(4), 1)->FontStyle(), "標準");
  EXPECT_EQ(FontAt(ShapeAt(4), 1)->ColorIndex(), 1);
}

TEST_F(TextStyling, MonochromeTextIsBlack) {
  AddStyledText(*model, {.text = "red", .x = 10, .y = 10, .color = 1});
  exporter.SetMonochromeFlag(true);
  Draw();
  EXPECT_EQ(FontAt(ShapeAt(1), 1)->ColorIndex(), 1);
}

TEST_F(TextStyling, TextBoxesHaveNeitherFillNorBorder) {
  AddStyledText(*model, {.text = "ABC", .x = 10, .y = 10});
  Draw();
  auto box = ShapeAt(1);
  EXPECT_EQ(box->Type(), excel::kTypeTextBox);
  EXPECT_EQ(box->Fill()->Visible(), excel::kFalse);
  EXPECT_EQ(box->Line()->Visible(), excel::kFalse);
  box->Select();
  EXPECT_EQ(App().Selection()->HorizontalAlignment(), excel::kAlignLeft);
  EXPECT_TRUE(App().Selection()->AutoSize());
  EXPECT_FALSE(App().Selection()->AddIndent());
}

// The estimated length in points is no character count: at a small scale it
// is shorter than the text, which would leave the rest in the default font
// and colour. Every character gets the text's format.
TEST_F(TextStyling, EveryCharacterIsFormattedWhateverTheEstimatedLength) {
  AddStyledText(*model, {.text = "ABCDEFGHIJKLMNOPQRST", .x = 10, .y = 10, .height = 8,
                         .length = 3, .style = "mincho", .color = 1});
  Draw();
  auto box = ShapeAt(1);
  for (int32_t at : {1, 3, 4, 20}) {
    EXPECT_EQ(FontAt(box, at)->Size(), 8) << at;
    EXPECT_EQ(FontAt(box, at)->ColorIndex(), 3) << at;
    EXPECT_EQ(FontAt(box, at)->Name(), "ＭＳ 明朝") << at;
  }
}

TEST_F(TextStyling, AVerticalStyleTurnsTheBoxOnItsSide) {
  AddStyledText(*model, {.text = "縦書き表記", .x = 10, .y = 50});
  AddStyledText(*model, {.text = "縦書き表記", .x = 10, .y = 50, .style = "gothic"});
  Draw();
  auto across = ShapeAt(1);
  auto down = ShapeAt(2);
  const double w = across->Width(), h = across->Height();
  ASSERT_GT(w, h);
  EXPECT_EQ(FontAt(down, 1)->Name(), "ＭＳ ゴシック");
  EXPECT_NEAR(down->Width(), h, 1e-6);
  EXPECT_NEAR(down->Height(), 1.2 * h + w, 1e-6);
  EXPECT_NEAR(down->Left(), across->Left(), 1e-6);
  EXPECT_NEAR(down->Top(), across->Top() + h, 1e-6);
}

}  // namespace
}  // namespace ovix::testing
