#pragma once
// DxfRecord: one table record or entity as read from a DXF file, and
// DxfRecordStore: the compact store that holds all records of one list.
//
// The store keeps every value in one character arena and every pair as a
// group code and an offset, so a drawing of millions of pairs costs a small
// multiple of its values' size instead of one heap string per pair. Records
// hand out views into the store for the reader's own use; the reader's
// public accessors copy them out.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ovix {

// One record copied out of the store.
struct DxfRecord {
  std::string RecordType;              // code-0 value, trimmed and upper-cased
  int32_t ParamCount = 0;              // pairs after the code-0 pair
  std::vector<int32_t> ParamNo;        // group codes in file order
  std::vector<std::string> ParamValue;  // values in file order, trimmed, UTF-8
};

class DxfRecordStore;

// A read-only view of one stored record; valid while the store is unchanged.
class DxfRecordView {
 public:
  std::string_view Type() const { return type_; }
  int32_t PairCount() const { return count_; }
  int32_t Code(int32_t pair) const { return codes_[pair]; }
  std::string_view Value(int32_t pair) const {
    const uint32_t begin = offsets_[pair];
    const uint32_t end = pair + 1 < count_ ? offsets_[pair + 1] : value_bytes_;
    return std::string_view(values_ + begin, end - begin);
  }
  // Line number of the record's code-0 line, and of pair `pair`'s code line
  // (pairs are two lines each and follow each other without a gap).
  uint64_t Line() const { return line_; }
  uint64_t PairLine(int32_t pair) const { return line_ + 2 * (static_cast<uint64_t>(pair) + 1); }

 private:
  friend class DxfRecordStore;
  DxfRecordView() = default;
  std::string_view type_;
  const int32_t* codes_ = nullptr;
  const uint32_t* offsets_ = nullptr;
  const char* values_ = nullptr;
  uint32_t value_bytes_ = 0;
  int32_t count_ = 0;
  uint64_t line_ = 0;
};

class DxfRecordStore {
 public:
  // Empties the store and releases its memory.
  void Clear();
  // Makes room for the given totals so that filling allocates once.
  void Reserve(std::size_t records, std::size_t pairs, std::size_t value_bytes);

  // Starts a record of `type` whose code-0 line is `line`.
  void StartRecord(std::string_view type, uint64_t line);
  // Appends a pair to the last record (the store must have one); the value
  // is written by `write`, which appends it to the string it is given.
  template <typename Write>
  void AddPairWith(int32_t code, Write&& write) {
    Record& r = records_.back();
    codes_.push_back(code);
    offsets_.push_back(CheckedOffset(arena_.size() - r.ValueBegin));
    write(arena_);
    ++r.PairCount;
    r.ValueBytes = CheckedOffset(arena_.size() - r.ValueBegin);
  }
  void AddPair(int32_t code, std::string_view value) {
    AddPairWith(code, [&](std::string& arena) { arena.append(value); });
  }

  std::size_t Count() const { return records_.size(); }
  bool Empty() const { return records_.empty(); }
  DxfRecordView At(std::size_t index) const;
  DxfRecord Copy(std::size_t index) const;

  // Number of records of each type.
  std::vector<std::pair<std::string, std::size_t>> TypeCounts() const;

  std::size_t PairTotal() const { return codes_.size(); }
  std::size_t ValueBytes() const { return arena_.size(); }

 private:
  struct Record {
    std::size_t FirstPair = 0;
    std::size_t ValueBegin = 0;  // arena offset of the first value
    uint64_t Line = 0;
    uint32_t ValueBytes = 0;
    int32_t PairCount = 0;
    uint32_t Type = 0;  // index into types_
  };
  static uint32_t CheckedOffset(std::size_t offset);

  std::vector<Record> records_;
  std::vector<int32_t> codes_;
  std::vector<uint32_t> offsets_;  // value start, relative to the record's first value
  std::string arena_;
  std::vector<std::string> types_;
  std::unordered_map<std::string, uint32_t> type_index_;
};

}  // namespace ovix
