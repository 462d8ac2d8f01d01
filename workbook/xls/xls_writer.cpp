#include "workbook/xls/xls_writer.h"

#include "excel/excel_automation.h"
#include "workbook/xls/compound_file.h"
#include "workbook/xls/property_sets.h"
#include "workbook/xls/workbook_stream.h"
#include "workbook/zip_package.h"

namespace ovix::workbook {

namespace {

// The class id of a workbook's root storage, as stored:
// {00020820-0000-0000-C000-000000000046}.
constexpr char kWorkbookClassId[] = "\x20\x08\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46";

std::string TitleOf(const WorkbookState& book) {
  std::string title = std::filesystem::path(book.name).stem().string();
  return title;
}

// A workbook built completely in memory, ready to be written.
struct BuiltWorkbook {
  xls::WorkbookStream stream;
  std::string summary;
  std::string document_summary;

  void WriteTo(const xls::ByteSink& sink) const {
    std::vector<xls::CompoundStream> streams;
    streams.push_back({u"Workbook", stream.Pieces()});
    streams.push_back({u"\x05SummaryInformation", {summary}});
    streams.push_back({u"\x05" u"DocumentSummaryInformation", {document_summary}});
    xls::WriteCompoundFile(streams, std::string_view(kWorkbookClassId, 16), sink);
  }
};

void Build(const WorkbookState& book, BuiltWorkbook& built) {
  if (book.package) {
    throw excel::AutomationError("a workbook opened from a package is saved in the format it was "
                                 "opened in");
  }
  xls::BuildWorkbookStream(book, built.stream);
  xls::DocumentProperties properties;
  properties.title = TitleOf(book);
  properties.created = book.created;
  properties.saved = std::time(nullptr);
  built.summary = xls::SummaryInformationStream(properties);
  built.document_summary = xls::DocumentSummaryInformationStream();
}

}  // namespace

void WriteXlsWorkbook(const WorkbookState& book, const xls::ByteSink& sink) {
  BuiltWorkbook built;
  Build(book, built);
  built.WriteTo(sink);
}

void SaveWorkbookAsXls(const WorkbookState& book, const std::filesystem::path& path) {
  try {
    // Built completely before the file is touched: a workbook the format
    // cannot hold leaves no trace.
    BuiltWorkbook built;
    Build(book, built);
    ReplaceFileAtomically(path, [&](const std::function<void(const char*, size_t)>& sink) {
      built.WriteTo(sink);
    });
  } catch (const excel::AutomationError& e) {
    const std::string what = e.what();
    if (what.rfind("cannot save", 0) == 0) throw;
    throw excel::AutomationError("cannot save the workbook to \"" + path.string() + "\": " + what);
  }
}

}  // namespace ovix::workbook
