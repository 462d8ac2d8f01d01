#pragma once
// BlockTable: the block definitions of the BLOCKS section as kept by the
// reader (BLOCK, its entities, ENDBLK), indexed once by name. A block's
// name is matched without regard to letter case, as CAD programs match it;
// the first definition of a name counts.

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dxf/dxf_record.h"

namespace ovix::draw_all {

struct BlockDefinition {
  std::string Name;
  double BaseX = 0, BaseY = 0;
  std::size_t First = 0;  // first entity record
  std::size_t End = 0;    // the ENDBLK record (or the end of the store)
  std::string RecordHandle;  // handle of its block record (code 330)
};

class BlockTable {
 public:
  explicit BlockTable(const DxfRecordStore& blocks);

  std::size_t Count() const { return blocks_.size(); }
  const BlockDefinition& At(int32_t id) const { return blocks_[static_cast<std::size_t>(id)]; }
  // Index of the block of that name, -1 when there is none.
  int32_t Find(std::string_view name) const;
  // Index of the block whose block record has that handle, -1 when none.
  int32_t FindByRecordHandle(std::string_view handle) const;

 private:
  std::vector<BlockDefinition> blocks_;
  std::unordered_map<std::string, int32_t> index_;
  std::unordered_map<std::string, int32_t> handle_index_;
};

}  // namespace ovix::draw_all
