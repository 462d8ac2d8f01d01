#include "app/run_notes.h"

#include "dxf/rv_dxf_import.h"
#include "excel/rv_excel_export.h"
#include "model/rv_document.h"
#include "tools/skipped_entity.h"

namespace ovix {

RunNotes CollectRunNotes(RvDocument& document, int64_t drawn_entities) {
  RunNotes notes;
  // The reader's skips come first: they stand earlier in the file's story.
  for (const SkippedEntity& e : document.DxfImport().SkippedEntities()) {
    notes.Warnings.push_back(SkippedEntityText(e));
  }
  const std::vector<SkippedEntity>& drawn_skips = document.ExcelExport().SkippedEntities();
  for (const SkippedEntity& e : drawn_skips) notes.Warnings.push_back(SkippedEntityText(e));
  // Every entity the exporter skipped lay on a drawn layer.
  const int64_t drawn = drawn_entities - static_cast<int64_t>(drawn_skips.size());
  notes.NothingToShow = drawn <= 0;
  return notes;
}

std::string CompletionWithNotes(const std::string& done, const RunNotes& notes) {
  std::string text = done;
  if (!notes.Warnings.empty()) text += "\r" + SkippedCountText(notes.Warnings.size());
  if (notes.NothingToShow) text += std::string("\r") + kNothingToShowText;
  return text;
}

}  // namespace ovix
