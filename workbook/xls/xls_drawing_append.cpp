#include "workbook/xls/xls_drawing_append.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>
#include <set>

#include "excel/excel_automation.h"
#include "workbook/loaded_shapes.h"
#include "workbook/utf8_codec.h"
#include "workbook/xls/biff_stream.h"
#include "workbook/xls/font_list.h"
#include "workbook/xls/le_bytes.h"
#include "workbook/xls/office_art.h"
#include "workbook/xls/shape_source.h"
#include "workbook/xls/sheet_drawing.h"

namespace ovix::workbook::xls {

namespace {

constexpr size_t kNone = std::numeric_limits<size_t>::max();
constexpr uint32_t kIdsPerCluster = 1024;
// Where the legacy writer numbers a drawing of its own: its first cluster.
constexpr uint32_t kWriterFirstSpid = kIdsPerCluster;

[[noreturn]] void Damaged(const std::string& what) {
  throw XlsFormatError("シートの図形のレコードが壊れています（" + what + "）");
}

// Drawing data of a run of records: MSODRAWING records and the CONTINUE
// records that carry drawing data (after MSODRAWING, after an OBJ, or after
// a TXO once its text and formatting runs are complete), joined.
struct Piece {
  size_t record;
  uint32_t logical;  // offset of the record's data in the joined drawing
};

struct Collected {
  std::string data;
  std::vector<Piece> pieces;
  size_t last_record = kNone;  // last record of the drawing's sequence
  uint32_t max_obj_id = 0;
  // Each OBJ record's object type and id, in order (the n-th belongs to the
  // shape with the n-th ClientData record).
  std::vector<std::pair<uint16_t, uint16_t>> objects;
};

Collected Collect(std::string_view stream, const std::vector<BiffRecord>& records, size_t first, size_t last) {
  Collected c;
  enum { kOther, kDrawing, kObj, kTxo } state = kOther;
  uint32_t text_left = 0, runs_left = 0;
  int depth = 0;
  for (size_t i = first; i <= last && i < records.size(); ++i) {
    const BiffRecord& r = records[i];
    const std::string_view d = DataOf(stream, r);
    if (r.type == rt::kBof) ++depth;
    if (r.type == rt::kEof) --depth;
    if (depth > 1 || (r.type == rt::kEof && depth == 1)) {
      // An embedded chart's substream belongs to the object before it.
      if (state == kObj || (r.type == rt::kEof && c.last_record == i - 1)) c.last_record = i;
      continue;
    }
    if (depth < 1 && first != 0) break;
    auto drawing_data = [&] {
      c.pieces.push_back({i, static_cast<uint32_t>(c.data.size())});
      c.data.append(d);
      state = kDrawing;
      c.last_record = i;
    };
    switch (r.type) {
      case rt::kMsoDrawing:
        drawing_data();
        break;
      case rt::kObj:
        state = kObj;
        c.last_record = i;
        if (d.size() >= 8 && GetU16(d, 0) == 0x0015) {
          c.max_obj_id = std::max<uint32_t>(c.max_obj_id, GetU16(d, 6));
          c.objects.emplace_back(GetU16(d, 4), GetU16(d, 6));
        } else {
          c.objects.emplace_back(0xFFFF, 0);
        }
        break;
      case rt::kTxo:
        state = kTxo;
        c.last_record = i;
        text_left = d.size() >= 14 ? GetU16(d, 10) : 0;
        runs_left = text_left > 0 && d.size() >= 14 ? GetU16(d, 12) : 0;
        break;
      case rt::kContinue:
        if (state == kDrawing || state == kObj) {
          drawing_data();
        } else if (state == kTxo && text_left > 0) {
          const bool wide = !d.empty() && (static_cast<uint8_t>(d[0]) & 1) != 0;
          const uint32_t chars = d.empty() ? 0 : static_cast<uint32_t>((d.size() - 1) / (wide ? 2 : 1));
          text_left -= std::min(text_left, std::max<uint32_t>(chars, 1));
          c.last_record = i;
        } else if (state == kTxo && runs_left > 0) {
          runs_left -= std::min<uint32_t>(runs_left, std::max<uint32_t>(r.size, 1));
          c.last_record = i;
        } else if (state == kTxo) {
          drawing_data();
        }
        break;
      default:
        state = kOther;
        break;
    }
  }
  return c;
}

// Calls `f(type, instance, at, length)` for each OfficeArt record in
// [begin, end) of `data`, entering containers.
template <typename F>
void Walk(const std::string& data, size_t begin, size_t end, int depth, F&& f) {
  if (depth > 64) Damaged("入れ子が深すぎる");
  size_t at = begin;
  while (at + 8 <= end) {
    const uint16_t vi = GetU16(data, at);
    const uint16_t type = GetU16(data, at + 2);
    const uint32_t len = GetU32(data, at + 4);
    if (len > end - at - 8) Damaged("長さが範囲を超える");
    f(type, static_cast<uint16_t>(vi >> 4), at, len);
    if ((vi & 0xF) == 0xF) Walk(data, at + 8, at + 8 + len, depth + 1, f);
    at += 8 + len;
  }
}

// The top-level structure of a sheet's drawing.
struct DgLayout {
  size_t fdg = kNone;   // offset of the FDG record
  size_t spgr = kNone;  // offset of the top-level SpgrContainer
  uint32_t dgid = 0;
  uint32_t max_spid = 0;
};

DgLayout ReadDg(const std::string& data) {
  DgLayout l;
  if (data.size() < 8 || GetU16(data, 2) != art::kDgContainer) Damaged("描画コンテナがない");
  const size_t end = std::min<size_t>(data.size(), 8 + static_cast<size_t>(GetU32(data, 4)));
  size_t at = 8;
  while (at + 8 <= end) {
    const uint16_t type = GetU16(data, at + 2);
    const uint32_t len = GetU32(data, at + 4);
    if (len > end - at - 8) Damaged("長さが範囲を超える");
    if (type == art::kFdg && l.fdg == kNone && len >= 8) {
      l.fdg = at;
      l.dgid = GetU16(data, at) >> 4;
    }
    if (type == art::kSpgrContainer && l.spgr == kNone) l.spgr = at;
    at += 8 + len;
  }
  if (l.fdg == kNone || l.spgr == kNone) Damaged("図形グループがない");
  Walk(data, 8, end, 0, [&](uint16_t type, uint16_t, size_t at2, uint32_t len) {
    if (type == art::kFsp && len >= 8) l.max_spid = std::max(l.max_spid, GetU32(data, at2 + 8));
  });
  return l;
}

std::string RecordBytes(uint16_t type, std::string_view data) {
  std::string out;
  AppendRecord(out, type, data);
  return out;
}

// Cell anchor of a sheet position (EMU) on `grid`, in the format's units.
void Anchor(const SheetGrid& grid, int64_t x, int64_t y, uint16_t& col, uint16_t& dx, uint16_t& row,
            uint16_t& dy) {
  const CellPosition p = grid.CellAt(x, y);
  if (p.column >= 256 || p.row >= 65536) {
    throw excel::AutomationError(std::string("図形がシートの最後の") + (p.column >= 256 ? "列（256 列）" : "行（65,536 行）") +
                                 "を越えます。縮尺を小さくするか .xlsx で保存してください");
  }
  int64_t x0, y0, x1, y1;
  grid.PointAt({p.column, 0, p.row, 0}, x0, y0);
  grid.PointAt({p.column + 1, 0, p.row + 1, 0}, x1, y1);
  const int64_t w = x1 - x0, h = y1 - y0;
  col = static_cast<uint16_t>(p.column);
  row = static_cast<uint16_t>(p.row);
  dx = static_cast<uint16_t>(w > 0 ? std::min<int64_t>(1023, p.column_offset * 1024 / w) : 0);
  dy = static_cast<uint16_t>(h > 0 ? std::min<int64_t>(255, p.row_offset * 256 / h) : 0);
}

// The name (wzName) of each FOPT record in [begin, end) of `data`.
void CollectNames(const std::string& data, size_t begin, size_t end_of_data, std::vector<std::string>& names) {
  constexpr uint16_t kName = 0x0380;
  Walk(data, begin, end_of_data, 0, [&](uint16_t type, uint16_t count, size_t at, uint32_t len) {
    if (type != art::kFopt) return;
    const size_t end = at + 8 + len;
    size_t complex = at + 8 + 6 * static_cast<size_t>(count);
    for (size_t p = 0; p < count && at + 8 + 6 * p + 6 <= end; ++p) {
      const uint16_t id = GetU16(data, at + 8 + 6 * p);
      const uint32_t value = GetU32(data, at + 8 + 6 * p + 2);
      if ((id & 0x8000) == 0) continue;
      if ((id & 0x3FFF) == kName && complex <= end && value <= end - complex) {
        std::string name;
        for (size_t c = complex; c + 1 < complex + value; c += 2) {
          const char32_t u = GetU16(data, c);
          if (u == 0) break;
          AppendUtf8(u >= 0xD800 && u < 0xE000 ? U'\uFFFD' : u, name);
        }
        if (!name.empty()) names.push_back(std::move(name));
      }
      complex += value;
    }
  });
}

// The name the spreadsheet application gives an object of type `ot` that
// has no name of its own: its kind and its object id.
std::string DefaultObjectName(uint16_t ot, uint16_t id) {
  static const char* const kKinds[] = {"Group",      "Line",     "Rectangle", "Oval",       "Arc",
                                       "Chart",      "Text Box", "Button",    "Picture",    "Freeform",
                                       "Object",     "Check Box", "Option Button", "Edit Box", "Label",
                                       "Dialog",     "Spinner",  "Scroll Bar", "List Box",  "Group Box",
                                       "Drop Down"};
  const char* kind = ot < std::size(kKinds) ? kKinds[ot] : ot == 30 ? "AutoShape" : "Object";
  return std::string(kind) + " " + std::to_string(id);
}

constexpr uint16_t kObjectComment = 25;

// The top-level shapes of a drawing whose layout is `l`.
std::vector<ExistingShape> TopLevelShapes(const Collected& c, const DgLayout& l) {
  const std::string& data = c.data;
  // ClientData records in order: the n-th is followed by the n-th OBJ.
  std::vector<size_t> client_data;
  Walk(data, 0, data.size(), 0, [&](uint16_t type, uint16_t, size_t at, uint32_t) {
    if (type == art::kClientData) client_data.push_back(at);
  });
  std::vector<ExistingShape> shapes;
  const size_t end = l.spgr + 8 + GetU32(data, l.spgr + 4);
  bool patriarch = true;
  for (size_t at = l.spgr + 8; at + 8 <= end; at += 8 + static_cast<size_t>(GetU32(data, at + 4))) {
    const uint16_t type = GetU16(data, at + 2);
    const size_t next = at + 8 + static_cast<size_t>(GetU32(data, at + 4));
    if (patriarch) {
      patriarch = false;
      continue;
    }
    // A group's own record is its container's first SpContainer.
    size_t own = at;
    if (type == art::kSpgrContainer) {
      own = at + 8;
      if (own + 8 > next || GetU16(data, own + 2) != art::kSpContainer) continue;
    } else if (type != art::kSpContainer) {
      continue;
    }
    const size_t own_end = own + 8 + static_cast<size_t>(GetU32(data, own + 4));
    size_t anchor = kNone, client = kNone;
    for (size_t r = own + 8; r + 8 <= own_end; r += 8 + static_cast<size_t>(GetU32(data, r + 4))) {
      const uint16_t t = GetU16(data, r + 2);
      if (t == art::kClientAnchor && GetU32(data, r + 4) >= 18) anchor = r + 8 + 2;
      if (t == art::kClientData) client = r;
    }
    if (anchor == kNone || client == kNone) continue;
    const auto n = std::lower_bound(client_data.begin(), client_data.end(), client) - client_data.begin();
    if (static_cast<size_t>(n) >= c.objects.size()) continue;
    const auto [ot, id] = c.objects[static_cast<size_t>(n)];
    // Cell comments belong to their cells, not to the sheet's shapes.
    if (ot == 0xFFFF || ot == kObjectComment) continue;
    ExistingShape shape;
    shape.object_type = ot;
    shape.object_id = id;
    shape.anchor_at = anchor;
    shape.container_at = at;
    shape.container_end = next;
    for (size_t k = 0; k < 8; ++k) shape.anchor[k] = GetU16(data, anchor + 2 * k);
    std::vector<std::string> names;
    CollectNames(data, own, own_end, names);
    shape.name = names.empty() ? DefaultObjectName(ot, id) : names.front();
    shapes.push_back(std::move(shape));
  }
  return shapes;
}


// A shape of the sheet's drawing made a member of a new group: its records
// (from the record its container starts in to the last before the next
// shape's), with its ClientAnchor replaced by the ChildAnchor of the
// placeholder the writer made for it at `at` in `data`, and the child flag.
struct GroupedRecords {
  size_t placeholder_len = 0;  // the placeholder's container, with its header
  std::string records;         // the shape's records, made a member
  uint32_t drawing_size = 0;   // its drawing data now
  uint32_t removed_size = 0;   // its drawing data where it was
  size_t first = 0, last = 0;  // its records in the sheet
  size_t prefix = 0;           // bytes of the first record that belong to what is before it
};

GroupedRecords GroupedMember(const XlsWorkbook& book, const Collected& theirs, const ExistingShape& e,
                             const std::string& data, size_t at, uint32_t len, const std::string& sheet_name,
                             const std::string& shape_name) {
  auto refuse = [&] {
    throw excel::AutomationError("シート「" + sheet_name + "」の図形「" + shape_name +
                                 "」は、そのレコードの並びのため .xls ではグループにできません");
  };
  GroupedRecords g;
  g.placeholder_len = 8 + static_cast<size_t>(len);
  // The placeholder's child anchor.
  std::string child_anchor;
  Walk(data, at + 8, at + 8 + len, 0, [&](uint16_t type, uint16_t, size_t a, uint32_t l) {
    if (type == art::kChildAnchor && l == 16 && child_anchor.empty()) child_anchor = data.substr(a, 24);
  });
  if (child_anchor.empty()) Damaged("グループの図形の位置");
  const std::string& old = theirs.data;
  const size_t cs = e.container_at, ce = e.container_end;
  const size_t anchor = e.anchor_at - 2 - 8;  // the ClientAnchor's header
  if (GetU32(old, anchor + 4) != 18) refuse();
  // The container made a member: 2 bytes shorter (a 16-byte child anchor).
  std::string t = old.substr(cs, anchor - cs) + child_anchor + old.substr(anchor + 26, ce - anchor - 26);
  const size_t own = GetU16(t, 2) == art::kSpgrContainer ? 8 : 0;
  SetU32(t, 4, GetU32(t, 4) - 2);
  if (own != 0) SetU32(t, own + 4, GetU32(t, own + 4) - 2);
  bool flagged = false;
  for (size_t r = own + 8; r + 8 <= own + 8 + GetU32(t, own + 4); r += 8 + static_cast<size_t>(GetU32(t, r + 4))) {
    if (GetU16(t, r + 2) == art::kFsp && GetU32(t, r + 4) >= 8) {
      SetU32(t, r + 12, GetU32(t, r + 12) | art::kFlagChild);
      flagged = true;
      break;
    }
  }
  if (!flagged) refuse();
  g.drawing_size = static_cast<uint32_t>(t.size());
  g.removed_size = static_cast<uint32_t>(ce - cs);

  // Its records: from the one its container starts in to the last before
  // the record the next shape's data starts in (or the drawing's end).
  auto piece_at = [&](size_t logical) -> const Piece* {
    auto it = std::upper_bound(theirs.pieces.begin(), theirs.pieces.end(), logical,
                               [](size_t v, const Piece& p) { return v < p.logical; });
    return it == theirs.pieces.begin() ? nullptr : &*(it - 1);
  };
  const Piece* start = piece_at(cs);
  if (start == nullptr) refuse();
  g.first = start->record;
  g.prefix = cs - start->logical;
  if (ce < old.size()) {
    const Piece* next = piece_at(ce);
    if (next == nullptr || next->logical != ce || next->record <= g.first) refuse();
    g.last = next->record - 1;
  } else {
    g.last = theirs.last_record;
  }
  std::map<size_t, size_t> logical_of;  // record -> offset of its data
  for (const Piece& p : theirs.pieces) logical_of[p.record] = p.logical;
  // Where an offset of the old container lies in the new one.
  auto moved = [&](size_t o) -> size_t {
    if (o <= anchor) return o - cs;
    if (o >= anchor + 26) return o - cs - 2;
    refuse();
    return 0;
  };
  bool first_drawing = true;
  for (size_t r = g.first; r <= g.last; ++r) {
    const auto p = logical_of.find(r);
    if (p == logical_of.end()) {
      AppendRecord(g.records, book.records[r].type, book.Data(r));
      continue;
    }
    const size_t from = std::max(p->second, cs), to = std::min<size_t>(p->second + book.records[r].size, ce);
    if (from >= to) refuse();
    const size_t a = moved(from), b = moved(to);
    AppendRecord(g.records, first_drawing ? rt::kMsoDrawing : book.records[r].type, std::string_view(t).substr(a, b - a));
    first_drawing = false;
  }
  return g;
}
}  // namespace

ExistingDrawing ReadExistingDrawing(const XlsWorkbook& book, const XlsSheet& sheet) {
  const Collected c = Collect(book.stream, book.records, sheet.bof, sheet.eof);
  ExistingDrawing out;
  out.max_obj_id = c.max_obj_id;
  if (c.pieces.empty()) return out;
  const DgLayout layout = ReadDg(c.data);
  CollectNames(c.data, 0, c.data.size(), out.names);
  out.shapes = TopLevelShapes(c, layout);
  return out;
}

DrawingAppender::DrawingAppender(const XlsWorkbook& book) : book_(book) {
  for (size_t i = 1; i < book.globals_eof; ++i) {
    if (book.records[i].type == rt::kFont) {
      fonts_.emplace_back(book.Data(i));
      last_font_record_ = i;
    }
  }
  fonts_read_ = fonts_.size();
  if (book.drawing_group.empty()) return;
  group_data_ = book.DrawingGroupData();
  if (group_data_.size() < 8 || GetU16(group_data_, 2) != art::kDggContainer) Damaged("描画グループがない");
  const size_t end = std::min<size_t>(group_data_.size(), 8 + static_cast<size_t>(GetU32(group_data_, 4)));
  for (size_t at = 8; at + 8 <= end;) {
    const uint32_t len = GetU32(group_data_, at + 4);
    if (len > end - at - 8) Damaged("描画グループの長さ");
    if (GetU16(group_data_, at + 2) == art::kFdgg && len >= 16) {
      fdgg_at_ = at;
      has_group_ = true;
      break;
    }
    at += 8 + len;
  }
  if (!has_group_) Damaged("図形番号の表がない");
  const size_t f = fdgg_at_ + 8;
  spid_max_ = GetU32(group_data_, f);
  const uint32_t cidcl = GetU32(group_data_, f + 4);
  shapes_saved_ = GetU32(group_data_, f + 8);
  drawings_saved_ = GetU32(group_data_, f + 12);
  const size_t room = (GetU32(group_data_, fdgg_at_ + 4) - 16) / 8;
  const size_t count = std::min<size_t>(cidcl > 0 ? cidcl - 1 : 0, room);
  for (size_t i = 0; i < count; ++i) {
    clusters_.push_back({GetU32(group_data_, f + 16 + 8 * i), GetU32(group_data_, f + 20 + 8 * i)});
  }
  clusters_read_ = clusters_.size();
}

uint32_t DrawingAppender::TakeIds(uint32_t dgid, uint32_t count, uint32_t lowest, std::vector<uint32_t>& ids) {
  // First the sheet's own clusters with room, then new ones.
  for (size_t k = 0; k < clusters_.size() && ids.size() < count; ++k) {
    Cluster& c = clusters_[k];
    if (c.dgid != dgid) continue;
    const uint64_t base = (k + 1) * static_cast<uint64_t>(kIdsPerCluster);
    uint64_t next = std::max<uint64_t>(base + c.used, lowest);
    while (next < base + kIdsPerCluster && ids.size() < count) {
      ids.push_back(static_cast<uint32_t>(next++));
      c.used = static_cast<uint32_t>(next - base);
    }
  }
  while (ids.size() < count) {
    const uint64_t base = (clusters_.size() + 1) * static_cast<uint64_t>(kIdsPerCluster);
    if (base + kIdsPerCluster > 0xFFFFFFF0ull) {
      throw excel::AutomationError("図形が多すぎて .xls のブックでは番号を付けられません");
    }
    clusters_.push_back({dgid, 0});
    Cluster& c = clusters_.back();
    while (c.used < kIdsPerCluster && ids.size() < count) ids.push_back(static_cast<uint32_t>(base + c.used++));
  }
  spid_max_ = std::max(spid_max_, ids.back() + 1);
  shapes_saved_ += count;
  group_changed_ = true;
  return ids.front();
}

uint16_t DrawingAppender::FontIndex(const std::string& font_record) {
  auto index_of = [](size_t position) { return static_cast<uint16_t>(position < 4 ? position : position + 1); };
  for (size_t i = 0; i < fonts_.size(); ++i) {
    if (fonts_[i] == font_record) return index_of(i);
  }
  if (fonts_.size() + 1 >= 0xFFFF) throw excel::AutomationError("フォントが多すぎて .xls のブックに書けません");
  fonts_.push_back(font_record);
  return index_of(fonts_.size() - 1);
}

bool DrawingAppender::Append(const XlsSheet& sheet, const Drawing& drawing, const SheetGrid& grid,
                             StreamEdits& edits) {
  // The sheet's drawing, if it has one.
  const Collected theirs = Collect(book_.stream, book_.records, sheet.bof, sheet.eof);
  // Records of the sheet's drawing with bytes written in place.
  std::map<size_t, std::string> patched;
  auto patch_bytes = [&](size_t logical, uint32_t value, int bytes) {
    for (int b = 0; b < bytes; ++b) {
      const size_t at = logical + static_cast<size_t>(b);
      auto it = std::upper_bound(theirs.pieces.begin(), theirs.pieces.end(), at,
                                 [](size_t v, const Piece& p) { return v < p.logical; });
      const Piece& p = *(it - 1);
      auto [slot, fresh] = patched.try_emplace(p.record);
      if (fresh) slot->second.assign(book_.Data(p.record));
      slot->second[at - p.logical] = static_cast<char>((value >> (8 * b)) & 0xFF);
    }
  };
  auto patch = [&](size_t logical, uint32_t value) { patch_bytes(logical, value, 4); };
  auto write_patches = [&] {
    for (auto& [record, d] : patched) edits.replace[record] = RecordBytes(book_.records[record].type, d);
  };

  // The sheet's own shapes that were moved or resized get new anchors.
  bool moved = false;
  std::vector<ExistingShape> existing;
  drawing.ForEachTopLevel([&](const ShapeNode& node) {
    if (node.kind != ShapeKind::kLoaded || !node.loaded() || node.loaded()->legacy_shape < 0) return;
    const LoadedShape& l = *node.loaded();
    if (!node.NameIs(l.original_name)) {
      throw excel::AutomationError("シート「" + sheet.name + "」の図形「" + l.original_name +
                                   "」の名前は .xls のブックでは変えられません");
    }
    if (node.rotation() != 0) {
      throw excel::AutomationError("シート「" + sheet.name + "」の図形「" + l.original_name +
                                   "」は .xls のブックでは回転できません");
    }
    // Moved away and back: where it was (to far less than an anchor step).
    constexpr double kPoint = static_cast<double>(kEmuPerPoint);
    auto same = [](double a, double b) { return std::abs(a - b) < 1e-6; };
    if (same(node.left, l.x0 / kPoint) && same(node.top, l.y0 / kPoint) && same(node.width, (l.x1 - l.x0) / kPoint) &&
        same(node.height, (l.y1 - l.y0) / kPoint)) {
      return;
    }
    if (existing.empty()) existing = TopLevelShapes(theirs, ReadDg(theirs.data));
    const size_t index = static_cast<size_t>(l.legacy_shape);
    if (index >= existing.size()) Damaged("図形の位置");
    uint16_t v[8];
    Anchor(grid, PointsToEmu(node.left), PointsToEmu(node.top), v[0], v[1], v[2], v[3]);
    Anchor(grid, PointsToEmu(node.left + node.width), PointsToEmu(node.top + node.height), v[4], v[5], v[6], v[7]);
    if (std::equal(v, v + 8, existing[index].anchor.begin())) return;
    for (size_t k = 0; k < 8; ++k) patch_bytes(existing[index].anchor_at + 2 * k, v[k], 2);
    moved = true;
  });
  if (SheetShapes(drawing).top_level_count() == 0) {
    write_patches();
    return moved;
  }
  // The new shapes as a drawing of their own.
  ShapeIdClusters scratch_ids;
  FontList scratch_fonts;
  BiffStream written;
  WriteSheetDrawing(SheetShapes(drawing), 1, scratch_ids, scratch_fonts, written);
  BiffStream font_stream;
  scratch_fonts.WriteRecords(font_stream);
  const std::string& w = written.bytes();
  size_t padding = 0;
  const std::vector<BiffRecord> wr = SplitRecords(w, padding);
  Collected mine = Collect(w, wr, 0, wr.size() - 1);
  std::vector<std::string> scratch_font_data;
  {
    const std::string& fb = font_stream.bytes();
    for (const BiffRecord& r : SplitRecords(fb, padding)) scratch_font_data.emplace_back(DataOf(fb, r));
  }
  const DgLayout mine_layout = ReadDg(mine.data);
  const uint32_t count = GetU32(mine.data, mine_layout.fdg + 8);  // shapes with the patriarch
  const size_t shapes_at = mine_layout.spgr + 8 + 8 + GetU32(mine.data, mine_layout.spgr + 8 + 4);

  const bool extend = !theirs.pieces.empty();
  DgLayout layout;
  uint32_t dgid = 0;
  std::vector<uint32_t> ids;
  if (extend) {
    layout = ReadDg(theirs.data);
    dgid = layout.dgid;
    TakeIds(dgid, count - 1, layout.max_spid + 1, ids);
    ids.insert(ids.begin(), 0);  // the patriarch keeps its id
  } else {
    std::set<uint32_t> used;
    for (const Cluster& c : clusters_) used.insert(c.dgid);
    dgid = 1;
    while (used.count(dgid)) ++dgid;
    // A new drawing starts its own cluster, the patriarch taking its first id.
    TakeIds(dgid, count, 0, ids);
    ++drawings_saved_;
  }

  // Shape ids and top-level anchors of the new records.
  std::string& data = mine.data;
  const size_t spgr_end = mine_layout.spgr + 8 + GetU32(data, mine_layout.spgr + 4);
  auto map_spid = [&](uint32_t spid) {
    const uint32_t k = spid - kWriterFirstSpid;
    if (spid < kWriterFirstSpid || k >= ids.size()) Damaged("新しい図形の番号");
    return ids[k];
  };
  Walk(data, mine_layout.spgr + 8, spgr_end, 0, [&](uint16_t type, uint16_t, size_t at, uint32_t len) {
    if (type == art::kFsp && len >= 8 && !(extend && at < shapes_at)) SetU32(data, at + 8, map_spid(GetU32(data, at + 8)));
    if (type == art::kClientAnchor && len >= 18) {
      const size_t a = at + 8;
      const int64_t x0 = GetU16(data, a + 2) * kXlsColumnEmu + GetU16(data, a + 4) * kXlsColumnEmu / 1024;
      const int64_t y0 = GetU16(data, a + 6) * kXlsRowEmu + GetU16(data, a + 8) * kXlsRowEmu / 256;
      const int64_t x1 = GetU16(data, a + 10) * kXlsColumnEmu + GetU16(data, a + 12) * kXlsColumnEmu / 1024;
      const int64_t y1 = GetU16(data, a + 14) * kXlsRowEmu + GetU16(data, a + 16) * kXlsRowEmu / 256;
      uint16_t v[8];
      Anchor(grid, x0, y0, v[0], v[1], v[2], v[3]);
      Anchor(grid, x1, y1, v[4], v[5], v[6], v[7]);
      for (int i = 0; i < 8; ++i) SetU16(data, a + 2 + 2 * static_cast<size_t>(i), v[i]);
    }
  });
  if (!extend) {
    SetU16(data, mine_layout.fdg, static_cast<uint16_t>(dgid << 4));
    SetU32(data, mine_layout.fdg + 12, ids.back());
  }

  // Shapes of the sheet grouped with new ones: the writer left a placeholder
  // of each in its group; the shape's own records take its place (made a
  // member: a child anchor, the child flag) and leave theirs.
  std::map<size_t, GroupedRecords> members;  // by the placeholder's offset in `data`
  uint32_t removed_drawing = 0;
  if (extend) {
    std::map<std::string, const LoadedShape*> wanted;
    std::function<void(const ShapeNode&)> find = [&](const ShapeNode& node) {
      for (const ShapeNode* child : node.children()) {
        if (child->kind == ShapeKind::kLoaded && child->loaded() && child->loaded()->legacy_shape >= 0) {
          wanted.emplace(child->Name(), child->loaded());
        }
        find(*child);
      }
    };
    drawing.ForEachTopLevel([&](const ShapeNode& node) {
      if (node.kind == ShapeKind::kGroup) find(node);
    });
    std::vector<std::pair<size_t, size_t>> containers;  // [at, end) of every container in `data`
    Walk(data, mine_layout.spgr + 8, spgr_end, 0, [&](uint16_t type, uint16_t, size_t at, uint32_t len) {
      if (type == art::kSpContainer || type == art::kSpgrContainer) containers.emplace_back(at, at + 8 + len);
      if (wanted.empty() || type != art::kSpContainer) return;
      std::vector<std::string> names;
      CollectNames(data, at, at + 8 + len, names);
      if (names.empty() || !wanted.count(names.front())) return;
      const LoadedShape& l = *wanted.at(names.front());
      if (existing.empty()) existing = TopLevelShapes(theirs, ReadDg(theirs.data));
      const size_t index = static_cast<size_t>(l.legacy_shape);
      if (index >= existing.size()) Damaged("図形の位置");
      members[at] = GroupedMember(book_, theirs, existing[index], data, at, len, sheet.name, l.original_name);
    });
    for (auto& [at, m] : members) {
      const int64_t delta = static_cast<int64_t>(m.drawing_size) - static_cast<int64_t>(m.placeholder_len);
      for (const auto& [c_at, c_end] : containers) {
        if (c_at < at && at < c_end) SetU32(data, c_at + 4, static_cast<uint32_t>(GetU32(data, c_at + 4) + delta));
      }
      removed_drawing += m.removed_size;
    }
  }

  // The new records: drawing data (without the drawing's own headers and
  // patriarch when the sheet has them), OBJ ids after the sheet's, fonts
  // of the workbook.
  const size_t cut = extend ? shapes_at : 0;
  const uint32_t obj_base = theirs.max_obj_id;
  std::string added;
  uint32_t added_drawing = 0;
  bool drawing_open = false;
  std::map<size_t, size_t> piece_of;
  for (size_t p = 0; p < mine.pieces.size(); ++p) piece_of[mine.pieces[p].record] = p;
  uint32_t text_left = 0;
  bool in_txo = false;
  for (size_t i = 0; i < wr.size(); ++i) {
    const BiffRecord& r = wr[i];
    std::string d(DataOf(w, r));
    const auto piece = piece_of.find(i);
    if (piece != piece_of.end() && members.count(mine.pieces[piece->second].logical)) {
      // A placeholder: the sheet's shape in its place, without its OBJ.
      const GroupedRecords& m = members.at(mine.pieces[piece->second].logical);
      if (r.size != m.placeholder_len || i + 1 >= wr.size() || wr[i + 1].type != rt::kObj) Damaged("グループの図形");
      added += m.records;
      added_drawing += m.drawing_size;
      drawing_open = false;
      in_txo = false;
      ++i;
      continue;
    }
    if (piece != piece_of.end()) {
      const size_t from = mine.pieces[piece->second].logical;
      const size_t to = from + r.size;
      const size_t begin = std::max(from, cut);
      if (begin >= to) continue;
      const std::string part = data.substr(begin, to - begin);
      AppendRecord(added, r.type == rt::kMsoDrawing || !drawing_open ? rt::kMsoDrawing : rt::kContinue, part);
      drawing_open = true;
      added_drawing += static_cast<uint32_t>(part.size());
      in_txo = false;
      continue;
    }
    drawing_open = false;
    if (r.type == rt::kObj && d.size() >= 8) {
      const uint32_t id = obj_base + GetU16(d, 6);
      if (id > 0xFFFF) throw excel::AutomationError("シートの図形が多すぎて .xls では番号を付けられません（65,535 個まで）");
      SetU16(d, 6, static_cast<uint16_t>(id));
    } else if (r.type == rt::kTxo && d.size() >= 16) {
      in_txo = true;
      text_left = GetU16(d, 10);
      const uint16_t f = GetU16(d, 14);
      const size_t position = f < 4 ? f : f - 1;
      if (position < scratch_font_data.size()) SetU16(d, 14, FontIndex(scratch_font_data[position]));
    } else if (r.type == rt::kContinue && in_txo) {
      if (text_left > 0) {
        const bool wide = !d.empty() && (static_cast<uint8_t>(d[0]) & 1) != 0;
        text_left -= std::min<uint32_t>(text_left, static_cast<uint32_t>((d.size() - 1) / (wide ? 2 : 1)));
      } else {
        for (size_t at = 0; at + 8 <= d.size(); at += 8) {
          const uint16_t f = GetU16(d, at + 2);
          const size_t position = f < 4 ? f : f - 1;
          const bool terminator = at + 8 == d.size() && i + 1 < wr.size() && wr[i + 1].type != rt::kContinue;
          if (!terminator && position < scratch_font_data.size()) {
            SetU16(d, at + 2, FontIndex(scratch_font_data[position]));
          }
        }
      }
    }
    AppendRecord(added, r.type, d);
  }

  if (!extend) {
    // Before the sheet's window settings (or its end).
    size_t at = sheet.eof;
    int depth = 0;
    for (size_t i = sheet.bof; i <= sheet.eof; ++i) {
      const uint16_t t = book_.records[i].type;
      if (t == rt::kBof) ++depth;
      if (t == rt::kEof) --depth;
      if (depth == 1 && t == rt::kWindow2) {
        at = i;
        break;
      }
    }
    edits.insert_before[at] += added;
    return true;
  }

  // Extend: patch lengths and counts where they sit, the new records after
  // the last shape (before a solver container's record or the notes).
  const std::string& old = theirs.data;
  const uint64_t dg_len = static_cast<uint64_t>(GetU32(old, 4)) + added_drawing - removed_drawing;
  const uint64_t spgr_len = static_cast<uint64_t>(GetU32(old, layout.spgr + 4)) + added_drawing - removed_drawing;
  if (dg_len > 0xFFFFFFFFull) throw excel::AutomationError("シートの図形が .xls に収まりません");
  patch(4, static_cast<uint32_t>(dg_len));
  patch(layout.spgr + 4, static_cast<uint32_t>(spgr_len));
  // Placeholders are not shapes of the sheet.
  patch(layout.fdg + 8, GetU32(old, layout.fdg + 8) + (count - 1) - static_cast<uint32_t>(members.size()));
  shapes_saved_ -= static_cast<uint32_t>(members.size());
  patch(layout.fdg + 12, std::max(GetU32(old, layout.fdg + 12), ids.back()));
  write_patches();
  // The grouped shapes' records leave their place (the first record keeps
  // what it holds of the shapes before).
  for (const auto& [at, m] : members) {
    for (size_t r = m.first; r <= m.last; ++r) {
      if (r == m.first && m.prefix > 0) {
        const auto p = patched.find(r);
        const std::string d = p != patched.end() ? p->second : std::string(book_.Data(r));
        edits.replace[r] = RecordBytes(book_.records[r].type, std::string_view(d).substr(0, m.prefix));
      } else {
        edits.replace[r] = std::string();
      }
    }
  }

  const size_t old_spgr_end = layout.spgr + 8 + GetU32(old, layout.spgr + 4);
  size_t at = kNone;
  if (old_spgr_end >= old.size()) {
    at = theirs.last_record + 1;
  } else {
    for (const Piece& p : theirs.pieces) {
      if (p.logical == old_spgr_end) at = p.record;
    }
  }
  if (at == kNone) {
    throw excel::AutomationError("シート「" + sheet.name + "」の図形のレコードの並びが想定外のため、図形を追加できません");
  }
  edits.insert_before[at] += added;
  return true;
}

void DrawingAppender::Finish(StreamEdits& edits) {
  if (fonts_.size() > fonts_read_) {
    std::string records;
    for (size_t i = fonts_read_; i < fonts_.size(); ++i) AppendRecord(records, rt::kFont, fonts_[i]);
    edits.insert_before[last_font_record_ + 1] += records;
  }
  if (!group_changed_) return;
  std::string fdgg;
  AppendU16(fdgg, 0);
  AppendU16(fdgg, art::kFdgg);
  AppendU32(fdgg, static_cast<uint32_t>(16 + 8 * clusters_.size()));
  AppendU32(fdgg, spid_max_);
  AppendU32(fdgg, static_cast<uint32_t>(clusters_.size() + 1));
  AppendU32(fdgg, shapes_saved_);
  AppendU32(fdgg, drawings_saved_);
  for (const Cluster& c : clusters_) {
    AppendU32(fdgg, c.dgid);
    AppendU32(fdgg, c.used);
  }
  std::string group;
  if (has_group_) {
    group = group_data_;
    const size_t old_len = 8 + GetU32(group, fdgg_at_ + 4);
    group.replace(fdgg_at_, old_len, fdgg);
    const uint64_t len = static_cast<uint64_t>(GetU32(group, 4)) + fdgg.size() - old_len;
    SetU32(group, 4, static_cast<uint32_t>(len));
  } else {
    // The rest of a new drawing group as the legacy writer makes it.
    ShapeIdClusters scratch;
    scratch.Reserve(1, 1);
    BiffStream s;
    scratch.WriteDrawingGroup(s);
    size_t padding = 0;
    const auto rs = SplitRecords(s.bytes(), padding);
    std::string made;
    for (const BiffRecord& r : rs) made.append(DataOf(s.bytes(), r));
    const size_t made_fdgg_len = 8 + GetU32(made, 8 + 4);
    group = made.substr(0, 8) + fdgg + made.substr(8 + made_fdgg_len);
    SetU32(group, 4, static_cast<uint32_t>(group.size() - 8));
  }
  std::string records;
  if (has_group_ && group.size() == group_data_.size()) {
    // Same length: cut where the workbook cut it.
    size_t at = 0;
    for (size_t i : book_.drawing_group) {
      AppendRecord(records, book_.records[i].type, std::string_view(group).substr(at, book_.records[i].size));
      at += book_.records[i].size;
    }
  } else {
    AppendContinued(records, rt::kMsoDrawingGroup, group);
  }
  if (has_group_) {
    edits.ReplaceRun(book_.drawing_group.front(), book_.drawing_group.back(), std::move(records));
    return;
  }
  size_t at = book_.globals_eof;
  for (size_t i = 1; i < book_.globals_eof; ++i) {
    if (book_.records[i].type == rt::kSst) {
      at = i;
      break;
    }
  }
  edits.insert_before[at] += records;
}

}  // namespace ovix::workbook::xls
