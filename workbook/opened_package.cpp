#include "workbook/opened_package.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "excel/excel_automation.h"
#include "workbook/cell_reference.h"
#include "workbook/package_xml.h"
#include "workbook/xls/xls_opened_workbook.h"

namespace ovix::workbook {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kStrictOfficeDocument =
    "http://purl.oclc.org/ooxml/officeDocument/relationships/officeDocument";
constexpr double kPointsPerInch = 72.0;

[[noreturn]] void Fail(const std::string& workbook, const std::string& what) {
  throw excel::AutomationError("cannot open the workbook \"" + workbook + "\": " + what);
}

const std::string& PartData(const OpenedPackage& package, const std::string& part, const std::string& what) {
  const PackagePart* p = package.contents.Find(part);
  if (p == nullptr) Fail(package.display_name, what + " " + part + " is missing from the package");
  return p->data();
}

std::vector<Relationship> ReadRelationships(const OpenedPackage& package, const std::string& rels_part) {
  const PackagePart* p = package.contents.Find(rels_part);
  if (p == nullptr) return {};
  pugi::xml_document doc;
  ParseXmlPart(doc, p->data(), rels_part, package.display_name);
  return ParseRelationships(doc);
}

pugi::xml_node Child(pugi::xml_node node, std::string_view local) {
  for (pugi::xml_node c : node.children()) {
    if (c.type() == pugi::node_element && LocalName(c) == local) return c;
  }
  return {};
}

double AttrDouble(pugi::xml_node node, const char* name, double fallback) {
  const pugi::xml_attribute a = node.attribute(name);
  if (!a) return fallback;
  char* end = nullptr;
  const double v = std::strtod(a.value(), &end);
  return end != a.value() && std::isfinite(v) ? v : fallback;
}

// A whole number attribute, clamped to [low, high] (values from a file may be
// anything).
int64_t AttrInt(pugi::xml_node node, const char* name, int64_t fallback, int64_t low, int64_t high) {
  const double v = AttrDouble(node, name, static_cast<double>(fallback));
  if (v <= static_cast<double>(low)) return low;
  if (v >= static_cast<double>(high)) return high;
  return static_cast<int64_t>(v);
}

bool AttrBool(pugi::xml_node node, const char* name) {
  const std::string_view v = node.attribute(name).value();
  return v == "1" || v == "true";
}

}  // namespace

// Pixels of a column `width` characters wide, for the default font's widest
// digit `mdw` pixels (the rule the spreadsheet application stores widths by).
int64_t ColumnPixels(double width, int mdw) {
  if (!(width > 0)) return 0;
  return static_cast<int64_t>(std::trunc((256.0 * width + std::trunc(128.0 / mdw)) / 256.0 * mdw));
}

// The widest digit of the default font, in pixels at 96 dpi. Known fonts
// from the spreadsheet application's own column widths; others estimated as
// half the font's em.
int MaxDigitWidth(const std::string& font, double size) {
  struct Known {
    const char* name;
    double size;
    int mdw;
  };
  static const Known kKnown[] = {
      {"Calibri", 11, 7},
      {"ＭＳ Ｐゴシック", 11, 8},
      {"MS PGothic", 11, 8},
      {"Arial", 10, 7},
  };
  for (const Known& k : kKnown) {
    if (font == k.name && std::fabs(size - k.size) < 0.01) return k.mdw;
  }
  if (!(size > 0) || size > 400) size = 11;
  return std::max(1, static_cast<int>(std::lround(size * 96.0 / 72.0 * 0.5)));
}

static int ReadMaxDigitWidth(const OpenedPackage& package, const std::vector<Relationship>& workbook_rels) {
  for (const Relationship& r : workbook_rels) {
    if (r.type != reltype::kStyles || r.external) continue;
    const std::string part = ResolveTarget(package.workbook_part, r.target);
    const PackagePart* p = package.contents.Find(part);
    if (p == nullptr) break;
    pugi::xml_document doc;
    ParseXmlPart(doc, p->data(), part, package.display_name);
    const pugi::xml_node font = Child(Child(doc.document_element(), "fonts"), "font");
    const std::string name = Child(font, "name").attribute("val").value();
    const double size = AttrDouble(Child(font, "sz"), "val", 11);
    return MaxDigitWidth(name, size);
  }
  return 7;
}

// "&LLeft&CCentre&RRight" into its sections; text before any section code
// is centred. "&&" is a literal ampersand and stays as written.
void SplitHeaderFooter(const std::string& text, std::string& left, std::string& center, std::string& right) {
  left.clear();
  center.clear();
  right.clear();
  std::string* section = &center;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) {
      const char code = text[i + 1];
      if (code == 'L' || code == 'C' || code == 'R') {
        section = code == 'L' ? &left : code == 'C' ? &center : &right;
        ++i;
        continue;
      }
      // Another code (or "&&"): kept whole.
      section->append(text, i, 2);
      ++i;
      continue;
    }
    section->push_back(text[i]);
  }
}

namespace {

// A defined name's references ("Sheet1!$A$1:$B$2,Sheet1!$1:$1") without the
// sheet name, or nothing when an item is not a plain reference of the sheet.
std::optional<std::vector<CellReference>> SheetReferences(const std::string& value) {
  std::vector<CellReference> refs;
  size_t pos = 0;
  while (pos <= value.size()) {
    size_t comma = value.find(',', pos);
    if (comma == std::string::npos) comma = value.size();
    std::string item = value.substr(pos, comma - pos);
    pos = comma + 1;
    const size_t bang = item.rfind('!');
    if (bang != std::string::npos) item = item.substr(bang + 1);
    const auto ref = ParseCellReference(item);
    if (!ref) return std::nullopt;
    refs.push_back(*ref);
  }
  return refs;
}

std::string JoinAbsolute(const std::vector<CellReference>& refs) {
  std::string out;
  for (const CellReference& r : refs) {
    if (!out.empty()) out += ",";
    out += r.Absolute();
  }
  return out;
}

void ReadDefinedNames(pugi::xml_node workbook, size_t index, PageSetupValues& page) {
  const std::string local_id = std::to_string(index);
  for (pugi::xml_node dn : Child(workbook, "definedNames").children()) {
    if (dn.type() != pugi::node_element || LocalName(dn) != "definedName") continue;
    if (local_id != dn.attribute("localSheetId").value()) continue;
    const std::string name = dn.attribute("name").value();
    const auto refs = SheetReferences(dn.text().get());
    if (name == "_xlnm.Print_Area") {
      // A print area that is not plain references is kept as written.
      page.print_area = refs ? JoinAbsolute(*refs) : dn.text().get();
    } else if (name == "_xlnm.Print_Titles" && refs) {
      std::vector<CellReference> rows, columns;
      for (const CellReference& r : *refs) {
        (r.kind == CellReference::Kind::kColumns ? columns : rows).push_back(r);
      }
      page.print_title_rows = JoinAbsolute(rows);
      page.print_title_columns = JoinAbsolute(columns);
    }
  }
}

void ReadPageSetup(pugi::xml_node sheet, PageSetupValues& page) {
  if (pugi::xml_node m = Child(sheet, "pageMargins")) {
    page.left_margin = AttrDouble(m, "left", 0.7) * kPointsPerInch;
    page.right_margin = AttrDouble(m, "right", 0.7) * kPointsPerInch;
    page.top_margin = AttrDouble(m, "top", 0.75) * kPointsPerInch;
    page.bottom_margin = AttrDouble(m, "bottom", 0.75) * kPointsPerInch;
    page.header_margin = AttrDouble(m, "header", 0.3) * kPointsPerInch;
    page.footer_margin = AttrDouble(m, "footer", 0.3) * kPointsPerInch;
  }
  const pugi::xml_node p = Child(sheet, "pageSetup");
  // Absent attributes take their schema defaults (paper 1, scale 100, ...).
  page.paper_size = static_cast<int32_t>(AttrInt(p, "paperSize", 1, 0, INT32_MAX));
  page.zoom = static_cast<int32_t>(AttrInt(p, "scale", 100, 0, INT32_MAX));
  page.orientation = std::string_view(p.attribute("orientation").value()) == "landscape" ? excel::kLandscape
                                                                                          : excel::kPortrait;
  page.order = std::string_view(p.attribute("pageOrder").value()) == "overThenDown" ? excel::kOverThenDown
                                                                                    : excel::kDownThenOver;
  page.black_and_white = AttrBool(p, "blackAndWhite");
  page.draft = AttrBool(p, "draft");
  const std::string_view comments = p.attribute("cellComments").value();
  page.print_comments = comments == "asDisplayed" ? excel::kPrintInPlace
                        : comments == "atEnd"     ? excel::kPrintSheetEnd
                                                  : excel::kPrintNoComments;
  page.first_page_number = AttrBool(p, "useFirstPageNumber")
                               ? static_cast<int32_t>(AttrInt(p, "firstPageNumber", 1, INT32_MIN, INT32_MAX))
                               : excel::kAutomatic;
  const pugi::xml_node o = Child(sheet, "printOptions");
  page.center_horizontally = AttrBool(o, "horizontalCentered");
  page.center_vertically = AttrBool(o, "verticalCentered");
  page.print_headings = AttrBool(o, "headings");
  page.print_gridlines = AttrBool(o, "gridLines");
  const pugi::xml_node hf = Child(sheet, "headerFooter");
  SplitHeaderFooter(Child(hf, "oddHeader").text().get(), page.left_header, page.center_header,
                    page.right_header);
  SplitHeaderFooter(Child(hf, "oddFooter").text().get(), page.left_footer, page.center_footer,
                    page.right_footer);
}

SheetGrid ReadGrid(pugi::xml_node sheet, int mdw) {
  const pugi::xml_node format = Child(sheet, "sheetFormatPr");
  const double default_row_points = AttrDouble(format, "defaultRowHeight", mdw >= 8 ? 13.5 : 15.0);
  int64_t row_emu = AttrBool(format, "zeroHeight") ? 0 : PointsToEmu(std::max(default_row_points, 0.0));
  int64_t column_px;
  if (format.attribute("defaultColWidth")) {
    column_px = ColumnPixels(AttrDouble(format, "defaultColWidth", 8.43), mdw);
  } else {
    // baseColWidth digits plus the cell's padding, rounded up to 8 pixels.
    const double base = AttrDouble(format, "baseColWidth", 8);
    column_px = (static_cast<int64_t>(std::max(base, 0.0) * mdw + 5) + 7) / 8 * 8;
  }
  std::vector<GridSpan> columns;
  for (pugi::xml_node cols : sheet.children()) {
   if (cols.type() != pugi::node_element || LocalName(cols) != "cols") continue;
   for (pugi::xml_node col : cols.children()) {
    if (col.type() != pugi::node_element || LocalName(col) != "col") continue;
    const int64_t min = AttrInt(col, "min", 0, 0, SheetGrid::kColumnCount + 1);
    const int64_t max = AttrInt(col, "max", min, 0, SheetGrid::kColumnCount + 1);
    if (min < 1 || max < min) continue;
    int64_t px = col.attribute("width") ? ColumnPixels(AttrDouble(col, "width", 0), mdw) : column_px;
    if (AttrBool(col, "hidden")) px = 0;
    columns.push_back({static_cast<int32_t>(std::min<int64_t>(min - 1, SheetGrid::kColumnCount)),
                       static_cast<int32_t>(std::min<int64_t>(max - 1, SheetGrid::kColumnCount)),
                       px * kEmuPerPixel});
   }
  }
  std::vector<GridSpan> rows;
  int64_t previous = 0;
  for (pugi::xml_node row : Child(sheet, "sheetData").children()) {
    if (row.type() != pugi::node_element || LocalName(row) != "row") continue;
    const int64_t r = AttrInt(row, "r", previous + 1, 0, SheetGrid::kRowCount + 1);
    previous = r;
    if (r < 1 || r > SheetGrid::kRowCount) continue;
    const bool hidden = AttrBool(row, "hidden");
    if (!hidden && !row.attribute("ht")) continue;
    const int64_t emu = hidden ? 0 : PointsToEmu(std::max(AttrDouble(row, "ht", default_row_points), 0.0));
    rows.push_back({static_cast<int32_t>(r - 1), static_cast<int32_t>(r - 1), emu});
  }
  return SheetGrid(GridAxis(SheetGrid::kColumnCount, column_px * kEmuPerPixel, std::move(columns)),
                   GridAxis(SheetGrid::kRowCount, row_emu, std::move(rows)));
}

}  // namespace

std::shared_ptr<WorkbookState> OpenXlsxWorkbook(const fs::path& path) {
  auto package = std::make_shared<OpenedPackage>();
  package->display_name = path.string();
  std::string extension = path.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  package->extension = extension;
  package->contents = ReadZipPackage(path);
  const std::string& name = package->display_name;

  {
    pugi::xml_document types;
    ParseXmlPart(types, PartData(*package, "[Content_Types].xml", "the content types part"),
                 "[Content_Types].xml", name);
  }
  if (!package->contents.Contains("_rels/.rels")) {
    Fail(name, "the package's relationships (_rels/.rels) are missing: it is not an Office Open XML workbook");
  }
  for (const Relationship& r : ReadRelationships(*package, "_rels/.rels")) {
    if (r.type == kStrictOfficeDocument) {
      Fail(name, "it is saved in the Strict Open XML format, which this engine cannot edit");
    }
    if (r.type == reltype::kOfficeDocument && !r.external && package->workbook_part.empty()) {
      package->workbook_part = ResolveTarget("", r.target);
    }
  }
  if (package->workbook_part.empty()) Fail(name, "the package names no workbook part");
  pugi::xml_document workbook;
  ParseXmlPart(workbook, PartData(*package, package->workbook_part, "the workbook part"),
               package->workbook_part, name);
  const pugi::xml_node root = workbook.document_element();
  if (NamespaceOf(root) == ns::kStrictSpreadsheet) {
    Fail(name, "it is saved in the Strict Open XML format, which this engine cannot edit");
  }
  if (!Is(root, ns::kSpreadsheet, "workbook")) Fail(name, "its main part is not a spreadsheet workbook");

  const std::vector<Relationship> rels =
      ReadRelationships(*package, RelationshipsPartFor(package->workbook_part));
  std::unordered_map<std::string, const Relationship*> by_id;
  for (const Relationship& r : rels) by_id.emplace(r.id, &r);
  package->max_digit_width = ReadMaxDigitWidth(*package, rels);

  auto book = std::make_shared<WorkbookState>();
  book->name = path.filename().string();
  book->full_name = path.string();
  book->saved = true;
  size_t index = 0;
  const size_t active_tab =
      static_cast<size_t>(AttrInt(Child(Child(root, "bookViews"), "workbookView"), "activeTab", 0, 0, INT32_MAX));
  for (pugi::xml_node s : Child(root, "sheets").children()) {
    if (s.type() != pugi::node_element || LocalName(s) != "sheet") continue;
    const size_t position = index++;
    const auto it = by_id.find(AttributeIn(s, ns::kRelationships, "id").value());
    // Chart sheets, dialog and macro sheets are kept but are not worksheets.
    if (it == by_id.end() || it->second->type != reltype::kWorksheet || it->second->external) continue;
    const std::string part = ResolveTarget(package->workbook_part, it->second->target);
    const std::string sheet_name = s.attribute("name").value();
    if (part.empty() || !package->contents.Contains(part)) {
      Fail(name, "the sheet \"" + sheet_name + "\" refers to the part " + it->second->target +
                     ", which is not in the package");
    }
    auto sheet = std::make_unique<SheetState>();
    sheet->name = sheet_name;
    sheet->source = std::make_shared<SheetSource>();
    sheet->source->part = part;
    sheet->source->workbook_index = position;
    ReadDefinedNames(root, position, sheet->page);
    if (position == active_tab) book->active_sheet = book->sheets.size();
    book->sheets.push_back(std::move(sheet));
  }
  book->package = std::move(package);
  return book;
}

void EnsureSheetLoaded(const WorkbookState& book, SheetState& sheet) {
  if (!sheet.source || sheet.source->loaded) return;
  if (book.legacy) {
    xls::LoadXlsSheet(book, sheet);
    return;
  }
  const OpenedPackage& package = *book.package;
  SheetSource& source = *sheet.source;
  pugi::xml_document doc;
  ParseXmlPart(doc, PartData(package, source.part, "the sheet part"), source.part, package.display_name);
  const pugi::xml_node root = doc.document_element();
  if (!Is(root, ns::kSpreadsheet, "worksheet")) {
    Fail(package.display_name, "the part " + source.part + " of the sheet \"" + sheet.name +
                                   "\" is not a worksheet");
  }
  source.grid.emplace(ReadGrid(root, package.max_digit_width));
  ReadPageSetup(root, sheet.page);

  auto drawing = std::make_shared<LoadedDrawing>();
  if (pugi::xml_node d = Child(root, "drawing"); d && NamespaceOf(d) == ns::kSpreadsheet) {
    const std::string id = AttributeIn(d, ns::kRelationships, "id").value();
    const std::string rels_part = RelationshipsPartFor(source.part);
    if (!package.contents.Contains(rels_part)) {
      Fail(package.display_name, "the sheet \"" + sheet.name + "\" has a drawing but its relationships part " +
                                     rels_part + " is missing");
    }
    const Relationship* found = nullptr;
    const std::vector<Relationship> rels = ReadRelationships(package, rels_part);
    for (const Relationship& r : rels) {
      if (r.id == id) found = &r;
    }
    if (found == nullptr || found->external || found->type != reltype::kDrawing) {
      Fail(package.display_name, "the drawing of the sheet \"" + sheet.name + "\" (relationship \"" + id +
                                     "\") is not among the sheet's relationships");
    }
    const std::string part = ResolveTarget(source.part, found->target);
    const PackagePart* data = package.contents.Find(part);
    if (part.empty() || data == nullptr) {
      Fail(package.display_name, "the drawing of the sheet \"" + sheet.name + "\" points to " + found->target +
                                     ", which is not in the package");
    }
    source.drawing_part = data->name();
    LoadDrawingShapes(data->data(), data->name(), package.display_name, *source.grid, sheet.drawing, *drawing);
  }
  source.drawing = std::move(drawing);
  source.loaded_page = sheet.page;
  source.loaded = true;
}

const SheetGrid& GridOf(const SheetState& sheet) {
  static const SheetGrid kNewSheetGrid;
  return sheet.source && sheet.source->grid ? *sheet.source->grid : kNewSheetGrid;
}

}  // namespace ovix::workbook
