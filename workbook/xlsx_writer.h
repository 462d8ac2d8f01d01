#pragma once
// Saving a workbook as an Office Open XML spreadsheet package (.xlsx).

#include <filesystem>

#include "workbook/workbook_state.h"

namespace ovix::workbook {

// Writes `book` to `path` atomically: the package is built completely, written
// to a temporary file in the same folder and renamed over `path` only when
// that succeeded. Any failure raises excel::AutomationError and leaves no new
// file behind and an existing `path` untouched.
// An opened workbook is written as its package with the engine's changes
// (SaveOpenedWorkbook).
void SaveWorkbookAsXlsx(const WorkbookState& book, const std::filesystem::path& path);

// The package an opened workbook was read from, with only the parts the
// engine changed rewritten; atomic like SaveWorkbookAsXlsx.
void SaveOpenedWorkbook(const WorkbookState& book, const std::filesystem::path& path);

}  // namespace ovix::workbook
