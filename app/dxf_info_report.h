#pragma once
// What a drawing holds after the DXF stage, as one JSON object: the text
// encoding chosen, the table and entity records stored by type, the count
// of each of the nine model stores, the entities on visible layers, the
// drawing's extents and the first texts. `ovix-convert --info` prints it.

#include <string>

namespace ovix {

class RvDocument;

// How many texts of each kind (TEXT, MTEXT) the report lists.
inline constexpr int kInfoTextLimit = 20;

// The report of the drawing that the DXF stage read into `document`, as
// indented JSON (UTF-8).
std::string DxfInfoReport(RvDocument& document, const std::string& path);

}  // namespace ovix
