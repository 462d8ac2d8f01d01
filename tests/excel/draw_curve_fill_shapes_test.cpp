// Fills of the option that draws every entity: hatch regions without an
// outline, wipeouts in white (also in monochrome), light fills of patterns
// too dense to draw, and a region with a hole as one freeform.
#include "dxf/path_geometry.h"
#include "tests/excel/exporter_fixture.h"

namespace ovix::testing {
namespace {

class DrawCurveFillShapes : public ExporterTest {
 protected:
  void AddSquare(double x0, double y0, double size, const ExtraShape& attributes) {
    const ExtraNode square[] = {draw_all::LineNode(x0, y0), draw_all::LineNode(x0 + size, y0),
                                draw_all::LineNode(x0 + size, y0 + size),
                                draw_all::LineNode(x0, y0 + size)};
    model->ExtraShapes().AddShape(attributes, square);
  }
  ExtraShape FillAttributes() {
    ExtraShape s;
    s.Kind = ExtraShapeKind::Fill;
    s.Layer = "0";
    s.Color = 1;
    s.Closed = true;
    s.Outline = false;
    return s;
  }
  void Draw(bool monochrome = false) {
    Connect();
    FixedScale(1.0);
    exporter.SetMonochromeFlag(monochrome);
    ASSERT_GE(exporter.DrawExtraShapes(), 0) << exporter.LastError();
  }
};

TEST_F(DrawCurveFillShapes, HatchFillsHaveNoOutlineAndWipeoutsAreWhite) {
  AddSquare(0, 0, 10, FillAttributes());
  ExtraShape wipeout = FillAttributes();
  wipeout.FillRgb = 0xFFFFFF;
  AddSquare(20, 0, 10, wipeout);
  ExtraShape light = FillAttributes();
  light.FillTransparency = 0.75;
  AddSquare(40, 0, 10, light);
  Draw();
  ASSERT_EQ(ShapeCount(), 3);
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(ShapeAt(i)->Line()->Visible(), excel::kFalse);
    EXPECT_EQ(ShapeAt(i)->Fill()->Visible(), excel::kTrue);
  }
  EXPECT_EQ(ShapeAt(1)->Fill()->ForeColor()->SchemeColor(), 2);  // red
  EXPECT_EQ(ShapeAt(2)->Fill()->ForeColor()->RGB(), 0xFFFFFF);
  EXPECT_DOUBLE_EQ(ShapeAt(3)->Fill()->Transparency(), 0.75);
  EXPECT_DOUBLE_EQ(ShapeAt(1)->Fill()->Transparency(), 0.0);
}

TEST_F(DrawCurveFillShapes, AWipeoutStaysWhiteInMonochromeAndAGradientColourTurnsBlack) {
  ExtraShape wipeout = FillAttributes();
  wipeout.FillRgb = 0xFFFFFF;
  AddSquare(0, 0, 10, wipeout);
  ExtraShape gradient = FillAttributes();
  gradient.FillRgb = 0x0080FF;
  AddSquare(20, 0, 10, gradient);
  Draw(true);
  EXPECT_EQ(ShapeAt(1)->Fill()->ForeColor()->RGB(), 0xFFFFFF);
  EXPECT_NE(ShapeAt(2)->Fill()->ForeColor()->RGB(), 0x0080FF);
}

TEST_F(DrawCurveFillShapes, ARegionWithAHoleIsOneFreeform) {
  // Outer square, a bridge in to the hole, the hole the other way round,
  // and back: one shape whose frame is the outer square.
  const ExtraNode nodes[] = {
      draw_all::LineNode(0, 0),   draw_all::LineNode(30, 0),  draw_all::LineNode(30, 30),
      draw_all::LineNode(0, 30),  draw_all::LineNode(0, 0),   draw_all::LineNode(10, 10),
      draw_all::LineNode(10, 20), draw_all::LineNode(20, 20), draw_all::LineNode(20, 10),
      draw_all::LineNode(10, 10), draw_all::LineNode(0, 0)};
  model->ExtraShapes().AddShape(FillAttributes(), nodes);
  Draw();
  ASSERT_EQ(ShapeCount(), 1);
  EXPECT_EQ(ShapeAt(1)->Type(), excel::kTypeFreeform);
  EXPECT_NEAR(ShapeAt(1)->Width(), 30, 1e-6);
}

}  // namespace
}  // namespace ovix::testing
