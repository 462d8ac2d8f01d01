// Saving an opened workbook: every part goes back as it was read, except
// those the engine's changes reach:
//  - a sheet's drawing part, rewritten when its shapes changed (or a new
//    part, xl/drawings/drawingN.xml with the first free N, for a sheet that
//    had none);
//  - for a new drawing part: its content-type override, the sheet's
//    relationship to it (in the sheet's relationships part, created when
//    missing) and the <drawing> element in the sheet, at its schema position;
//  - the sheet's page setup elements, when the page setup was changed (only
//    the changed attributes are set; the rest stays as written);
//  - the workbook part's defined names, when a print area or print titles
//    were changed.
// Edited XML parts keep everything else they held (see package_xml.h).
#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>

#include "excel/excel_automation.h"
#include "workbook/opened_package.h"
#include "workbook/package_xml.h"
#include "workbook/xlsx_parts.h"
#include "workbook/xlsx_writer.h"
#include "workbook/zip_package.h"

namespace ovix::workbook {

namespace fs = std::filesystem;

namespace {

constexpr double kPointsPerInch = 72.0;

// The children of <worksheet> in schema order. mc:AlternateContent at this
// level wraps oleObjects or controls and ranks with them.
constexpr std::string_view kWorksheetOrder[] = {
    "sheetPr", "dimension", "sheetViews", "sheetFormatPr", "cols", "sheetData", "sheetCalcPr",
    "sheetProtection", "protectedRanges", "scenarios", "autoFilter", "sortState", "dataConsolidate",
    "customSheetViews", "mergeCells", "phoneticPr", "conditionalFormatting", "dataValidations",
    "hyperlinks", "printOptions", "pageMargins", "pageSetup", "headerFooter", "rowBreaks", "colBreaks",
    "customProperties", "cellWatches", "ignoredErrors", "smartTags", "drawing", "legacyDrawing",
    "legacyDrawingHF", "drawingHF", "picture", "oleObjects", "controls", "webPublishItems", "tableParts",
    "extLst"};

constexpr std::string_view kWorkbookOrder[] = {
    "fileVersion", "fileSharing", "workbookPr", "workbookProtection", "bookViews", "sheets",
    "functionGroups", "externalReferences", "definedNames", "calcPr", "oleSize", "customWorkbookViews",
    "pivotCaches", "smartTagPr", "smartTagTypes", "webPublishing", "fileRecoveryPr", "webPublishObjects",
    "extLst"};

template <size_t N>
int Rank(const std::string_view (&order)[N], std::string_view local) {
  for (size_t i = 0; i < N; ++i) {
    if (order[i] == local) return static_cast<int>(i);
  }
  return -1;
}

std::string PrefixedName(pugi::xml_node root, std::string_view local) {
  std::string_view name = root.name();
  const size_t colon = name.find(':');
  return colon == std::string_view::npos ? std::string(local)
                                         : std::string(name.substr(0, colon + 1)) + std::string(local);
}

pugi::xml_node Child(pugi::xml_node node, std::string_view local) {
  for (pugi::xml_node c : node.children()) {
    if (c.type() == pugi::node_element && LocalName(c) == local) return c;
  }
  return {};
}

// The child `local` of `root` in its namespace; created at its place in
// `order` when missing.
template <size_t N>
pugi::xml_node ChildAtPosition(pugi::xml_node root, const std::string_view (&order)[N], std::string_view local) {
  if (pugi::xml_node existing = Child(root, local)) return existing;
  const int rank = Rank(order, local);
  const std::string_view root_ns = NamespaceOf(root);
  for (pugi::xml_node c : root.children()) {
    if (c.type() != pugi::node_element) continue;
    int r = -1;
    if (Is(c, ns::kMarkupCompatibility, "AlternateContent")) {
      r = Rank(order, "oleObjects");
    } else if (NamespaceOf(c) == root_ns) {
      r = Rank(order, LocalName(c));
    }
    if (r > rank) return root.insert_child_before(PrefixedName(root, local).c_str(), c);
  }
  return root.append_child(PrefixedName(root, local).c_str());
}

// A prefix bound to `uri` at `root`, declaring one on `root` when none is.
std::string EnsurePrefix(pugi::xml_node root, std::string_view uri, const std::string& preferred) {
  std::string prefix;
  if (PrefixFor(root, uri, prefix) && !prefix.empty()) return prefix;
  std::string candidate = preferred;
  for (int n = 1; root.attribute(("xmlns:" + candidate).c_str()); ++n) candidate = preferred + std::to_string(n);
  root.append_attribute(("xmlns:" + candidate).c_str()).set_value(std::string(uri).c_str());
  return candidate;
}

void SetFlag(pugi::xml_node node, const char* name, bool value) {
  if (value) {
    pugi::xml_attribute a = node.attribute(name);
    if (!a) a = node.append_attribute(name);
    a.set_value("1");
  } else {
    node.remove_attribute(name);
  }
}

void SetText(pugi::xml_node node, const char* name, const std::string& value) {
  pugi::xml_attribute a = node.attribute(name);
  if (!a) a = node.append_attribute(name);
  a.set_value(value.c_str());
}

std::string Inches(double points) {
  XmlBuffer b;
  b.Double(std::round(points / kPointsPerInch * 1e9) / 1e9);
  return b.str();
}

std::string HeaderFooterText(const std::string& left, const std::string& center, const std::string& right) {
  std::string text;
  if (!left.empty()) text += "&L" + left;
  if (!center.empty()) text += "&C" + center;
  if (!right.empty()) text += "&R" + right;
  return text;
}

// oddHeader or oddFooter of <headerFooter>: set, or removed when empty.
void SetHeaderFooterPart(pugi::xml_node hf, const char* local, const std::string& text) {
  pugi::xml_node node = Child(hf, local);
  if (text.empty()) {
    if (node) hf.remove_child(node);
    return;
  }
  if (!node) {
    // oddHeader comes first, oddFooter after it.
    pugi::xml_node header = Child(hf, "oddHeader");
    const std::string name = PrefixedName(hf, local);
    if (std::string_view(local) == "oddHeader" || !header) {
      node = hf.prepend_child(name.c_str());
    } else {
      node = hf.insert_child_after(name.c_str(), header);
    }
  }
  node.remove_children();
  node.append_child(pugi::node_pcdata).set_value(text.c_str());
}

const char* CellComments(int32_t value) {
  switch (value) {
    case excel::kPrintInPlace: return "asDisplayed";
    case excel::kPrintSheetEnd: return "atEnd";
    default: return "none";
  }
}

// Sets what changed between `was` and `now` in the sheet's page elements.
// Returns true when anything was set.
bool EditPageSetup(pugi::xml_node root, const PageSetupValues& was, const PageSetupValues& now) {
  bool edited = false;
  if (was.center_horizontally != now.center_horizontally || was.center_vertically != now.center_vertically ||
      was.print_headings != now.print_headings || was.print_gridlines != now.print_gridlines) {
    pugi::xml_node o = ChildAtPosition(root, kWorksheetOrder, "printOptions");
    SetFlag(o, "horizontalCentered", now.center_horizontally);
    SetFlag(o, "verticalCentered", now.center_vertically);
    SetFlag(o, "headings", now.print_headings);
    SetFlag(o, "gridLines", now.print_gridlines);
    if (now.print_gridlines) SetFlag(o, "gridLinesSet", true);
    edited = true;
  }
  if (was.left_margin != now.left_margin || was.right_margin != now.right_margin ||
      was.top_margin != now.top_margin || was.bottom_margin != now.bottom_margin ||
      was.header_margin != now.header_margin || was.footer_margin != now.footer_margin) {
    pugi::xml_node m = ChildAtPosition(root, kWorksheetOrder, "pageMargins");
    SetText(m, "left", Inches(now.left_margin));
    SetText(m, "right", Inches(now.right_margin));
    SetText(m, "top", Inches(now.top_margin));
    SetText(m, "bottom", Inches(now.bottom_margin));
    SetText(m, "header", Inches(now.header_margin));
    SetText(m, "footer", Inches(now.footer_margin));
    edited = true;
  }
  if (was.paper_size != now.paper_size || was.zoom != now.zoom || was.orientation != now.orientation ||
      was.order != now.order || was.black_and_white != now.black_and_white || was.draft != now.draft ||
      was.print_comments != now.print_comments || was.first_page_number != now.first_page_number) {
    pugi::xml_node p = ChildAtPosition(root, kWorksheetOrder, "pageSetup");
    if (was.paper_size != now.paper_size) SetText(p, "paperSize", std::to_string(now.paper_size));
    if (was.zoom != now.zoom) {
      SetText(p, "scale", std::to_string(now.zoom));
      // A zoom replaces fitting the sheet to pages.
      pugi::xml_node fit = Child(Child(root, "sheetPr"), "pageSetUpPr");
      if (fit && fit.attribute("fitToPage")) SetFlag(fit, "fitToPage", false);
    }
    if (was.orientation != now.orientation) {
      SetText(p, "orientation", now.orientation == excel::kLandscape ? "landscape" : "portrait");
    }
    if (was.order != now.order) {
      SetText(p, "pageOrder", now.order == excel::kOverThenDown ? "overThenDown" : "downThenOver");
    }
    if (was.black_and_white != now.black_and_white) SetFlag(p, "blackAndWhite", now.black_and_white);
    if (was.draft != now.draft) SetFlag(p, "draft", now.draft);
    if (was.print_comments != now.print_comments) SetText(p, "cellComments", CellComments(now.print_comments));
    if (was.first_page_number != now.first_page_number) {
      if (now.first_page_number == excel::kAutomatic) {
        p.remove_attribute("useFirstPageNumber");
      } else {
        SetText(p, "firstPageNumber", std::to_string(now.first_page_number));
        SetFlag(p, "useFirstPageNumber", true);
      }
    }
    edited = true;
  }
  const std::string header_was = HeaderFooterText(was.left_header, was.center_header, was.right_header);
  const std::string header_now = HeaderFooterText(now.left_header, now.center_header, now.right_header);
  const std::string footer_was = HeaderFooterText(was.left_footer, was.center_footer, was.right_footer);
  const std::string footer_now = HeaderFooterText(now.left_footer, now.center_footer, now.right_footer);
  if (header_was != header_now || footer_was != footer_now) {
    pugi::xml_node hf = ChildAtPosition(root, kWorksheetOrder, "headerFooter");
    if (header_was != header_now) SetHeaderFooterPart(hf, "oddHeader", header_now);
    if (footer_was != footer_now) SetHeaderFooterPart(hf, "oddFooter", footer_now);
    edited = true;
  }
  return edited;
}

// Sets (or, for an empty value, removes) the sheet-local defined name.
void SetDefinedName(pugi::xml_node workbook, const char* name, size_t sheet_index, const std::string& value) {
  const std::string local_id = std::to_string(sheet_index);
  pugi::xml_node names = Child(workbook, "definedNames");
  pugi::xml_node found;
  for (pugi::xml_node dn : names.children()) {
    if (dn.type() == pugi::node_element && LocalName(dn) == "definedName" &&
        local_id == dn.attribute("localSheetId").value() && std::string_view(name) == dn.attribute("name").value()) {
      found = dn;
    }
  }
  if (value.empty()) {
    if (found) names.remove_child(found);
    if (names && !Child(names, "definedName")) workbook.remove_child(names);
    return;
  }
  if (!found) {
    names = ChildAtPosition(workbook, kWorkbookOrder, "definedNames");
    found = names.append_child(PrefixedName(workbook, "definedName").c_str());
    found.append_attribute("name").set_value(name);
    found.append_attribute("localSheetId").set_value(local_id.c_str());
  }
  found.remove_children();
  found.append_child(pugi::node_pcdata).set_value(value.c_str());
}

// The path from the folder of `from_part` to `to_part`, as a relationship's
// target ("../drawings/drawing1.xml").
std::string RelativeTarget(const std::string& from_part, const std::string& to_part) {
  auto split = [](const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= s.size()) {
      size_t slash = s.find('/', start);
      if (slash == std::string::npos) slash = s.size();
      out.push_back(s.substr(start, slash - start));
      start = slash + 1;
    }
    return out;
  };
  std::vector<std::string> from = split(from_part);
  from.pop_back();  // the file name
  const std::vector<std::string> to = split(to_part);
  size_t common = 0;
  while (common < from.size() && common + 1 < to.size() && from[common] == to[common]) ++common;
  std::string target;
  for (size_t i = common; i < from.size(); ++i) target += "../";
  for (size_t i = common; i < to.size(); ++i) target += (i > common ? "/" : "") + to[i];
  return target;
}

class PackageUpdate {
 public:
  explicit PackageUpdate(const OpenedPackage& package) : package_(package) {
    for (const PackagePart& p : package.contents.parts()) taken_.insert(FoldedPartName(p.name()));
  }

  void Sheet(const SheetState& sheet) {
    const SheetSource& source = *sheet.source;
    if (!source.loaded) return;
    pugi::xml_document* sheet_doc = nullptr;
    bool sheet_edited = false;
    auto open_sheet = [&]() -> pugi::xml_node {
      if (sheet_doc == nullptr) sheet_doc = &Parsed(source.part);
      return sheet_doc->document_element();
    };

    if (DrawingChanged(sheet.drawing)) {
      XmlBuffer out;
      out.Reserve(sheet.drawing.shape_count() * 800 + 1024);
      const bool existing = !source.drawing_part.empty();
      WriteDrawingXml(sheet.drawing, GridOf(sheet), out, existing ? source.drawing.get() : nullptr);
      if (existing) {
        replaced_[FoldedPartName(source.drawing_part)] = std::move(out.str());
      } else {
        const std::string part = NewDrawingPartName();
        added_.emplace_back(part, std::move(out.str()));
        AddContentTypeOverride("/" + part, kDrawingContentType);
        const std::string id = AddSheetRelationship(source.part, reltype::kDrawing, RelativeTarget(source.part, part));
        pugi::xml_node root = open_sheet();
        const std::string r = EnsurePrefix(root, ns::kRelationships, "r");
        pugi::xml_node drawing = ChildAtPosition(root, kWorksheetOrder, "drawing");
        drawing.append_attribute((r + ":id").c_str()).set_value(id.c_str());
        sheet_edited = true;
      }
    }

    PageSetupValues was = source.loaded_page;
    PageSetupValues now = sheet.page;
    if (!(was == now)) {
      if (EditPageSetup(open_sheet(), was, now)) sheet_edited = true;
      pugi::xml_node workbook;
      if (was.print_area != now.print_area) {
        workbook = Parsed(package_.workbook_part).document_element();
        SetDefinedName(workbook, "_xlnm.Print_Area", source.workbook_index, PrintAreaReference(now, sheet.name));
      }
      if (was.print_title_rows != now.print_title_rows || was.print_title_columns != now.print_title_columns) {
        workbook = Parsed(package_.workbook_part).document_element();
        SetDefinedName(workbook, "_xlnm.Print_Titles", source.workbook_index,
                       PrintTitlesReference(now, sheet.name));
      }
    }
    if (sheet_edited) edited_.insert(FoldedPartName(source.part));
  }

  void Commit(const fs::path& path) {
    for (const auto& [folded, doc] : docs_) {
      if (edited_.count(folded) != 0 || always_written_.count(folded) != 0) {
        replaced_[folded] = WriteXmlPart(*doc);
      }
    }
    ZipPackageWriter writer;
    for (const PackagePart& p : package_.contents.parts()) {
      const auto it = replaced_.find(FoldedPartName(p.name()));
      if (it != replaced_.end()) {
        writer.AddView(p.name(), it->second);
      } else if (p.has_compressed()) {
        // Unchanged: copied as the original archive stored it.
        writer.AddCompressedView(p.name(), p.compressed(), p.method(), p.crc(), p.size());
      } else {
        writer.AddView(p.name(), p.data());
      }
    }
    for (const auto& [name, data] : added_) writer.AddView(name, data);
    writer.Commit(path);
  }

 private:
  // The part's DOM, parsed once per save; a part parsed for editing is
  // written back (the sheet part only when it was edited).
  pugi::xml_document& Parsed(const std::string& part) {
    const std::string folded = FoldedPartName(part);
    auto it = docs_.find(folded);
    if (it != docs_.end()) return *it->second;
    auto doc = std::make_unique<pugi::xml_document>();
    const PackagePart* p = package_.contents.Find(part);
    const auto added = std::find_if(added_.begin(), added_.end(),
                                    [&](const auto& a) { return FoldedPartName(a.first) == folded; });
    if (p != nullptr) {
      ParseXmlPart(*doc, p->data(), part, package_.display_name);
    } else if (added != added_.end()) {
      ParseXmlPart(*doc, added->second, part, package_.display_name);
    }
    // The content types, the workbook part and relationships are parsed only
    // to be edited; a sheet part is parsed for page setup changes that may
    // all concern the workbook part, and is written only when edited.
    const bool sheet = folded != "[content_types].xml" && folded != FoldedPartName(package_.workbook_part) &&
                       folded.find("_rels/") == std::string::npos;
    if (!sheet) always_written_.insert(folded);
    return *docs_.emplace(folded, std::move(doc)).first->second;
  }

  std::string NewDrawingPartName() {
    for (int n = 1;; ++n) {
      std::string name = "xl/drawings/drawing" + std::to_string(n) + ".xml";
      if (taken_.insert(FoldedPartName(name)).second) return name;
    }
  }

  void AddContentTypeOverride(const std::string& part_name, std::string_view content_type) {
    pugi::xml_node types = Parsed("[Content_Types].xml").document_element();
    pugi::xml_node o = types.append_child(PrefixedName(types, "Override").c_str());
    o.append_attribute("PartName").set_value(part_name.c_str());
    o.append_attribute("ContentType").set_value(std::string(content_type).c_str());
  }

  // Adds a relationship of `source_part`; returns its id.
  std::string AddSheetRelationship(const std::string& source_part, std::string_view type, const std::string& target) {
    const std::string rels_part = RelationshipsPartFor(source_part);
    if (!package_.contents.Contains(rels_part) &&
        std::none_of(added_.begin(), added_.end(), [&](const auto& a) { return a.first == rels_part; })) {
      taken_.insert(FoldedPartName(rels_part));
      added_.emplace_back(rels_part, std::string(kXmlDeclaration) + "<Relationships xmlns=\"" +
                                         std::string(ns::kPackageRelationships) + "\"></Relationships>");
    }
    pugi::xml_document& doc = Parsed(rels_part);
    const std::string id = UnusedRelationshipId(ParseRelationships(doc));
    pugi::xml_node root = doc.document_element();
    pugi::xml_node r = root.append_child(PrefixedName(root, "Relationship").c_str());
    r.append_attribute("Id").set_value(id.c_str());
    r.append_attribute("Type").set_value(std::string(type).c_str());
    r.append_attribute("Target").set_value(target.c_str());
    // A relationships part that was added is replaced by its edited form.
    for (auto& [name, data] : added_) {
      if (name == rels_part) data = WriteXmlPart(doc);
    }
    return id;
  }

  const OpenedPackage& package_;
  std::unordered_set<std::string> taken_;
  std::unordered_map<std::string, std::unique_ptr<pugi::xml_document>> docs_;
  std::unordered_set<std::string> edited_;
  std::unordered_set<std::string> always_written_;
  std::unordered_map<std::string, std::string> replaced_;
  std::vector<std::pair<std::string, std::string>> added_;
};

}  // namespace

void SaveOpenedWorkbook(const WorkbookState& book, const fs::path& path) {
  PackageUpdate update(*book.package);
  for (const auto& sheet : book.sheets) {
    if (sheet->source) update.Sheet(*sheet);
  }
  update.Commit(path);
}

}  // namespace ovix::workbook
