// RvDxfImport::SetTableData: the LAYER, LTYPE, STYLE and DIMSTYLE records
// of the TABLES section into the model's symbol tables.
//
// Each record's values are gathered by group code into an integer, a real
// and a text list whose slots the model reads (model/rv_system.h). Numbers
// are converted strictly: a value that is not a number stops the
// registration with a DxfDataError naming it.

#include <charconv>
#include <limits>

#include "dxf/entity_registration.h"
#include "dxf/rv_dxf_import.h"
#include "model/rv_document.h"
#include "tools/numeric.h"

namespace ovix {

namespace {

// Slots every list offers; a line type with more elements grows its lists.
constexpr std::size_t kListSlots = 51;

struct TableWork {
  std::string name;
  std::string handle;
  std::vector<int32_t> integers;
  std::vector<double> reals;
  std::vector<std::string> texts;
  // Next free slot of the line type's appending codes.
  std::size_t next_real = 1, next_text = 1, next_integer = 3;
  bool any = false;       // a listed code was present
  bool has_name = false;  // code 2 was present

  void Reset() {
    name.clear();
    handle.clear();
    integers.assign(kListSlots, 0);
    reals.assign(kListSlots, 0.0);
    texts.assign(kListSlots, std::string());
    next_real = next_text = 1;
    next_integer = 3;
    any = has_name = false;
  }

  template <typename T>
  static void Put(std::vector<T>& list, std::size_t slot, T value) {
    if (slot >= list.size()) list.resize(slot + 1);
    list[slot] = std::move(value);
  }
  void Integer(std::size_t slot, std::string_view v) { Put(integers, slot, num::ToInt32(v)); }
  void Real(std::size_t slot, std::string_view v) { Put(reals, slot, num::ToDouble(v)); }
  void Text(std::size_t slot, std::string_view v) { Put(texts, slot, std::string(v)); }
};

// A line type element's style reference (code 340) is an object handle,
// hexadecimal text; the model keeps a 16-bit number. A handle written in
// decimal digits that fits is kept, any other becomes 0.
int32_t StyleReference(std::string_view v) {
  int32_t value = 0;
  const auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
  if (ec != std::errc() || ptr != v.data() + v.size()) return 0;
  if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max()) {
    return 0;
  }
  return value;
}

void ReadLayer(TableWork& t, int32_t code, std::string_view v) {
  switch (code) {
    case 2: t.name = v; break;
    case 6: t.Text(0, v); break;
    case 70: t.Integer(0, v); break;
    case 62: t.Integer(1, v); break;
    case 290: t.Integer(2, v); break;
    case 370: t.Integer(3, v); break;
    case 390: t.handle = v; break;
    default: return;
  }
  t.any = true;
}

void ReadLtype(TableWork& t, int32_t code, std::string_view v) {
  switch (code) {
    case 2: t.name = v; break;
    case 3:
      t.Text(0, v);
      t.next_text = 1;
      break;
    case 9: t.Text(t.next_text++, v); break;
    case 40:
      t.Real(0, v);
      t.next_real = 1;
      break;
    case 44:
    case 45:
    case 46:
    case 49:
    case 50: t.Real(t.next_real++, v); break;
    case 70: t.Integer(0, v); break;
    case 72: t.Integer(1, v); break;
    case 73:
      t.Integer(2, v);
      t.next_integer = 3;
      break;
    case 74:
    case 75: t.Integer(t.next_integer++, v); break;
    case 340: TableWork::Put(t.integers, t.next_integer++, StyleReference(v)); break;
    default: return;
  }
  t.any = true;
}

void ReadStyle(TableWork& t, int32_t code, std::string_view v) {
  switch (code) {
    case 2:
      t.name = v;
      t.has_name = true;
      break;
    case 3: t.Text(0, v); break;
    case 4: t.Text(1, v); break;
    case 40: t.Real(0, v); break;
    case 41: t.Real(1, v); break;
    case 50: t.Real(2, v); break;
    case 42: t.Real(3, v); break;
    case 70: t.Integer(0, v); break;
    case 71: t.Integer(1, v); break;
    default: break;
  }
}

void ReadDimStyle(TableWork& t, int32_t code, std::string_view v) {
  switch (code) {
    case 2:
      t.name = v;
      t.has_name = true;
      break;
    case 40: t.Real(0, v); break;
    case 41: t.Real(1, v); break;
    case 42: t.Real(2, v); break;
    case 43: t.Real(3, v); break;
    case 44: t.Real(4, v); break;
    case 140: t.Real(5, v); break;
    case 144: t.Real(6, v); break;
    case 147: t.Real(7, v); break;
    case 371: t.Real(8, v); break;
    case 372: t.Real(9, v); break;
    case 172: t.Integer(0, v); break;
    case 174: t.Integer(1, v); break;
    case 176: t.Integer(2, v); break;
    case 177: t.Integer(3, v); break;
    case 178: t.Integer(4, v); break;
    case 271: t.Integer(6, v); break;
    case 272: t.Integer(7, v); break;
    case 340: t.handle = v; break;
    default: break;
  }
}

// The model reads a slot for every element that code 73 announces (up to
// five reals, three integers and a text for an embedded text element);
// slots the file left out read as 0 and empty, as in a fresh list.
void PadForElements(TableWork& t) {
  const int64_t n = t.integers[2];
  if (n <= 0) return;
  const auto elements = static_cast<std::size_t>(n);
  if (t.reals.size() < 1 + 5 * elements) t.reals.resize(1 + 5 * elements, 0.0);
  if (t.integers.size() < 3 + 3 * elements) t.integers.resize(3 + 3 * elements, 0);
  if (t.texts.size() < 1 + elements) t.texts.resize(1 + elements);
}

}  // namespace

RvSystem* RvDxfImport::SetTableData() {
  if (!system_bound_ || !document_) return nullptr;
  RvSystem& system = document_->System();
  bool registered = false;
  TableWork t;
  for (std::size_t i = 0; i < tables_.Count(); ++i) {
    const DxfRecordView record = tables_.At(i);
    const std::string_view type = record.Type();
    void (*reader)(TableWork&, int32_t, std::string_view) = nullptr;
    if (type == "LAYER") reader = ReadLayer;
    else if (type == "LTYPE") reader = ReadLtype;
    else if (type == "STYLE") reader = ReadStyle;
    else if (type == "DIMSTYLE") reader = ReadDimStyle;
    else continue;
    t.Reset();
    dxf_entities::ForEachPair(record, [&](int32_t code, std::string_view v) { reader(t, code, v); });
    try {
      if (type == "LAYER") {
        if (!t.any) continue;
        system.AddLayer(t.handle, t.name, t.integers, t.texts);
      } else if (type == "LTYPE") {
        if (!t.any) continue;
        PadForElements(t);
        system.AddLtype(t.name, t.integers, t.reals, t.texts);
      } else if (type == "STYLE") {
        if (!t.has_name) continue;
        system.AddTextStyle(t.name, t.integers, t.reals, t.texts);
      } else {
        if (!t.has_name) continue;
        system.AddDimStyle(t.handle, t.name, t.integers, t.reals);
      }
    } catch (const RvError& e) {
      throw DxfDataError(e, record.Line(), std::string(type));
    }
    registered = true;
  }
  return registered ? &system : nullptr;
}

}  // namespace ovix
