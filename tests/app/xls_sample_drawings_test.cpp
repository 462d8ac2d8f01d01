// Every shared drawing converts on the command line to .xls as well as to
// .xlsx; the two workbooks hold the same shapes (by name, so by kind), and
// every shape sits in the .xls where it sits in the .xlsx, to within a pixel
// of the default grid (72-pixel columns, 18-pixel rows).
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>
#include <numbers>

#include "tests/support/shared_files.h"
#include "tests/workbook/external_tools.h"
#include "tests/workbook/package_reader.h"
#include "tests/workbook/xls/xls_file_reader.h"

namespace ovix::testing {
namespace {

namespace fs = std::filesystem;

constexpr double kEmuPerPixel = 9525;
constexpr double kColumnPixels = 72, kRowPixels = 18;

struct PixelBox {
  double x0, y0, x1, y1;
};

// --- .xlsx --------------------------------------------------------------

struct PackageShapes {
  std::map<std::string, PixelBox> boxes;  // leaves only
  std::multiset<std::string> names;       // every shape
};

double CellPixel(pugi::xml_node p, const char* cell, const char* offset, double size) {
  return p.child(cell).text().as_double() * size + p.child(offset).text().as_double() / kEmuPerPixel;
}

// A preset arc's own box: the part of its ellipse from adj1 clockwise to
// adj2 (angles in 60,000ths of a degree).
PixelBox PresetArcBox(pugi::xml_node sp, const PixelBox& ellipse) {
  double adj[2] = {0, 0};
  int i = 0;
  for (pugi::xml_node gd : sp.child("xdr:spPr").child("a:prstGeom").child("a:avLst").children("a:gd")) {
    if (i < 2) adj[i++] = std::stod(std::string(gd.attribute("fmla").value()).substr(4)) / 60000.0;
  }
  double sweep = std::fmod(adj[1] - adj[0] + 720.0, 360.0);
  if (sweep == 0) sweep = 360;
  const double cx = (ellipse.x0 + ellipse.x1) / 2, cy = (ellipse.y0 + ellipse.y1) / 2;
  const double rx = (ellipse.x1 - ellipse.x0) / 2, ry = (ellipse.y1 - ellipse.y0) / 2;
  PixelBox box{1e18, 1e18, -1e18, -1e18};
  for (int k = 0; k <= 3600; ++k) {
    const double t = (adj[0] + sweep * k / 3600) * std::numbers::pi / 180;
    const double x = cx + rx * std::cos(t), y = cy + ry * std::sin(t);
    box = {std::min(box.x0, x), std::min(box.y0, y), std::max(box.x1, x), std::max(box.y1, y)};
  }
  return box;
}

void CollectPackage(pugi::xml_node shape, double dx, double dy, const PixelBox* anchor, PackageShapes& out) {
  const std::string element = shape.name();
  const bool group = element == "xdr:grpSp";
  const pugi::xml_node nv = shape.first_child().first_child();  // cNvPr
  const std::string name = nv.attribute("name").value();
  out.names.insert(name);
  const pugi::xml_node xfrm =
      group ? shape.child("xdr:grpSpPr").child("a:xfrm") : shape.child("xdr:spPr").child("a:xfrm");
  const double x = xfrm.child("a:off").attribute("x").as_double() / kEmuPerPixel + dx;
  const double y = xfrm.child("a:off").attribute("y").as_double() / kEmuPerPixel + dy;
  const double w = xfrm.child("a:ext").attribute("cx").as_double() / kEmuPerPixel;
  const double h = xfrm.child("a:ext").attribute("cy").as_double() / kEmuPerPixel;
  PixelBox box = anchor != nullptr ? *anchor : PixelBox{x, y, x + w, y + h};
  if (group) {
    // Members are in the group's child space: identity plus a shift.
    const double cx = xfrm.child("a:chOff").attribute("x").as_double() / kEmuPerPixel;
    const double cy = xfrm.child("a:chOff").attribute("y").as_double() / kEmuPerPixel;
    for (pugi::xml_node child : shape.children()) {
      const std::string n = child.name();
      if (n == "xdr:sp" || n == "xdr:cxnSp" || n == "xdr:grpSp") CollectPackage(child, box.x0 - cx, box.y0 - cy, nullptr, out);
    }
    return;
  }
  if (std::string(shape.child("xdr:spPr").child("a:prstGeom").attribute("prst").value()) == "arc") {
    box = PresetArcBox(shape, box);
  }
  out.boxes[name] = box;
}

PackageShapes ReadPackageShapes(const fs::path& xlsx) {
  PackageShapes out;
  const auto parts = ReadPackage(xlsx);
  const auto it = parts.find("xl/drawings/drawing1.xml");
  if (it == parts.end()) return out;
  pugi::xml_document doc;
  EXPECT_TRUE(doc.load_string(it->second.c_str()));
  for (pugi::xml_node anchor : doc.child("xdr:wsDr").children()) {
    const std::string kind = anchor.name();
    PixelBox cells;
    if (kind == "xdr:twoCellAnchor") {
      cells = {CellPixel(anchor.child("xdr:from"), "xdr:col", "xdr:colOff", kColumnPixels),
               CellPixel(anchor.child("xdr:from"), "xdr:row", "xdr:rowOff", kRowPixels),
               CellPixel(anchor.child("xdr:to"), "xdr:col", "xdr:colOff", kColumnPixels),
               CellPixel(anchor.child("xdr:to"), "xdr:row", "xdr:rowOff", kRowPixels)};
    } else if (kind == "xdr:absoluteAnchor") {
      // A new sheet's shapes sit at absolute places, in EMU.
      const double x = anchor.child("xdr:pos").attribute("x").as_double() / kEmuPerPixel;
      const double y = anchor.child("xdr:pos").attribute("y").as_double() / kEmuPerPixel;
      cells = {x, y, x + anchor.child("xdr:ext").attribute("cx").as_double() / kEmuPerPixel,
               y + anchor.child("xdr:ext").attribute("cy").as_double() / kEmuPerPixel};
    } else {
      continue;
    }
    for (pugi::xml_node shape : anchor.children()) {
      const std::string n = shape.name();
      if (n == "xdr:sp" || n == "xdr:cxnSp") CollectPackage(shape, 0, 0, &cells, out);
      if (n == "xdr:grpSp") {
        // The group's own offset is where its anchor puts it.
        const pugi::xml_node off = shape.child("xdr:grpSpPr").child("a:xfrm").child("a:off");
        CollectPackage(shape, cells.x0 - off.attribute("x").as_double() / kEmuPerPixel,
                       cells.y0 - off.attribute("y").as_double() / kEmuPerPixel, nullptr, out);
      }
    }
  }
  return out;
}

// --- .xls ---------------------------------------------------------------

void CollectLegacy(const xls::ArtShape& s, const std::function<PixelBox(const std::vector<int32_t>&)>& map,
                   PackageShapes& out) {
  out.names.insert(s.name);
  if (s.group) {
    for (const xls::ArtShape& c : s.children) CollectLegacy(c, map, out);
    return;
  }
  out.boxes[s.name] = map(s.child_anchor);
}

PackageShapes ReadLegacyShapes(const fs::path& path) {
  PackageShapes out;
  const xls::XlsFile file = xls::ReadXlsFile(path);
  if (file.sheets.empty()) return out;
  for (const xls::ArtShape& s : xls::ReadSheetDrawing(file.sheets[0]).shapes) {
    const auto& a = s.client_anchor;
    EXPECT_EQ(a.size(), 9u) << s.name;
    if (a.size() != 9) continue;
    const PixelBox cells{a[1] * kColumnPixels + a[2] / 1024.0 * kColumnPixels, a[3] * kRowPixels + a[4] / 256.0 * kRowPixels,
                         a[5] * kColumnPixels + a[6] / 1024.0 * kColumnPixels, a[7] * kRowPixels + a[8] / 256.0 * kRowPixels};
    if (!s.group) {
      out.names.insert(s.name);
      out.boxes[s.name] = cells;
      continue;
    }
    // Members: the group's box in child units stretched onto its cells.
    const auto& g = s.group_box;
    const double sx = (cells.x1 - cells.x0) / std::max(1, g[2] - g[0]);
    const double sy = (cells.y1 - cells.y0) / std::max(1, g[3] - g[1]);
    CollectLegacy(s, [&](const std::vector<int32_t>& c) {
      return PixelBox{cells.x0 + (c.at(0) - g[0]) * sx, cells.y0 + (c.at(1) - g[1]) * sy,
                      cells.x0 + (c.at(2) - g[0]) * sx, cells.y0 + (c.at(3) - g[1]) * sy};
    }, out);
  }
  return out;
}

TEST(XlsSampleDrawings, EverySharedDrawingConvertsToXlsWithTheSameShapesInTheSamePlaces) {
  OVIX_REQUIRE_SHARED(samples, "dxf-samples");
  TempDir dir;
  int converted = 0;
  size_t compared = 0;
  for (const auto& entry : fs::directory_iterator(samples)) {
    std::string ext = entry.path().extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    if (ext != ".dxf") continue;
    SCOPED_TRACE(entry.path().filename().string());
    const fs::path xlsx = dir / "drawing.xlsx";
    const fs::path xls = dir / "drawing.xls";
    fs::remove(xlsx);
    fs::remove(xls);
    const std::string input = ShellQuote(entry.path().string());
    const CommandResult a = RunCommand(ShellQuote(OVIX_CONVERT_PATH) + " " + input + " " + ShellQuote(xlsx.string()) + " 2>&1");
    const CommandResult b = RunCommand(ShellQuote(OVIX_CONVERT_PATH) + " " + input + " " + ShellQuote(xls.string()) + " 2>&1");
    EXPECT_EQ(a.exit_code, b.exit_code) << a.output << b.output;
    if (!fs::exists(xlsx)) continue;  // a drawing the run refuses, in both formats
    ASSERT_TRUE(fs::exists(xls)) << b.output;
    ++converted;
    const PackageShapes package = ReadPackageShapes(xlsx);
    const PackageShapes legacy = ReadLegacyShapes(xls);
    EXPECT_EQ(legacy.names, package.names);
    int far = 0;
    for (const auto& [name, box] : package.boxes) {
      const auto it = legacy.boxes.find(name);
      if (it == legacy.boxes.end()) continue;  // reported by the names above
      const PixelBox& l = it->second;
      ++compared;
      const double d = std::max({std::fabs(l.x0 - box.x0), std::fabs(l.y0 - box.y0), std::fabs(l.x1 - box.x1),
                                 std::fabs(l.y1 - box.y1)});
      if (d > 1.0 && ++far <= 5) {
        ADD_FAILURE() << name << " is " << d << " pixels away: .xls (" << l.x0 << ", " << l.y0 << ")-(" << l.x1
                      << ", " << l.y1 << "), .xlsx (" << box.x0 << ", " << box.y0 << ")-(" << box.x1 << ", "
                      << box.y1 << ")";
      }
    }
    EXPECT_EQ(far, 0);
  }
  EXPECT_GT(converted, 10);
  EXPECT_GT(compared, 1000u);
  std::cout << converted << " drawings, " << compared << " shapes compared\n";
}

}  // namespace
}  // namespace ovix::testing
