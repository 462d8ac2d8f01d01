#pragma once
// The window's rules for the files the user chooses: which dropped file is
// taken as the DXF input, and the name the workbook is saved under.

#include <string>

namespace ovix {

// A dropped file is taken as the drawing when its name (UTF-8, counted in
// characters) is longer than 4 characters and its last three characters,
// in any case, are "DXF". Other files are ignored.
bool IsDroppableDxfName(const std::string& name);

// The workbook name as chosen, with ".xlsx" added when the file name has no
// extension ("plan" and "plan." become "plan.xlsx"; "plan.xls" stays). A dot
// in a folder name is not an extension.
std::string WithWorkbookExtension(const std::string& name);

}  // namespace ovix
