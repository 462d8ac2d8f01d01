// Any bytes as a legacy .xls workbook: the compound file and its records are
// read layer by layer, then the engine opens, draws into and saves the
// workbook (see open_draw_save.h).
#include <cstdint>
#include <string>

#include "tests/fuzz/open_draw_save.h"
#include "workbook/xls/compound_file_reader.h"
#include "workbook/xls/compound_file_rewriter.h"
#include "workbook/xls/xls_workbook_reader.h"

namespace {

// The reading layers alone, without the file system.
void ReadLayers(const uint8_t* data, size_t size) {
  using namespace ovix::workbook::xls;
  try {
    const CompoundFile file(std::string(reinterpret_cast<const char*>(data), size));
    for (uint32_t c : file.Children(0)) {
      if (file.entries()[c].type == EntryType::kStream) file.ReadStream(c);
    }
    const uint32_t entry = file.FindChild(0, u"Workbook");
    if (entry == kNoStream) return;
    std::string stream = file.ReadStream(entry);
    const XlsWorkbook book = ReadXlsWorkbook(stream);
    const CompoundFile rewritten(ReplaceStream(file, entry, book.stream + std::string(5000, 'x')));
    (void)rewritten;
  } catch (const CompoundFileError&) {
  } catch (const XlsFormatError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ReadLayers(data, size);
  ovix::fuzzing::OpenDrawAndSave(data, size, ".xls");
  return 0;
}
