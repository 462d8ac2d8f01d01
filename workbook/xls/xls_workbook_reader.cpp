#include "workbook/xls/xls_workbook_reader.h"

#include <algorithm>
#include <limits>

#include "workbook/xls/le_bytes.h"

namespace ovix::workbook::xls {

namespace {

constexpr uint16_t kBiff8 = 0x0600;
constexpr uint16_t kGlobalsType = 0x0005;
constexpr size_t kNoRecord = std::numeric_limits<size_t>::max();

[[noreturn]] void Damaged(const std::string& what) {
  throw XlsFormatError("ブックのレコードが壊れています（" + what + "）");
}

}  // namespace

size_t XlsWorkbook::RecordAt(uint32_t offset) const {
  const auto it = std::lower_bound(records.begin(), records.end(), offset,
                                   [](const BiffRecord& r, uint32_t at) { return r.offset < at; });
  return it != records.end() && it->offset == offset ? static_cast<size_t>(it - records.begin()) : kNoRecord;
}

std::string XlsWorkbook::DrawingGroupData() const {
  std::string out;
  for (size_t i : drawing_group) out.append(Data(i));
  return out;
}

XlsWorkbook ReadXlsWorkbook(std::string stream) {
  XlsWorkbook book;
  book.stream = std::move(stream);
  book.records = SplitRecords(book.stream, book.padding_at);
  const auto& records = book.records;
  if (records.empty() || records[0].type != rt::kBof || records[0].size < 4) {
    throw XlsFormatError("Excel のブックではありません（先頭に BOF レコードがありません）");
  }
  const uint16_t version = GetU16(book.Data(0), 0);
  if (version != kBiff8) {
    throw XlsFormatError("Excel 95 以前の形式のブックは開けません。Excel 97-2003 形式（.xls）か .xlsx で保存し直してください");
  }
  if (GetU16(book.Data(0), 2) != kGlobalsType) Damaged("ブック全体の BOF がない");

  // The EOF that closes each BOF, in one pass (substreams nest: charts
  // embedded in a sheet carry their own BOF and EOF).
  std::vector<size_t> closing(records.size(), kNoRecord);
  std::vector<size_t> open;
  for (size_t i = 0; i < records.size(); ++i) {
    if (records[i].type == rt::kBof) {
      open.push_back(i);
    } else if (records[i].type == rt::kEof && !open.empty()) {
      closing[open.back()] = i;
      open.pop_back();
    }
  }
  book.globals_eof = closing[0];
  if (book.globals_eof == kNoRecord) Damaged("ブック全体の EOF がない");

  for (size_t i = 1; i < book.globals_eof; ++i) {
    const BiffRecord& r = records[i];
    if (r.type == rt::kFilePass) {
      throw XlsFormatError("パスワードで保護（暗号化）されたブックは開けません。保護を解除して保存し直してください");
    }
    if (r.type == rt::kMsoDrawingGroup ||
        (r.type == rt::kContinue && !book.drawing_group.empty() && book.drawing_group.back() == i - 1)) {
      book.drawing_group.push_back(i);
    }
    if (r.type == rt::kBof) {
      // A substream inside the globals is not where sheets are listed.
      if (closing[i] == kNoRecord) Damaged("EOF のない BOF");
      i = closing[i];
      continue;
    }
    if (r.type != rt::kBoundSheet) continue;
    const std::string_view data = book.Data(i);
    if (data.size() < 8) Damaged("シート一覧のレコードが短い");
    XlsSheet sheet;
    sheet.boundsheet = i;
    sheet.kind = static_cast<uint8_t>(data[5]);
    size_t at = 6;
    sheet.name = ReadShortString(data, at);
    const size_t bof = book.RecordAt(GetU32(data, 0));
    if (bof == kNoRecord || records[bof].type != rt::kBof || bof <= book.globals_eof) {
      Damaged("シート「" + sheet.name + "」の位置が不正");
    }
    if (closing[bof] == kNoRecord) Damaged("シート「" + sheet.name + "」の EOF がない");
    sheet.bof = bof;
    sheet.eof = closing[bof];
    book.sheets.push_back(std::move(sheet));
  }
  // Two sheets sharing one substream would be written twice.
  std::vector<size_t> starts;
  for (const XlsSheet& s : book.sheets) starts.push_back(s.bof);
  std::sort(starts.begin(), starts.end());
  if (std::adjacent_find(starts.begin(), starts.end()) != starts.end()) Damaged("二つのシートが同じ位置を指す");
  return book;
}

}  // namespace ovix::workbook::xls
