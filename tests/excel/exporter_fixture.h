#pragma once
// The exporter drawing into a new workbook of the in-process engine, and
// short ways to put entities into its model (test support).

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "excel/excel_automation.h"
#include "excel/rv_excel_export.h"
#include "model/rv_system.h"
#include "tests/model/model_builders.h"
#include "tests/support/recording_prompt.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {

// Height of "A4 縦" in points and the sheet y of the drawing's lowest point.
inline constexpr double kA4PortraitHeight = 297 * 72 / 25.3995;
inline constexpr double kA4PortraitWidth = 210 * 72 / 25.3995;

class ExporterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    workbook::RegisterAutomationClass();
    model = std::make_shared<RvSystem>();
    AddTestLayer(*model, "0", 0, 7);
  }

  void TearDown() override {
    exporter.Clear();
    excel::ForgetRunningInstances();
  }

  // The exporter on a new, unsaved workbook with its page set up.
  void Connect(const std::string& paper = "A4 縦") {
    exporter.SetRvSystem(model);
    ASSERT_TRUE(exporter.SetExcelSheet("", "Sheet1"));
    exporter.SetPage(paper);
  }

  // A fixed scale of exactly `pointsPerUnit` sheet points per drawing unit.
  void FixedScale(double pointsPerUnit) {
    exporter.SetAutoScale(false);
    exporter.SetScaleXValue(pointsPerUnit * 25.3995 / 72);
    exporter.SetScaleYValue(pointsPerUnit * 25.3995 / 72);
  }

  excel::Application& App() { return *exporter.ExcelApp(); }
  std::shared_ptr<excel::Shapes> Shapes() { return App().Worksheets()->Item("Sheet1")->Shapes(); }
  int32_t ShapeCount() { return Shapes()->Count(); }
  std::shared_ptr<excel::Shape> ShapeAt(int32_t index) { return Shapes()->Item(index); }

  // The text and the font of character `at` (1-based) of a text box.
  std::string TextOf(const std::shared_ptr<excel::Shape>& box) {
    box->Select();
    return App().Selection()->Characters(1, 0)->Text();
  }
  std::shared_ptr<excel::Font> FontAt(const std::shared_ptr<excel::Shape>& box, int32_t at) {
    box->Select();
    return App().Selection()->Characters(at, 1)->Font();
  }

  // Where a drawing point lands with the exporter's current mapping.
  std::pair<double, double> Mapped(double x, double y) {
    const std::vector<double> p{x, y};
    const RvPoint3 v = exporter.GetViewGeometory(p);
    return {v[0], v[1]};
  }

  ScopedRecordingPrompt prompt;
  std::shared_ptr<RvSystem> model;
  RvExcelExport exporter;
};

// ---- entities -----------------------------------------------------------------

inline int32_t AddTestEllipse(RvSystem& s, const std::string& layer, double cx, double cy,
                              double along_x, double along_y) {
  RvEntProperty p;
  p.Layer = layer;
  p.Color = 256;
  p.LineWidth = -1;
  p.RadiusL = along_x;
  p.RadiusS = along_y;
  const std::vector<double> xs{cx}, ys{cy}, zs{0.0};
  return s.AddEllipse(p, xs, ys, zs);
}

inline int32_t AddTestPolyline(RvSystem& s, const std::string& layer,
                               const std::vector<std::pair<double, double>>& vertices,
                               bool closed) {
  RvEntProperty p;
  p.Layer = layer;
  p.Color = 256;
  p.LineWidth = -1;
  p.Count = static_cast<int32_t>(vertices.size());
  p.Mode = closed ? 1 : 0;
  std::vector<double> xs, ys, zs;
  for (const auto& [x, y] : vertices) {
    xs.push_back(x);
    ys.push_back(y);
    zs.push_back(0.0);
  }
  return s.AddPolyline(p, xs, ys, zs);
}

inline int32_t AddTestLeader(RvSystem& s, const std::string& layer,
                             const std::vector<std::pair<double, double>>& vertices) {
  RvEntProperty p;
  p.Layer = layer;
  p.Color = 256;
  p.LineWidth = -1;
  p.Count = static_cast<int32_t>(vertices.size());
  std::vector<double> xs, ys, zs;
  for (const auto& [x, y] : vertices) {
    xs.push_back(x);
    ys.push_back(y);
    zs.push_back(0.0);
  }
  return s.AddLeader(p, xs, ys, zs);
}

inline int32_t AddTestTextStyle(RvSystem& s, const std::string& name, const std::string& font) {
  std::vector<int32_t> lng(51, 0);
  std::vector<double> dbl(51, 0.0);
  std::vector<std::string> str(51);
  dbl[1] = 1.0;
  str[0] = font;
  return s.AddTextStyle(name, lng, dbl, str);
}

struct TestText {
  std::string text;
  double x = 0, y = 0;
  double height = 2.5;
  double length = 10;  // estimated length, drawing units
  std::string style;   // "Standard" when empty
  int32_t color = 256;
  int16_t direction = 1;
  std::string layer = "0";
};

inline int32_t AddStyledText(RvSystem& s, const TestText& t, bool multiline = false) {
  RvEntProperty p;
  p.Layer = t.layer;
  p.Text = t.text;
  p.Height = t.height;
  p.Length = t.length;
  p.TextStyle = t.style;
  p.Color = t.color;
  p.Direct = t.direction;
  return multiline ? s.AddMtext(p, t.x, t.y, 0.0) : s.AddText(p, t.x, t.y, 0.0);
}

struct TestDimension {
  std::string kind = "AcDbRotatedDimension";
  std::string measured;      // the measured value as text
  std::string user;          // the user text
  std::string style = "Standard";
  int16_t direction = 1;
  std::pair<double, double> d1{0, 0}, d2{0, 0}, e1{0, 0}, e2{0, 0}, arc{0, 0}, text{0, 0};
};

inline int32_t AddTestDimensionAt(RvSystem& s, const std::string& layer, const TestDimension& d) {
  RvEntProperty p;
  p.Layer = layer;
  p.DimStyle = d.style;
  p.Text = d.measured;
  p.UserText = d.user;
  p.DimType = d.kind;
  p.Direct = d.direction;
  p.Color = 256;
  p.LineWidth = -1;
  return s.AddDimension(p, d.d1.first, d.d1.second, 0, d.d2.first, d.d2.second, 0, d.e1.first,
                        d.e1.second, 0, d.e2.first, d.e2.second, 0, d.arc.first, d.arc.second, 0,
                        d.text.first, d.text.second, 0);
}

}  // namespace ovix::testing
