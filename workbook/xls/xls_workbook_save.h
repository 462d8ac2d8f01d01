#pragma once
// Saving a workbook opened from a legacy .xls file: the Workbook stream is
// written back with the engine's changes (the sheets' new drawings and page
// setup, and the records whose positions depend on them) and the compound
// file keeps every other stream and storage byte for byte.

#include <filesystem>
#include <string>

#include "workbook/workbook_state.h"

namespace ovix::workbook::xls {

// The file's new bytes. Throws excel::AutomationError when the changes
// cannot be written in this format.
std::string SavedXlsBytes(const WorkbookState& book);

// Writes SavedXlsBytes to `path` atomically (a temporary file beside it,
// renamed over it).
void SaveOpenedXls(const WorkbookState& book, const std::filesystem::path& path);

}  // namespace ovix::workbook::xls
