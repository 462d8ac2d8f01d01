#pragma once
// The words the run uses to say why a file could not be read or written:
// which file, what kind of trouble, and the system's reason. Each goes after
// the stage's own failure text in the message box.

#include <exception>
#include <string>

namespace ovix {

// The DXF file could not be opened: the file and why (it does not exist, it
// is a folder, permission denied ...).
std::string DxfOpenFailureMessage(const std::string& path);

// The trouble with a workbook file, from the error an operation raised
// (a workbook::FileAccessError), or empty when the error was of another kind.
std::string WorkbookFileMessage(const std::exception_ptr& error);

}  // namespace ovix
