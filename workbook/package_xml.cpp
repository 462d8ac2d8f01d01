#include "workbook/package_xml.h"

#include <cstring>
#include <unordered_set>

#include "excel/excel_automation.h"

namespace ovix::workbook {

namespace {

// Everything kept; attribute whitespace left as written (no normalising of
// tabs and line feeds to spaces, which would change escaped values).
constexpr unsigned kParseFlags = (pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration |
                                  pugi::parse_comments | pugi::parse_pi | pugi::parse_doctype) &
                                 ~pugi::parse_wconv_attribute;

// Writes pugixml's output into a string. Line ends were normalised to line
// feeds when the part was read, so a carriage return left in the tree came
// from a character reference (&#13;) in text; it is written as one again, or
// the next reader would turn it into a line feed.
class StringWriter : public pugi::xml_writer {
 public:
  explicit StringWriter(std::string& out) : out_(out) {}
  void write(const void* data, size_t size) override {
    const char* p = static_cast<const char*>(data);
    const char* end = p + size;
    while (p < end) {
      const char* cr = static_cast<const char*>(std::memchr(p, '\r', static_cast<size_t>(end - p)));
      if (cr == nullptr) {
        out_.append(p, end);
        break;
      }
      out_.append(p, cr);
      out_.append("&#13;");
      p = cr + 1;
    }
  }

 private:
  std::string& out_;
};

constexpr unsigned kWriteFlags = pugi::format_raw;

}  // namespace

void ParseXmlPart(pugi::xml_document& doc, const std::string& data, const std::string& part_name,
                  const std::string& workbook) {
  if (data.size() > kMaxParsedPartBytes) {
    throw excel::AutomationError("cannot open the workbook \"" + workbook + "\": the part " + part_name +
                                 " is " + std::to_string(data.size() >> 20) + " MB of XML, more than the " +
                                 std::to_string(kMaxParsedPartBytes >> 20) + " MB this program reads");
  }
  const pugi::xml_parse_result result = doc.load_buffer(data.data(), data.size(), kParseFlags);
  if (!result) {
    throw excel::AutomationError("cannot open the workbook \"" + workbook + "\": the part " + part_name +
                                 " is not well-formed XML (" + result.description() + " at byte " +
                                 std::to_string(result.offset) + ")");
  }
  for (pugi::xml_node child : doc.children()) {
    if (child.type() == pugi::node_doctype) {
      throw excel::AutomationError("cannot open the workbook \"" + workbook + "\": the part " +
                                   part_name +
                                   " declares a DTD, which an Office Open XML part must not "
                                   "(it could define entities)");
    }
  }
  if (!doc.document_element()) {
    throw excel::AutomationError("cannot open the workbook \"" + workbook + "\": the part " + part_name +
                                 " holds no XML element");
  }
}

std::string WriteXmlPart(const pugi::xml_document& doc) {
  std::string out;
  // The text is written as UTF-8, whatever the part was read in.
  pugi::xml_node declaration = doc.first_child();
  if (declaration.type() == pugi::node_declaration) {
    pugi::xml_attribute encoding = declaration.attribute("encoding");
    if (encoding && std::strcmp(encoding.value(), "UTF-8") != 0) encoding.set_value("UTF-8");
  }
  StringWriter writer(out);
  doc.save(writer, "", kWriteFlags | pugi::format_no_declaration, pugi::encoding_utf8);
  return out;
}

void AppendNodeXml(pugi::xml_node node, std::string& out) {
  StringWriter writer(out);
  node.print(writer, "", kWriteFlags, pugi::encoding_utf8);
}

std::string_view LocalName(pugi::xml_node node) {
  std::string_view name = node.name();
  const size_t colon = name.find(':');
  return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

namespace {

std::string_view PrefixOf(std::string_view qualified) {
  const size_t colon = qualified.find(':');
  return colon == std::string_view::npos ? std::string_view() : qualified.substr(0, colon);
}

std::string_view LookupNamespace(pugi::xml_node node, std::string_view prefix) {
  std::string attribute = prefix.empty() ? "xmlns" : "xmlns:" + std::string(prefix);
  for (pugi::xml_node n = node; n && n.type() == pugi::node_element; n = n.parent()) {
    const pugi::xml_attribute a = n.attribute(attribute.c_str());
    if (a) return a.value();
  }
  if (prefix == "xml") return "http://www.w3.org/XML/1998/namespace";
  return {};
}

}  // namespace

std::string_view NamespaceOf(pugi::xml_node node) { return LookupNamespace(node, PrefixOf(node.name())); }

bool Is(pugi::xml_node node, std::string_view uri, std::string_view local) {
  return node.type() == pugi::node_element && LocalName(node) == local && NamespaceOf(node) == uri;
}

bool PrefixFor(pugi::xml_node node, std::string_view uri, std::string& prefix) {
  std::unordered_set<std::string> shadowed;
  for (pugi::xml_node n = node; n && n.type() == pugi::node_element; n = n.parent()) {
    for (pugi::xml_attribute a : n.attributes()) {
      std::string_view name = a.name();
      std::string candidate;
      if (name == "xmlns") {
        candidate = "";
      } else if (name.substr(0, 6) == "xmlns:") {
        candidate = std::string(name.substr(6));
      } else {
        continue;
      }
      // A nearer declaration of the same prefix hides this one.
      if (!shadowed.insert(candidate).second) continue;
      if (a.value() == uri) {
        prefix = candidate;
        return true;
      }
    }
  }
  return false;
}

pugi::xml_attribute AttributeIn(pugi::xml_node node, std::string_view uri, std::string_view local) {
  for (pugi::xml_attribute a : node.attributes()) {
    std::string_view name = a.name();
    const std::string_view prefix = PrefixOf(name);
    if (prefix.empty() || prefix == "xmlns") continue;
    if (name.substr(prefix.size() + 1) != local) continue;
    if (LookupNamespace(node, prefix) == uri) return a;
  }
  return {};
}

std::vector<Relationship> ParseRelationships(const pugi::xml_document& doc) {
  std::vector<Relationship> rels;
  for (pugi::xml_node r : doc.document_element().children()) {
    if (r.type() != pugi::node_element || LocalName(r) != "Relationship") continue;
    Relationship rel;
    rel.id = r.attribute("Id").value();
    rel.type = r.attribute("Type").value();
    rel.target = r.attribute("Target").value();
    rel.external = std::string_view(r.attribute("TargetMode").value()) == "External";
    rels.push_back(std::move(rel));
  }
  return rels;
}

std::string RelationshipsPartFor(std::string_view source_part) {
  const size_t slash = source_part.rfind('/');
  const std::string_view folder =
      slash == std::string_view::npos ? std::string_view() : source_part.substr(0, slash + 1);
  const std::string_view file = slash == std::string_view::npos ? source_part : source_part.substr(slash + 1);
  return std::string(folder) + "_rels/" + std::string(file) + ".rels";
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

std::string ResolveTarget(std::string_view source_part, std::string_view target) {
  // Targets are URIs: percent escapes stand for bytes of the part name.
  std::string decoded;
  for (size_t i = 0; i < target.size(); ++i) {
    if (target[i] == '%' && i + 2 < target.size() && HexValue(target[i + 1]) >= 0 &&
        HexValue(target[i + 2]) >= 0) {
      decoded.push_back(static_cast<char>(HexValue(target[i + 1]) * 16 + HexValue(target[i + 2])));
      i += 2;
    } else {
      decoded.push_back(target[i]);
    }
  }
  std::vector<std::string> segments;
  if (decoded.empty() || decoded.front() != '/') {
    const size_t slash = source_part.rfind('/');
    if (slash != std::string_view::npos) {
      std::string_view folder = source_part.substr(0, slash);
      size_t start = 0;
      while (start <= folder.size()) {
        size_t next = folder.find('/', start);
        if (next == std::string_view::npos) next = folder.size();
        segments.emplace_back(folder.substr(start, next - start));
        start = next + 1;
      }
    }
  }
  size_t start = 0;
  while (start <= decoded.size()) {
    size_t next = decoded.find('/', start);
    if (next == std::string::npos) next = decoded.size();
    const std::string segment = decoded.substr(start, next - start);
    start = next + 1;
    if (segment.empty() || segment == ".") continue;
    if (segment == "..") {
      if (segments.empty()) return {};  // above the package's root
      segments.pop_back();
      continue;
    }
    segments.push_back(segment);
  }
  std::string part;
  for (const std::string& s : segments) {
    if (!part.empty()) part += '/';
    part += s;
  }
  return part;
}

std::string UnusedRelationshipId(const std::vector<Relationship>& rels) {
  std::unordered_set<std::string> used;
  for (const Relationship& r : rels) used.insert(r.id);
  for (size_t n = rels.size() + 1;; ++n) {
    std::string id = "rId" + std::to_string(n);
    if (used.count(id) == 0) return id;
  }
}

}  // namespace ovix::workbook
