#pragma once
// RvDxfImport: reads an ASCII DXF drawing into the drawing model.
//
// The DXF stage drives it in a fixed order: SetRvSystem; OpenDxfFile;
// GetDxfDataCount (the counting pass, which also settles the text
// encoding); CloseDxfFile; OpenDxfFile again; ReadDxfFile (the reading pass,
// which fills the two record lists); SetTableData; SetEntityData;
// CloseDxfFile.
//
// The file is read section by section: the HEADER for the encoding clues,
// the LAYER, LTYPE, STYLE and DIMSTYLE records of the TABLES section, and
// every record of the ENTITIES section; the BLOCKS section only when every
// entity is drawn (SetDrawAll), and then of the OBJECTS section its
// multileader styles. CLASSES and any other section are passed over. A
// file may lack any section; what it holds is read.
//
// The passes show their own message (through ShowMessage) and return false
// for a file that cannot be read: a binary DXF, a file that is not DXF, a
// group code that is not a number, a read error. SetTableData and
// SetEntityData raise a DxfDataError for a value they cannot use; what was
// registered before it stays in the model.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "dxf/dxf_record.h"
#include "dxf/tag_reader.h"
#include "tools/rv_error.h"
#include "tools/skipped_entity.h"

namespace ovix {

class RvDocument;
class RvSystem;

// Messages of the reader (error icon, the application's title).
inline constexpr const char* kDxfCapacityMessage =
    "パラメータの領域が不足しています\r\n図形を分割できる場合は分割して再実行してください";
inline constexpr const char* kDxfBinaryMessage =
    "バイナリ形式のDXFファイルは読み込めません\r\nASCII形式のDXFファイルとして保存し直してください";
inline constexpr const char* kDxfNotDxfMessage = "DXFファイルではありません";
inline constexpr const char* kDxfBadCodeMessage = "DXFファイルの形式が正しくありません";
inline constexpr const char* kDxfReadErrorMessage = "DXFファイルを読み込めません";
inline constexpr const char* kDxfDataErrorMessage = "DXFファイルのデータを登録できません";
// Followed by the line number: a line longer than the reader's limit.
inline constexpr const char* kDxfLineTooLongMessage = "DXFファイルの行が長すぎます";

// A value of a stored record that cannot be registered. what() is the
// message for the user: the line number, the group code and the value.
class DxfDataError : public RvError {
 public:
  // A pair's value: `line` is the pair's code line.
  DxfDataError(const RvError& cause, uint64_t line, int32_t code, std::string value,
               std::string record_type);
  // A whole record that the model refused (line of its code-0 line).
  DxfDataError(const RvError& cause, uint64_t line, std::string record_type);

  uint64_t Line() const { return line_; }
  bool HasCode() const { return has_code_; }
  int32_t Code() const { return code_; }
  const std::string& Value() const { return value_; }
  const std::string& RecordType() const { return record_type_; }

 private:
  uint64_t line_;
  bool has_code_;
  int32_t code_;
  std::string value_;
  std::string record_type_;
};

class RvDxfImport {
 public:
  RvDxfImport();   // runs Clear
  ~RvDxfImport();  // closes the file
  RvDxfImport(const RvDxfImport&) = delete;
  RvDxfImport& operator=(const RvDxfImport&) = delete;

  // ---- file and passes ----------------------------------------------------

  // Opens an existing ordinary file for reading from its start. A missing
  // path or a directory gives false without a message.
  bool OpenDxfFile(const std::string& path);
  // Counting pass: counts the records the reading pass will store and
  // chooses the text encoding.
  bool GetDxfDataCount();
  // False when no file has been opened since Clear.
  bool CloseDxfFile();
  // Reading pass over a freshly opened file: fills both record lists.
  bool ReadDxfFile();

  std::string FilePath() const { return file_path_; }
  bool IsOpened() const { return opened_; }
  // The encoding the strings were decoded from ("UTF-8", "CP932", ...);
  // empty before a pass has settled it.
  std::string TextEncoding() const { return encoding_; }

  // ---- record lists -------------------------------------------------------
  // After Clear each list reads as one blank record at index 0 with a count
  // of 0. A negative index gives the blank answer; an index past the list
  // is a SubscriptOutOfRange RvError.

  int32_t TableCount() const { return table_count_; }
  std::string TableType(int32_t index) const;
  int32_t TableParameterCount(int32_t index) const;
  // Resizes `ParamNo` to the record's pair count, copies the codes and
  // returns the count; a negative index returns 0 and leaves it untouched.
  int32_t GetTableNo(int32_t index, std::vector<int32_t>& ParamNo) const;
  int32_t GetTableValue(int32_t index, std::vector<std::string>& ParamValue) const;

  int32_t EntityCount() const { return entity_count_; }
  std::string EntityType(int32_t index) const;
  int32_t EntityParmeterCount(int32_t index) const;
  int32_t GetEntityNo(int32_t index, std::vector<int32_t>& ParamNo) const;
  int32_t GetEntityValue(int32_t index, std::vector<std::string>& ParamValue) const;

  // The stored lists themselves (views into them stay valid until the next
  // ReadDxfFile or Clear).
  const DxfRecordStore& TableRecords() const { return tables_; }
  const DxfRecordStore& EntityRecords() const { return entities_; }
  // The records of the BLOCKS section (BLOCK, its entities, ENDBLK), kept
  // only when every entity is drawn.
  const DxfRecordStore& BlockRecords() const { return blocks_; }
  // The multileader styles of the OBJECTS section, kept on the same terms.
  const DxfRecordStore& ObjectRecords() const { return objects_; }

  // ---- drawing every entity -----------------------------------------------
  // Off (the default): block definitions are passed over and SetEntityData
  // registers the nine kinds as they are. On: the reading pass keeps the
  // block definitions, and SetEntityData also puts every entity the nine
  // stores cannot show faithfully (block references, old-style polylines,
  // bulges, rotated ellipses and texts, solids, points, ...) into the
  // model's extra shapes instead. Set before ReadDxfFile; Clear keeps it.
  void SetDrawAll(bool on) { draw_all_ = on; }
  bool DrawAll() const { return draw_all_; }

  // ---- lifecycle and registration ----------------------------------------

  // Forgets the path, the counts, both lists and the model; an open file
  // stays open (CloseDxfFile closes it).
  void Clear();
  // Drops the file's raw records (tables, entities, blocks) once the model
  // holds the drawing; the counts and the skipped entities stay for the
  // run's report.
  void ReleaseRecords();

  // Makes `system` the model that SetTableData and SetEntityData fill.
  void SetRvSystem(std::shared_ptr<RvSystem> system);

  // Registers the LAYER, LTYPE, STYLE and DIMSTYLE records in the model.
  // Returns the model when at least one record was registered, else null.
  RvSystem* SetTableData();
  // Registers the LINE, CIRCLE, ELLIPSE, ARC, LWPOLYLINE, TEXT, MTEXT,
  // DIMENSION and LEADER entities of model space. Returns the model (null
  // when SetRvSystem was not called).
  RvSystem* SetEntityData();
  // Entities SetEntityData left out because a value of theirs is too large
  // to be a number (the rest of the drawing is read); emptied by Clear.
  const std::vector<SkippedEntity>& SkippedEntities() const { return skipped_; }

 private:
  enum class PassOutcome { Ok, Binary, NotDxf, BadCode, ReadError, LineTooLong };
  template <typename Sink>
  PassOutcome Walk(Sink& sink);
  bool ReportFailure(PassOutcome outcome);

  std::string file_path_;
  bool file_used_ = false;  // a file was opened since Clear
  bool opened_ = false;
  DxfTagReader reader_;
  std::string encoding_;
  std::string fallback_encoding_;
  std::string acad_ver_;       // $ACADVER of the last pass
  std::string dwg_code_page_;  // $DWGCODEPAGE of the last pass
  int32_t table_count_ = 0;
  int32_t entity_count_ = 0;
  DxfRecordStore tables_;
  DxfRecordStore entities_;
  DxfRecordStore blocks_;
  DxfRecordStore objects_;
  bool draw_all_ = false;
  std::unique_ptr<RvDocument> document_;
  bool system_bound_ = false;
  // Sizes found by the counting pass, used to allocate the lists once.
  std::size_t table_pairs_ = 0, entity_pairs_ = 0;
  std::size_t table_bytes_ = 0, entity_bytes_ = 0;
  std::vector<SkippedEntity> skipped_;
};

}  // namespace ovix
