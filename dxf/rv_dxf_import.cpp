// RvDxfImport: the file, the counting and reading passes, the record lists
// and their accessors. Registration into the model is in table_records.cpp
// and entity_registration.cpp.

#include "dxf/rv_dxf_import.h"

#include <filesystem>
#include <new>

#include "dxf/text_decoding.h"
#include "model/rv_document.h"
#include "tools/numeric.h"
#include "tools/user_prompt.h"
#include "tools/utf8.h"

namespace ovix {

namespace {

enum class Section { None, Header, Tables, Blocks, Entities, Objects, Other };

bool IsTableRecordType(std::string_view v) {
  return v == "LAYER" || v == "LTYPE" || v == "STYLE" || v == "DIMSTYLE";
}

// ASCII upper case into `out` (record types and section names are ASCII).
void UpperInto(std::string_view v, std::string& out) {
  out.assign(v);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
}

std::string Quoted(std::string_view v) {
  return "\"" + std::string(utf8::Left(v, 80)) + (utf8::Length(v) > 80 ? "...\"" : "\"");
}

std::string ErrorDetail(const RvError& cause) {
  switch (cause.kind()) {
    case RvErrorKind::TypeMismatch: return "を数値として読み取れません";
    case RvErrorKind::Overflow: return "は扱える範囲を超えています";
    default: return "を登録できません";
  }
}

// Counting pass: how many records, pairs and value bytes the reading pass
// will store, and whether every string is valid UTF-8.
struct CountingSink {
  int32_t tables = 0, entities = 0;
  std::size_t table_pairs = 0, entity_pairs = 0;
  std::size_t table_bytes = 0, entity_bytes = 0;
  bool all_utf8 = true;
  int current = 0;  // 0 none, 1 table record, 2 entity

  void TableRecord(std::string_view, uint64_t) {
    if (tables == INT32_MAX) throw std::bad_alloc();
    ++tables;
    current = 1;
  }
  void EntityRecord(std::string_view, uint64_t) {
    if (entities == INT32_MAX) throw std::bad_alloc();
    ++entities;
    current = 2;
  }
  void EndRecord() { current = 0; }
  void BlockRecord(std::string_view, uint64_t) { current = 0; }
  void ObjectRecord(std::string_view, uint64_t) { current = 0; }
  void Pair(const DxfTag& tag) {
    std::size_t bytes = tag.Value.size();
    if (!tag.Plain) {
      if (all_utf8 && !utf8::IsValid(tag.Value)) all_utf8 = false;
      // A byte above 0x7F decodes to at most three bytes of UTF-8.
      bytes *= 3;
    }
    if (current == 1) {
      ++table_pairs;
      table_bytes += bytes;
    } else if (current == 2) {
      ++entity_pairs;
      entity_bytes += bytes;
    }
  }
};

// Reading pass: stores the records with their values decoded to UTF-8.
struct StoringSink {
  DxfRecordStore& tables;
  DxfRecordStore& entities;
  DxfTextDecoder& decoder;
  DxfRecordStore* blocks = nullptr;  // null: block definitions are passed over
  DxfRecordStore* objects = nullptr;  // null: objects are passed over
  DxfRecordStore* current = nullptr;

  void BlockRecord(std::string_view type, uint64_t line) {
    if (!blocks) {
      current = nullptr;
      return;
    }
    blocks->StartRecord(type, line);
    current = blocks;
  }

  // Of the objects only the multileader styles matter to the drawing.
  void ObjectRecord(std::string_view type, uint64_t line) {
    if (!objects || type != "MLEADERSTYLE") {
      current = nullptr;
      return;
    }
    objects->StartRecord(type, line);
    current = objects;
  }

  void TableRecord(std::string_view type, uint64_t line) {
    tables.StartRecord(type, line);
    current = &tables;
  }
  void EntityRecord(std::string_view type, uint64_t line) {
    entities.StartRecord(type, line);
    current = &entities;
  }
  void EndRecord() { current = nullptr; }
  void Pair(const DxfTag& tag) {
    if (!current) return;
    if (tag.Plain) {
      current->AddPair(tag.Code, tag.Value);
    } else {
      current->AddPairWith(tag.Code,
                           [&](std::string& arena) { decoder.AppendDecoded(tag.Value, arena); });
    }
  }
};

}  // namespace

// ---- DxfDataError ------------------------------------------------------------

DxfDataError::DxfDataError(const RvError& cause, uint64_t line, int32_t code, std::string value,
                           std::string record_type)
    : RvError(cause.kind(), std::string(kDxfDataErrorMessage) + "\r\n" + std::to_string(line) +
                                "行目 (" + record_type + ") のグループコード " +
                                std::to_string(code) + " の値 " + Quoted(value) +
                                " " + ErrorDetail(cause)),
      line_(line),
      has_code_(true),
      code_(code),
      value_(std::move(value)),
      record_type_(std::move(record_type)) {}

DxfDataError::DxfDataError(const RvError& cause, uint64_t line, std::string record_type)
    : RvError(cause.kind(), std::string(kDxfDataErrorMessage) + "\r\n" + std::to_string(line) +
                                "行目から始まる " + record_type + " を登録できません (" +
                                cause.what() + ")"),
      line_(line),
      has_code_(false),
      code_(0),
      record_type_(std::move(record_type)) {}

// ---- lifecycle -----------------------------------------------------------------

RvDxfImport::RvDxfImport() { Clear(); }

RvDxfImport::~RvDxfImport() { reader_.Close(); }

void RvDxfImport::Clear() {
  file_path_.clear();
  file_used_ = false;
  opened_ = false;
  encoding_.clear();
  fallback_encoding_.clear();
  acad_ver_.clear();
  dwg_code_page_.clear();
  table_count_ = entity_count_ = 0;
  tables_.Clear();
  entities_.Clear();
  blocks_.Clear();
  objects_.Clear();
  table_pairs_ = entity_pairs_ = table_bytes_ = entity_bytes_ = 0;
  skipped_.clear();
  // The model belongs to the caller's document: drop the reference only.
  document_.reset();
  system_bound_ = false;
}

void RvDxfImport::ReleaseRecords() {
  tables_.Clear();
  entities_.Clear();
  blocks_.Clear();
  objects_.Clear();
}

void RvDxfImport::SetRvSystem(std::shared_ptr<RvSystem> system) {
  if (!document_) document_ = std::make_unique<RvDocument>();
  document_->SetRvSystem(std::move(system));
  system_bound_ = true;
}

// ---- file ------------------------------------------------------------------------

bool RvDxfImport::OpenDxfFile(const std::string& path) {
  reader_.Close();
  opened_ = false;
  file_used_ = true;
  std::error_code ec;
  if (path.empty() || !std::filesystem::is_regular_file(path, ec) || !reader_.Open(path)) {
    file_path_.clear();
    return false;
  }
  file_path_ = path;
  opened_ = true;
  return true;
}

bool RvDxfImport::CloseDxfFile() {
  if (!file_used_) return false;
  reader_.Close();
  opened_ = false;
  return true;
}

// ---- passes ----------------------------------------------------------------------

template <typename Sink>
RvDxfImport::PassOutcome RvDxfImport::Walk(Sink& sink) {
  const bool from_start = reader_.AtStart();
  bool structure_seen = false;
  bool expect_section_name = false;
  Section section = Section::None;
  std::string header_variable;
  std::string upper;
  DxfTag tag;
  for (;;) {
    const DxfTagStatus status = reader_.NextPair(tag);
    if (status == DxfTagStatus::End) break;
    if (status == DxfTagStatus::TooLong) return PassOutcome::LineTooLong;
    if (status == DxfTagStatus::BadCode) {
      if (reader_.BadCodeLine() == 1 &&
          reader_.BadCodeText().rfind(std::string(kBinaryDxfSentinel), 0) == 0) {
        return PassOutcome::Binary;
      }
      return structure_seen ? PassOutcome::BadCode : PassOutcome::NotDxf;
    }
    if (tag.Code == 0) {
      expect_section_name = false;
      UpperInto(tag.Value, upper);
      if (upper == "SECTION") {
        structure_seen = true;
        expect_section_name = true;
        section = Section::Other;
        sink.EndRecord();
        continue;
      }
      if (upper == "ENDSEC") {
        section = Section::None;
        sink.EndRecord();
        continue;
      }
      if (upper == "EOF") {
        structure_seen = true;
        break;
      }
      if (section == Section::Tables) {
        // Only the four record types the model knows are kept, and only in
        // the letter case DXF writes them.
        if (IsTableRecordType(tag.Value)) sink.TableRecord(upper, tag.Line);
        else sink.EndRecord();
      } else if (section == Section::Entities) {
        sink.EntityRecord(upper, tag.Line);
      } else if (section == Section::Blocks) {
        sink.BlockRecord(upper, tag.Line);
      } else if (section == Section::Objects) {
        sink.ObjectRecord(upper, tag.Line);
      }
      continue;
    }
    if (expect_section_name) {
      expect_section_name = false;
      if (tag.Code == 2) {
        UpperInto(tag.Value, upper);
        section = upper == "HEADER"     ? Section::Header
                  : upper == "TABLES"   ? Section::Tables
                  : upper == "ENTITIES" ? Section::Entities
                  : upper == "BLOCKS"   ? Section::Blocks
                  : upper == "OBJECTS"  ? Section::Objects
                                        : Section::Other;
        continue;
      }
    }
    if (section == Section::Header) {
      if (tag.Code == 9) {
        UpperInto(tag.Value, header_variable);
      } else if (tag.Code == 1 && header_variable == "$ACADVER") {
        acad_ver_ = std::string(tag.Value);
      } else if (tag.Code == 3 && header_variable == "$DWGCODEPAGE") {
        dwg_code_page_ = std::string(tag.Value);
      }
      continue;
    }
    sink.Pair(tag);
  }
  if (reader_.ReadFailed()) return PassOutcome::ReadError;
  if (from_start && !structure_seen) return PassOutcome::NotDxf;
  return PassOutcome::Ok;
}

bool RvDxfImport::ReportFailure(PassOutcome outcome) {
  std::string text;
  switch (outcome) {
    case PassOutcome::Ok: return true;
    case PassOutcome::Binary: text = kDxfBinaryMessage; break;
    case PassOutcome::NotDxf: text = std::string(kDxfNotDxfMessage) + "\r\n" + file_path_; break;
    case PassOutcome::BadCode:
      // A number too large for a group code is out of range, not "not a number".
      text = std::string(kDxfBadCodeMessage) + "\r\n" + std::to_string(reader_.BadCodeLine()) +
             "行目のグループコード " + Quoted(reader_.BadCodeText()) +
             (num::IsNumeric(reader_.BadCodeText()) ? " が範囲外です" : " が数値ではありません");
      break;
    case PassOutcome::ReadError:
      text = std::string(kDxfReadErrorMessage) + "\r\n" + file_path_;
      break;
    case PassOutcome::LineTooLong:
      text = std::string(kDxfLineTooLongMessage) + "\r\n" + std::to_string(reader_.TooLongLine()) +
             "行目が " + std::to_string(kMaxDxfLineBytes >> 20) + "MB を超えています";
      break;
  }
  ShowMessage(text, kApplicationTitle, PromptIcon::Critical);
  return false;
}

bool RvDxfImport::GetDxfDataCount() {
  table_count_ = entity_count_ = 0;
  if (!opened_) return false;
  try {
    CountingSink sink;
    acad_ver_.clear();
    dwg_code_page_.clear();
    const PassOutcome outcome = Walk(sink);
    if (outcome != PassOutcome::Ok) return ReportFailure(outcome);
    table_count_ = sink.tables;
    entity_count_ = sink.entities;
    table_pairs_ = sink.table_pairs;
    entity_pairs_ = sink.entity_pairs;
    table_bytes_ = sink.table_bytes;
    entity_bytes_ = sink.entity_bytes;
    DxfEncodingClues clues;
    clues.ByteOrderMark = reader_.HadByteOrderMark();
    clues.AcadVer = acad_ver_;
    clues.DwgCodePage = dwg_code_page_;
    clues.AllStringsUtf8 = sink.all_utf8;
    encoding_ = ChooseDxfEncoding(clues);
    fallback_encoding_ = CodePageEncoding(dwg_code_page_);
    if (fallback_encoding_.empty()) fallback_encoding_ = "CP932";
    return true;
  } catch (const std::bad_alloc&) {
    ShowMessage(kDxfCapacityMessage, kApplicationTitle, PromptIcon::Critical);
    return false;
  }
}

bool RvDxfImport::ReadDxfFile() {
  if (!opened_) return false;
  tables_.Clear();
  entities_.Clear();
  blocks_.Clear();
  objects_.Clear();
  try {
    tables_.Reserve(static_cast<std::size_t>(table_count_), table_pairs_, table_bytes_);
    entities_.Reserve(static_cast<std::size_t>(entity_count_), entity_pairs_, entity_bytes_);
    // Without a counting pass nothing has settled the encoding: each string
    // is read as UTF-8 where it is valid UTF-8, as code page 932 otherwise.
    if (encoding_.empty()) {
      encoding_ = "UTF-8";
      fallback_encoding_ = "CP932";
    }
    DxfTextDecoder decoder(encoding_, fallback_encoding_);
    StoringSink sink{tables_, entities_, decoder, draw_all_ ? &blocks_ : nullptr,
                     draw_all_ ? &objects_ : nullptr};
    const PassOutcome outcome = Walk(sink);
    table_count_ = static_cast<int32_t>(tables_.Count());
    entity_count_ = static_cast<int32_t>(entities_.Count());
    return ReportFailure(outcome);
  } catch (const std::bad_alloc&) {
    table_count_ = static_cast<int32_t>(tables_.Count());
    entity_count_ = static_cast<int32_t>(entities_.Count());
    ShowMessage(kDxfCapacityMessage, kApplicationTitle, PromptIcon::Critical);
    return false;
  } catch (const RvError& e) {
    table_count_ = static_cast<int32_t>(tables_.Count());
    entity_count_ = static_cast<int32_t>(entities_.Count());
    ShowMessage(std::string(kDxfCapacityMessage) + "\r\n" + e.what(), kApplicationTitle,
                PromptIcon::Critical);
    return false;
  }
}

// ---- accessors ---------------------------------------------------------------------

namespace {

// Checks an index of a list that reads as one blank record when empty;
// true when it names a stored record.
bool StoredIndex(const DxfRecordStore& store, int32_t index, const char* operation) {
  const std::size_t i = static_cast<std::size_t>(index);
  if (i < store.Count()) return true;
  if (index == 0) return false;  // the blank record of an empty list
  throw RvError(RvErrorKind::SubscriptOutOfRange,
                std::string(operation) + ": record " + std::to_string(index) + " of " +
                    std::to_string(store.Count()) + " does not exist");
}

std::string TypeOf(const DxfRecordStore& store, int32_t index, const char* op) {
  if (index < 0 || !StoredIndex(store, index, op)) return "";
  return std::string(store.At(static_cast<std::size_t>(index)).Type());
}

int32_t CountOf(const DxfRecordStore& store, int32_t index, const char* op) {
  if (index < 0 || !StoredIndex(store, index, op)) return 0;
  return store.At(static_cast<std::size_t>(index)).PairCount();
}

int32_t CodesOf(const DxfRecordStore& store, int32_t index, std::vector<int32_t>& out,
                const char* op) {
  if (index < 0) return 0;
  if (!StoredIndex(store, index, op)) {
    out.clear();
    return 0;
  }
  const DxfRecordView r = store.At(static_cast<std::size_t>(index));
  out.resize(static_cast<std::size_t>(r.PairCount()));
  for (int32_t i = 0; i < r.PairCount(); ++i) out[static_cast<std::size_t>(i)] = r.Code(i);
  return r.PairCount();
}

int32_t ValuesOf(const DxfRecordStore& store, int32_t index, std::vector<std::string>& out,
                 const char* op) {
  if (index < 0) return 0;
  if (!StoredIndex(store, index, op)) {
    out.clear();
    return 0;
  }
  const DxfRecordView r = store.At(static_cast<std::size_t>(index));
  out.resize(static_cast<std::size_t>(r.PairCount()));
  for (int32_t i = 0; i < r.PairCount(); ++i) out[static_cast<std::size_t>(i)] = r.Value(i);
  return r.PairCount();
}

}  // namespace

std::string RvDxfImport::TableType(int32_t index) const { return TypeOf(tables_, index, "TableType"); }
int32_t RvDxfImport::TableParameterCount(int32_t index) const {
  return CountOf(tables_, index, "TableParameterCount");
}
int32_t RvDxfImport::GetTableNo(int32_t index, std::vector<int32_t>& ParamNo) const {
  return CodesOf(tables_, index, ParamNo, "GetTableNo");
}
int32_t RvDxfImport::GetTableValue(int32_t index, std::vector<std::string>& ParamValue) const {
  return ValuesOf(tables_, index, ParamValue, "GetTableValue");
}

std::string RvDxfImport::EntityType(int32_t index) const {
  return TypeOf(entities_, index, "EntityType");
}
int32_t RvDxfImport::EntityParmeterCount(int32_t index) const {
  return CountOf(entities_, index, "EntityParmeterCount");
}
int32_t RvDxfImport::GetEntityNo(int32_t index, std::vector<int32_t>& ParamNo) const {
  return CodesOf(entities_, index, ParamNo, "GetEntityNo");
}
int32_t RvDxfImport::GetEntityValue(int32_t index, std::vector<std::string>& ParamValue) const {
  return ValuesOf(entities_, index, ParamValue, "GetEntityValue");
}

}  // namespace ovix
