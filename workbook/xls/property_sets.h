#pragma once
// The summary information streams of a legacy workbook: SummaryInformation
// (title, author, application, dates) and DocumentSummaryInformation, both
// with UTF-16 strings (code page 1200).

#include <ctime>
#include <string>

namespace ovix::workbook::xls {

struct DocumentProperties {
  std::string title;
  std::string author = "Ovix";
  std::string application = "Ovix";
  std::time_t created = 0;
  std::time_t saved = 0;
};

std::string SummaryInformationStream(const DocumentProperties& properties);
std::string DocumentSummaryInformationStream();

}  // namespace ovix::workbook::xls
