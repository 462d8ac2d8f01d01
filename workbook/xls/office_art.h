#pragma once
// Drawing records of the legacy format: 8-byte headers (version and instance,
// type, length), containers whose length is that of their children, and
// property tables.

#include <cstdint>
#include <string>
#include <vector>

#include "workbook/xls/byte_buffer.h"

namespace ovix::workbook::xls::art {

inline constexpr uint16_t kDggContainer = 0xF000;
inline constexpr uint16_t kDgContainer = 0xF002;
inline constexpr uint16_t kSpgrContainer = 0xF003;
inline constexpr uint16_t kSpContainer = 0xF004;
inline constexpr uint16_t kFdgg = 0xF006;
inline constexpr uint16_t kFdg = 0xF008;
inline constexpr uint16_t kFspgr = 0xF009;
inline constexpr uint16_t kFsp = 0xF00A;
inline constexpr uint16_t kFopt = 0xF00B;
inline constexpr uint16_t kClientTextbox = 0xF00D;
inline constexpr uint16_t kChildAnchor = 0xF00F;
inline constexpr uint16_t kClientAnchor = 0xF010;
inline constexpr uint16_t kClientData = 0xF011;
inline constexpr uint16_t kSplitMenuColors = 0xF11E;

// Shape flags.
inline constexpr uint32_t kFlagGroup = 0x001;
inline constexpr uint32_t kFlagChild = 0x002;
inline constexpr uint32_t kFlagPatriarch = 0x004;
inline constexpr uint32_t kFlagFlipH = 0x040;
inline constexpr uint32_t kFlagFlipV = 0x080;
inline constexpr uint32_t kFlagHaveAnchor = 0x200;
inline constexpr uint32_t kFlagHaveShapeType = 0x800;

// Shape types.
inline constexpr uint16_t kTypeNotPrimitive = 0;
inline constexpr uint16_t kTypeRectangle = 1;
inline constexpr uint16_t kTypeEllipse = 3;
inline constexpr uint16_t kTypeArc = 19;
inline constexpr uint16_t kTypeLine = 20;
inline constexpr uint16_t kTypeTextBox = 202;

// Header of a record: the instance sits above the 4-bit version.
void Header(ByteBuffer& out, uint16_t version, uint16_t instance, uint16_t type, uint32_t length);

// Opens a container at the end of `out`; Close sets its length to what was
// written since.
size_t Open(ByteBuffer& out, uint16_t type);
void Close(ByteBuffer& out, size_t at);

// A property table: simple values and complex ones (their data follows the
// table in the same order), written sorted by property id.
class PropertyTable {
 public:
  void Add(uint16_t id, uint32_t value) { simple_.push_back({id, value, {}}); }
  void AddComplex(uint16_t id, std::string data) {
    simple_.push_back({static_cast<uint16_t>(id | 0x8000), static_cast<uint32_t>(data.size()),
                       std::move(data)});
  }
  void Write(ByteBuffer& out);

 private:
  struct Property {
    uint16_t id;
    uint32_t value;
    std::string data;
  };
  std::vector<Property> simple_;
};

}  // namespace ovix::workbook::xls::art
