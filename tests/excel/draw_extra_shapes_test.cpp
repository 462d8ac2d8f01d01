// The extra shapes of the option that draws every entity on the sheet:
// outlines with exact Bézier arcs, fills, dots, rotated text boxes anchored
// at their alignment point, and one named group per block reference.
#include <cmath>
#include <numbers>

#include "dxf/path_geometry.h"
#include "tests/excel/exporter_fixture.h"

namespace ovix::testing {
namespace {

class DrawExtraShapes : public ExporterTest {
 protected:
  ExtraShapeStore& Store() { return model->ExtraShapes(); }

  ExtraShape Attributes(ExtraShapeKind kind, int32_t group = -1, const std::string& layer = "0") {
    ExtraShape s;
    s.Kind = kind;
    s.Layer = layer;
    s.Color = 256;
    s.Group = group;
    return s;
  }
  void AddLine(double x1, double y1, double x2, double y2, int32_t group = -1,
               const std::string& layer = "0") {
    const ExtraNode nodes[] = {draw_all::LineNode(x1, y1), draw_all::LineNode(x2, y2)};
    Store().AddShape(Attributes(ExtraShapeKind::Path, group, layer), nodes);
  }
  void Draw() {
    Connect();
    FixedScale(1.0);
    ASSERT_GE(exporter.DrawExtraShapes(), 0) << exporter.LastError();
  }
};

TEST_F(DrawExtraShapes, ThePiecesOfEachBlockReferenceFormOneGroupNamedAfterTheBlock) {
  const int32_t first = Store().AddGroup("DOOR");
  AddLine(0, 0, 10, 0, first);
  AddLine(0, 0, 0, 10, first);
  const int32_t second = Store().AddGroup("DOOR");
  AddLine(20, 0, 30, 0, second);
  AddLine(20, 0, 20, 10, second);
  AddLine(50, 50, 60, 60);  // not part of a reference
  Draw();
  ASSERT_EQ(ShapeCount(), 3);
  EXPECT_EQ(ShapeAt(1)->Type(), excel::kTypeGroup);
  EXPECT_EQ(ShapeAt(1)->Name(), "DOOR");
  EXPECT_EQ(ShapeAt(2)->Name(), "DOOR 2");
  EXPECT_EQ(ShapeAt(3)->Type(), excel::kTypeLine);
}

TEST_F(DrawExtraShapes, ArcsAreExactBezierCurvesOfTheFreeform) {
  // A half circle of radius 10 above its chord, then straight back.
  std::vector<ExtraNode> nodes{draw_all::LineNode(10, 0)};
  draw_all::AppendArc(nodes, 0, 0, 10, 0, std::numbers::pi);
  nodes.push_back(draw_all::LineNode(10, 0));
  Store().AddShape(Attributes(ExtraShapeKind::Path), nodes);
  Draw();
  auto shape = ShapeAt(1);
  EXPECT_EQ(shape->Type(), excel::kTypeFreeform);
  // The frame is the curve's own box: 20 x 10 points at one point per unit.
  EXPECT_NEAR(shape->Width(), 20, 1e-6);
  EXPECT_NEAR(shape->Height(), 10, 1e-6);
  const auto [left, top] = Mapped(-10, 10);
  EXPECT_NEAR(shape->Left(), left, 1e-6);
  EXPECT_NEAR(shape->Top(), top, 1e-6);
}

TEST_F(DrawExtraShapes, SolidsAreFilledAndPointsAreDotsOfTheirColour) {
  ExtraShape solid = Attributes(ExtraShapeKind::Fill);
  solid.Color = 1;
  solid.Closed = true;
  const ExtraNode square[] = {draw_all::LineNode(0, 0), draw_all::LineNode(10, 0),
                              draw_all::LineNode(10, 10), draw_all::LineNode(0, 10)};
  Store().AddShape(solid, square);
  ExtraShape dot = Attributes(ExtraShapeKind::Dot);
  dot.Color = 5;
  dot.LineWeight = 300;  // 3 mm: a weight of 3 points
  const ExtraNode at[] = {draw_all::LineNode(40, 40)};
  Store().AddShape(dot, at);
  Draw();
  auto fill = ShapeAt(1);
  EXPECT_EQ(fill->Type(), excel::kTypeFreeform);
  EXPECT_EQ(fill->Fill()->Visible(), excel::kTrue);
  EXPECT_EQ(fill->Fill()->ForeColor()->SchemeColor(), 2);  // red
  EXPECT_NEAR(fill->Width(), 10, 1e-6);
  auto point = ShapeAt(2);
  EXPECT_EQ(point->Fill()->Visible(), excel::kTrue);
  EXPECT_EQ(point->Fill()->ForeColor()->SchemeColor(), 4);  // blue
  EXPECT_NEAR(point->Width(), 3, 1e-6);
  const auto [x, y] = Mapped(40, 40);
  EXPECT_NEAR(point->Left() + point->Width() / 2, x, 1e-6);
  EXPECT_NEAR(point->Top() + point->Height() / 2, y, 1e-6);
}

TEST_F(DrawExtraShapes, AStraightOutlineWhoseEndsMeetIsADot) {
  AddLine(0, 0, 100, 100);
  AddLine(30, 20, 30, 20);
  Draw();
  ASSERT_EQ(ShapeCount(), 2);
  auto dot = ShapeAt(2);
  EXPECT_EQ(dot->Type(), excel::kTypeAutoShape);
  EXPECT_EQ(dot->Fill()->Visible(), excel::kTrue);
  EXPECT_NEAR(dot->Width(), 1, 1e-6);
  const auto [x, y] = Mapped(30, 20);
  EXPECT_NEAR(dot->Left() + dot->Width() / 2, x, 1e-6);
  EXPECT_NEAR(dot->Top() + dot->Height() / 2, y, 1e-6);
}

TEST_F(DrawExtraShapes, ARotatedTextTurnsAboutItsAlignmentPoint) {
  ExtraText text;
  text.Text = "ABCDEFGH";
  text.Height = 10;
  text.Rotation = 90;
  text.X = 100;
  text.Y = 100;
  const RvPoint3 corners[] = {{100, 100, 0}, {90, 180, 0}};
  Store().AddText(Attributes(ExtraShapeKind::Text), text, corners);
  Draw();
  auto box = ShapeAt(1);
  EXPECT_EQ(box->Type(), excel::kTypeTextBox);
  EXPECT_NEAR(box->Rotation(), 270, 1e-9);
  EXPECT_EQ(TextOf(box), "ABCDEFGH");
  // The text runs upwards from the alignment point: the box's centre lies
  // above it, about half the box's width, and off to its left by less than
  // half its height.
  const auto [ax, ay] = Mapped(100, 100);
  const double cx = box->Left() + box->Width() / 2;
  const double cy = box->Top() + box->Height() / 2;
  EXPECT_LT(cy, ay - box->Width() / 2 + 2);
  EXPECT_GT(cy, ay - box->Width() / 2 - 2);
  EXPECT_LT(std::fabs(cx - ax), box->Height() / 2);
  EXPECT_LT(cx, ax);
}

TEST_F(DrawExtraShapes, ShapesOnHiddenLayersAreLeftOut) {
  AddTestLayer(*model, "FROZEN", 1, 7);
  AddLine(0, 0, 10, 10, -1, "FROZEN");
  AddLine(0, 0, 10, 0);
  Draw();
  EXPECT_EQ(ShapeCount(), 1);
}

}  // namespace
}  // namespace ovix::testing
