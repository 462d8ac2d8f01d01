#include "workbook/workbook_state.h"

#include <algorithm>

namespace ovix::workbook {

void WorkbookState::CheckOpen() const {
  if (closed) throw excel::AutomationError("the workbook " + name + " has been closed");
}

void WorkbookState::SelectShapes(SheetState& sheet, const std::vector<ShapeNode*>& shapes,
                                 bool replace) {
  const bool extend = !replace && selection && selection->sheet == &sheet &&
                      !selection->shapes.empty();
  if (!extend) {
    ++selection_epoch;
    selection = std::make_shared<SelectionData>();
    selection->sheet = &sheet;
  } else if (selection.use_count() > 1) {
    // Someone holds the current selection: keep theirs as it is.
    selection = std::make_shared<SelectionData>(*selection);
  }
  selection->shapes.reserve(selection->shapes.size() + shapes.size());
  for (ShapeNode* node : shapes) {
    if (node->selection_mark == selection_epoch) continue;
    node->selection_mark = selection_epoch;
    selection->shapes.push_back(node);
  }
  for (size_t i = 0; i < sheets.size(); ++i) {
    if (sheets[i].get() == &sheet) active_sheet = i;
  }
}

void WorkbookState::SelectCells(SheetState& sheet, const std::string& address) {
  ++selection_epoch;
  selection = std::make_shared<SelectionData>();
  selection->sheet = &sheet;
  selection->cells = address;
  sheet.selected_cells = address;
  for (size_t i = 0; i < sheets.size(); ++i) {
    if (sheets[i].get() == &sheet) active_sheet = i;
  }
}

void WorkbookState::ReplaceSelectedMembers(SheetState& sheet, ShapeNode& group) {
  if (!selection || selection->sheet != &sheet || selection->shapes.empty()) return;
  const bool any = std::any_of(group.children().begin(), group.children().end(),
                               [&](const ShapeNode* m) { return m->selection_mark == selection_epoch; });
  if (!any) return;
  std::vector<ShapeNode*> kept;
  for (ShapeNode* node : selection->shapes) {
    if (node->parent != &group) kept.push_back(node);
  }
  kept.push_back(&group);
  SelectShapes(sheet, kept, true);
}

}  // namespace ovix::workbook
