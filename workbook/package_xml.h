#pragma once
// The XML of an opened package's parts: parsing them safely, writing edited
// parts back without losing anything the engine does not understand, the
// namespaces of elements, and the package's relationships.
//
// Parsing never fetches or expands anything: a part that declares a DTD (the
// way to define entities, external or not) is refused, as Office Open XML
// forbids DTDs. Whitespace, comments, processing instructions and every
// attribute (namespace declarations, mc:Ignorable, unknown ones) are kept, so
// an edited part keeps everything it held.

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

namespace ovix::workbook {

namespace ns {
inline constexpr std::string_view kSpreadsheet = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
inline constexpr std::string_view kStrictSpreadsheet = "http://purl.oclc.org/ooxml/spreadsheetml/main";
inline constexpr std::string_view kRelationships =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
inline constexpr std::string_view kPackageRelationships =
    "http://schemas.openxmlformats.org/package/2006/relationships";
inline constexpr std::string_view kContentTypes =
    "http://schemas.openxmlformats.org/package/2006/content-types";
inline constexpr std::string_view kSpreadsheetDrawing =
    "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing";
inline constexpr std::string_view kDrawingMain = "http://schemas.openxmlformats.org/drawingml/2006/main";
inline constexpr std::string_view kMarkupCompatibility =
    "http://schemas.openxmlformats.org/markup-compatibility/2006";
}  // namespace ns

namespace reltype {
inline constexpr std::string_view kOfficeDocument =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument";
inline constexpr std::string_view kWorksheet =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
inline constexpr std::string_view kDrawing =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/drawing";
inline constexpr std::string_view kStyles =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";
}  // namespace reltype

inline constexpr std::string_view kDrawingContentType =
    "application/vnd.openxmlformats-officedocument.drawing+xml";

// The largest part the engine parses (the workbook, its relationships and
// styles, the sheet drawn on and its drawing). Parsed XML takes about eight
// times its text in memory (a workbook whose sheet is just below the limit
// peaks at 1.1 GB when drawn into); parts that are only copied through are
// not parsed.
inline constexpr size_t kMaxParsedPartBytes = size_t{128} << 20;

// Parses `data`, the part `part_name` of the workbook `workbook`, into `doc`.
// Throws excel::AutomationError naming the workbook, the part and the problem
// when it is larger than kMaxParsedPartBytes, is not well-formed XML or
// declares a DTD.
void ParseXmlPart(pugi::xml_document& doc, const std::string& data, const std::string& part_name,
                  const std::string& workbook);

// The document as the text of a part (UTF-8, no indentation added).
std::string WriteXmlPart(const pugi::xml_document& doc);
// One element and its contents, appended to `out`.
void AppendNodeXml(pugi::xml_node node, std::string& out);

// The name after the prefix ("drawing" for "x:drawing").
std::string_view LocalName(pugi::xml_node node);
// The namespace the element's name is in, from the declarations in scope.
std::string_view NamespaceOf(pugi::xml_node node);
// True when the element is `local` in `uri`.
bool Is(pugi::xml_node node, std::string_view uri, std::string_view local);
// The prefix bound to `uri` where `node` stands ("" for the default
// namespace); false when no prefix is bound to it there.
bool PrefixFor(pugi::xml_node node, std::string_view uri, std::string& prefix);
// The value of the attribute `local` in `uri` on `node` (r:id and the like).
pugi::xml_attribute AttributeIn(pugi::xml_node node, std::string_view uri, std::string_view local);

struct Relationship {
  std::string id;
  std::string type;
  std::string target;  // as written
  bool external = false;
};

// The relationships of a .rels part.
std::vector<Relationship> ParseRelationships(const pugi::xml_document& doc);

// "xl/worksheets/_rels/sheet1.xml.rels" for "xl/worksheets/sheet1.xml"
// ("_rels/.rels" for the package itself, source "").
std::string RelationshipsPartFor(std::string_view source_part);

// The part a relationship of `source_part` points to, as a part name without
// the leading "/"; empty when the target leaves the package.
std::string ResolveTarget(std::string_view source_part, std::string_view target);

// An id of the form "rIdN" that no relationship in `rels` has.
std::string UnusedRelationshipId(const std::vector<Relationship>& rels);

}  // namespace ovix::workbook
