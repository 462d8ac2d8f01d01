// The real client check: LibreOffice opens a saved workbook, prints it to PDF,
// and every shape is found on the rasterised page where it belongs, in its
// colour.
//
// LibreOffice places each top-level shape by its cell anchor but measures
// columns with its own substitute for the workbook's default font, so its
// columns are wider than the spreadsheet application's 72 pixels (rows keep
// their 13.5 points). The check therefore maps sheet points to the page the
// way LibreOffice does: through each top-level anchor, with the column width
// measured from a marker line drawn on a column boundary.
#include <gtest/gtest.h>
#include <pugixml.hpp>

#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <numbers>

#include "excel/excel_automation.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"
#include "tests/workbook/ppm_raster.h"
#include "tests/workbook/package_reader.h"
#include "tests/workbook/showcase_workbook.h"
#include "workbook/workbook_engine.h"

namespace {

namespace fs = std::filesystem;
using namespace ovix::testing;
namespace sc = ovix::testing::showcase;

constexpr int kPixelsPerPoint = 2;  // rasterised at 144 dpi
constexpr double kEmuPerPoint = 12700;

using Colour = std::function<bool(int r, int g, int b)>;
const Colour kRed = [](int r, int g, int b) { return r > 170 && g < 100 && b < 100; };
const Colour kBlue = [](int r, int g, int b) { return b > 170 && r < 100 && g < 100; };
const Colour kGreen = [](int r, int g, int b) { return g > 80 && r < 80 && b < 80; };
const Colour kYellow = [](int r, int g, int b) { return r > 200 && g > 200 && b < 90; };
const Colour kMagenta = [](int r, int g, int b) { return r > 170 && b > 170 && g < 100; };
const Colour kCyan = [](int r, int g, int b) { return g > 170 && b > 170 && r < 100; };
const Colour kOrange = [](int r, int g, int b) { return r > 200 && g > 80 && g < 180 && b < 80; };
const Colour kBlack = [](int r, int g, int b) { return r < 90 && g < 90 && b < 90; };
const Colour kWhite = [](int r, int g, int b) { return r > 235 && g > 235 && b > 235; };

// Where LibreOffice puts a top-level shape: its anchor's cells on its own
// column grid, stretched between them.
struct Placement {
  double sheet_x0, sheet_x1, sheet_y0, sheet_y1;
  double page_x0, page_x1, page_y0, page_y1;
};

class LibreOfficeRender : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* program : {"soffice", "pdftoppm"}) {
      if (!HasProgram(program)) {
        FAIL() << program << " is missing: install libreoffice-calc-nogui and poppler-utils "
               << "(scripts/setup-debian.sh does)";
      }
    }
    const fs::path xlsx = dir / "showcase.xlsx";
    app = ovix::workbook::CreateApplication();
    sc::BuildAndSave(*app, xlsx.string());
    // A profile of its own, so that tests running in parallel never share one.
    const std::string convert =
        "timeout 300 soffice -env:UserInstallation=file://" + (dir / "lo-profile").string() +
        " --headless --convert-to pdf --outdir " + ShellQuote(dir.path().string()) + " " +
        ShellQuote(xlsx.string());
    const CommandResult converted = RunCommand(convert);
    ASSERT_TRUE(fs::exists(dir / "showcase.pdf")) << converted.output;
    const CommandResult rasterised =
        RunCommand("pdftoppm -r " + std::to_string(72 * kPixelsPerPoint) + " -f 1 -l 1 -singlefile " +
                   ShellQuote((dir / "showcase.pdf").string()) + " " + ShellQuote((dir / "page").string()));
    ASSERT_EQ(rasterised.exit_code, 0) << rasterised.output;
    ASSERT_TRUE(page.Load(dir / "page.ppm"));
    drawing.load_string(ReadPart(xlsx, "xl/drawings/drawing1.xml").c_str());
    column_width = MeasureColumnWidth();
  }

  // The marker line lies on the boundary of column 4; where LibreOffice draws
  // it gives the width of its columns.
  double MeasureColumnWidth() const {
    const int y = static_cast<int>((sc::kMarkerY1 + sc::kMarkerY2) / 2 * kPixelsPerPoint);
    double sum = 0;
    int count = 0;
    for (int x = 0; x < page.width; ++x) {
      int r, g, b;
      page.At(x, y, r, g, b);
      if (kBlack(r, g, b)) {
        sum += x + 0.5;
        ++count;
      }
    }
    return count == 0 ? 0.0 : sum / count / kPixelsPerPoint / 4.0;
  }

  // The placement of the top-level shape that holds the shape named `name`.
  Placement PlacementOf(const std::string& name) const {
    const std::string query = "/xdr:wsDr/*[.//xdr:cNvPr[@name='" + name + "']]";
    const pugi::xml_node anchor = drawing.select_node(query.c_str()).node();
    EXPECT_TRUE(anchor) << name;
    const pugi::xml_node top = anchor.last_child().previous_sibling();  // before clientData
    const pugi::xml_node xfrm = top.select_node("*/a:xfrm").node();
    auto value = [](pugi::xml_node n, const char* child) { return n.child(child).text().as_llong(); };
    Placement p;
    p.sheet_x0 = xfrm.child("a:off").attribute("x").as_llong() / kEmuPerPoint;
    p.sheet_y0 = xfrm.child("a:off").attribute("y").as_llong() / kEmuPerPoint;
    p.sheet_x1 = p.sheet_x0 + xfrm.child("a:ext").attribute("cx").as_llong() / kEmuPerPoint;
    p.sheet_y1 = p.sheet_y0 + xfrm.child("a:ext").attribute("cy").as_llong() / kEmuPerPoint;
    auto page_x = [&](pugi::xml_node cell) {
      return value(cell, "xdr:col") * column_width + value(cell, "xdr:colOff") / kEmuPerPoint;
    };
    auto page_y = [&](pugi::xml_node cell) {
      return value(cell, "xdr:row") * 13.5 + value(cell, "xdr:rowOff") / kEmuPerPoint;
    };
    if (anchor.child("xdr:pos")) {  // an absoluteAnchor: placed where it says, whatever the columns
      p.page_x0 = anchor.child("xdr:pos").attribute("x").as_llong() / kEmuPerPoint;
      p.page_y0 = anchor.child("xdr:pos").attribute("y").as_llong() / kEmuPerPoint;
      p.page_x1 = p.page_x0 + anchor.child("xdr:ext").attribute("cx").as_llong() / kEmuPerPoint;
      p.page_y1 = p.page_y0 + anchor.child("xdr:ext").attribute("cy").as_llong() / kEmuPerPoint;
      return p;
    }
    p.page_x0 = page_x(anchor.child("xdr:from"));
    p.page_y0 = page_y(anchor.child("xdr:from"));
    if (anchor.child("xdr:to")) {
      p.page_x1 = page_x(anchor.child("xdr:to"));
      p.page_y1 = page_y(anchor.child("xdr:to"));
    } else {  // a oneCellAnchor: its size is its own
      p.page_x1 = p.page_x0 + anchor.child("xdr:ext").attribute("cx").as_llong() / kEmuPerPoint;
      p.page_y1 = p.page_y0 + anchor.child("xdr:ext").attribute("cy").as_llong() / kEmuPerPoint;
    }
    return p;
  }

  // True when a pixel of `colour` lies within `radius` pixels of the sheet
  // point (x, y) of the shape named `name`.
  bool Finds(const std::string& name, const Colour& colour, double x, double y, int radius = 3) const {
    const Placement p = PlacementOf(name);
    auto map = [](double v, double s0, double s1, double p0, double p1) {
      return s1 > s0 ? p0 + (v - s0) * (p1 - p0) / (s1 - s0) : p0 + (v - s0);
    };
    const double px = map(x, p.sheet_x0, p.sheet_x1, p.page_x0, p.page_x1) * kPixelsPerPoint;
    const double py = map(y, p.sheet_y0, p.sheet_y1, p.page_y0, p.page_y1) * kPixelsPerPoint;
    for (int dy = -radius; dy <= radius; ++dy) {
      for (int dx = -radius; dx <= radius; ++dx) {
        const int ix = static_cast<int>(std::floor(px)) + dx;
        const int iy = static_cast<int>(std::floor(py)) + dy;
        if (ix < 0 || iy < 0 || ix >= page.width || iy >= page.height) continue;
        int r, g, b;
        page.At(ix, iy, r, g, b);
        if (colour(r, g, b)) return true;
      }
    }
    return false;
  }

  // Fraction of the points on a circle (or ellipse) between two angles
  // (counter-clockwise, degrees) where `colour` is found.
  double OnEllipse(const std::string& name, const Colour& colour, double cx, double cy, double rx,
                   double ry, double from, double to, int radius = 3) const {
    int found = 0, total = 0;
    for (double a = from; a <= to + 1e-9; a += 5) {
      const double t = a * std::numbers::pi / 180;
      found += Finds(name, colour, cx + rx * std::cos(t), cy - ry * std::sin(t), radius) ? 1 : 0;
      ++total;
    }
    return static_cast<double>(found) / total;
  }

  // Bounding box (in page points) of the pixels of `colour` inside a page
  // region given in points.
  bool ColourBox(const Colour& colour, double x0, double y0, double x1, double y1, double box[4]) const {
    bool any = false;
    for (int y = static_cast<int>(y0 * kPixelsPerPoint); y < y1 * kPixelsPerPoint; ++y) {
      for (int x = static_cast<int>(x0 * kPixelsPerPoint); x < x1 * kPixelsPerPoint; ++x) {
        int r, g, b;
        page.At(x, y, r, g, b);
        if (!colour(r, g, b)) continue;
        const double px = static_cast<double>(x) / kPixelsPerPoint;
        const double py = static_cast<double>(y) / kPixelsPerPoint;
        if (!any) {
          box[0] = box[2] = px;
          box[1] = box[3] = py;
          any = true;
        }
        box[0] = std::min(box[0], px);
        box[1] = std::min(box[1], py);
        box[2] = std::max(box[2], px);
        box[3] = std::max(box[3], py);
      }
    }
    return any;
  }

  std::shared_ptr<excel::Shape> Shape(const std::string& name) const {
    return app->Worksheets()->Item("Sheet1")->Shapes()->Item(name);
  }

  TempDir dir;
  std::shared_ptr<excel::Application> app;
  Raster page;
  pugi::xml_document drawing;
  double column_width = 0;
};

TEST_F(LibreOfficeRender, EveryShapeIsDrawnWhereItBelongsInItsColour) {
  // The marker sits on a column boundary of a plausible width.
  ASSERT_GT(column_width, 50.0);
  ASSERT_LT(column_width, 70.0);
  // Shapes anchored absolutely keep the sheet's geometry: the marker lands
  // on the 54-point columns the drawing was laid out on, although
  // LibreOffice, without the workbook's default font, makes its own columns
  // wider.
  EXPECT_NEAR(column_width, 54.0, 0.5);

  // Red line with arrowheads at both ends: wide near the ends only.
  for (double x = 60; x <= 220; x += 20) EXPECT_TRUE(Finds("Line 1", kRed, x, sc::kRedLineY)) << x;
  // A medium triangle is three line widths long and wide: 7 points from its
  // tip it is 3.5 points wide on either side, where the 3-point line is not.
  EXPECT_TRUE(Finds("Line 1", kRed, sc::kRedLineX1 + 7, sc::kRedLineY - 2.6, 1));
  EXPECT_TRUE(Finds("Line 1", kRed, sc::kRedLineX2 - 7, sc::kRedLineY + 2.6, 1));
  EXPECT_FALSE(Finds("Line 1", kRed, 140, sc::kRedLineY - 2.6, 1));
  EXPECT_FALSE(Finds("Line 1", kRed, 140, sc::kRedLineY + 2.6, 1));

  // Blue dashed line from the top right to the bottom left (not the mirror).
  int blue = 0, mirrored = 0;
  for (int i = 2; i <= 38; ++i) {
    const double t = i / 40.0;
    const double x = sc::kBlueFromX + t * (sc::kBlueToX - sc::kBlueFromX);
    const double y = sc::kBlueFromY + t * (sc::kBlueToY - sc::kBlueFromY);
    blue += Finds("Line 2", kBlue, x, y, 2) ? 1 : 0;
    if (i < 15 || i > 25) {
      mirrored += Finds("Line 2", kBlue, x, sc::kBlueFromY + sc::kBlueToY - y, 2) ? 1 : 0;
    }
  }
  EXPECT_GT(blue, 15);  // dashes ...
  EXPECT_LT(blue, 36);  // ... with gaps
  EXPECT_EQ(mirrored, 0);

  // Green oval outline without fill.
  const double ocx = sc::kOvalLeft + sc::kOvalWidth / 2, ocy = sc::kOvalTop + sc::kOvalHeight / 2;
  EXPECT_GT(OnEllipse("Oval 3", kGreen, ocx, ocy, sc::kOvalWidth / 2, sc::kOvalHeight / 2, 0, 355), 0.9);
  EXPECT_TRUE(Finds("Oval 3", kWhite, ocx, ocy, 0));

  // Yellow rectangle with its black outline.
  EXPECT_TRUE(Finds("Rectangle 4", kYellow, sc::kRectLeft + sc::kRectWidth / 2,
                    sc::kRectTop + sc::kRectHeight / 2, 0));
  EXPECT_TRUE(Finds("Rectangle 4", kBlack, sc::kRectLeft + sc::kRectWidth / 2, sc::kRectTop, 2));

  // Magenta arc from 30 to 200 degrees counter-clockwise, nothing elsewhere
  // on its circle, no fill.
  EXPECT_GT(OnEllipse("Arc 5", kMagenta, sc::kArcCx, sc::kArcCy, sc::kArcR, sc::kArcR, 35, 195), 0.95);
  EXPECT_EQ(OnEllipse("Arc 5", kMagenta, sc::kArcCx, sc::kArcCy, sc::kArcR, sc::kArcR, 215, 355), 0.0);
  EXPECT_TRUE(Finds("Arc 5", kWhite, sc::kArcCx, sc::kArcCy - sc::kArcR / 2, 0));

  // Cyan freeform: on the circle between its nodes too (1 point tolerance).
  EXPECT_EQ(OnEllipse("Freeform 6", kCyan, sc::kCurveCx, sc::kCurveCy, sc::kCurveR, sc::kCurveR, 185,
                      355, 2),
            1.0);
  EXPECT_EQ(OnEllipse("Freeform 6", kCyan, sc::kCurveCx, sc::kCurveCy, sc::kCurveR, sc::kCurveR, 20,
                      160),
            0.0);

  // The nested group was moved as one: its members are found at their new
  // place only.
  const double dx = sc::kGroupDx, dy = sc::kGroupDy;
  for (double x = sc::kGroupX1 + 10; x < sc::kGroupX2; x += 20) {
    EXPECT_TRUE(Finds("Line 10", kOrange, x + dx, sc::kInnerLineY + dy)) << x;
    EXPECT_TRUE(Finds("Line 13", kBlack, x + dx, sc::kOuterLineY + dy)) << x;
  }
  EXPECT_FALSE(Finds("Line 10", kOrange, (sc::kGroupX1 + sc::kGroupX2) / 2 + dx, sc::kInnerLineY, 2));
  const double r = sc::kInnerOvalSize / 2;
  EXPECT_GT(OnEllipse("Oval 11", kOrange, sc::kInnerOvalLeft + r + dx, sc::kInnerOvalTop + r + dy, r, r,
                      0, 355),
            0.9);
}

TEST_F(LibreOfficeRender, TextBoxesShowTheirTextInsideTheirBoxes) {
  struct Expect {
    const char* name;
    const Colour* colour;
    bool vertical;
  };
  for (const Expect& e : {Expect{"TextBox 7", &kRed, false}, Expect{"TextBox 8", &kBlue, true},
                          Expect{"TextBox 9", &kGreen, true}}) {
    SCOPED_TRACE(e.name);
    auto shape = Shape(e.name);
    const Placement p = PlacementOf(e.name);
    // Look around the box with a margin for the substitute fonts' metrics.
    double found[4];
    ASSERT_TRUE(ColourBox(*e.colour, p.page_x0 - 10, p.page_y0 - 10, p.page_x0 + shape->Width() * 1.6 + 10,
                          p.page_y0 + shape->Height() * 1.6 + 10, found));
    const double w = found[2] - found[0], h = found[3] - found[1];
    // Anchored absolutely, a self-sizing box that LibreOffice's substitute
    // font makes larger grows about its centre: its text may start a few
    // points before the box (half the difference of the font metrics).
    EXPECT_GE(found[0], p.page_x0 - 8);
    EXPECT_GE(found[1], p.page_y0 - 8);
    EXPECT_LT(found[0], p.page_x0 + 12);
    EXPECT_LT(found[1], p.page_y0 + 12);
    if (e.vertical) {
      EXPECT_GT(h, 2 * w);
      EXPECT_GT(h, 0.6 * shape->Height());
    } else {
      EXPECT_GT(w, h);
      EXPECT_GT(w, 0.6 * shape->Width());
      EXPECT_GT(h, 0.6 * shape->Height());  // both paragraphs
    }
  }
}

}  // namespace
