// Rules for the dropped drawing and the chosen workbook name.
#include "app/chosen_file_names.h"

#include <string_view>

#include "tools/utf8.h"

namespace ovix {

bool IsDroppableDxfName(const std::string& name) {
  if (utf8::Length(name) <= 4) return false;
  const std::string_view last = utf8::Right(name, 3);
  if (last.size() != 3) return false;  // a multi-byte character is never a letter of "DXF"
  static constexpr std::string_view kDxf = "DXF";
  for (std::size_t i = 0; i < 3; ++i) {
    char c = last[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != kDxf[i]) return false;
  }
  return true;
}

std::string WithWorkbookExtension(const std::string& name) {
  if (name.empty()) return name;
  const std::size_t slash = name.find_last_of("/\\");
  const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = name.rfind('.');
  // A leading dot names a hidden file, not an extension.
  const bool has_extension = dot != std::string::npos && dot > base && dot + 1 < name.size();
  if (has_extension) return name;
  if (!name.empty() && name.back() == '.' && name.size() - 1 > base) return name + "xlsx";
  return name + ".xlsx";
}

}  // namespace ovix
