#include "tests/workbook/xls/xls_file_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>
#include <stdexcept>

#include "tests/support/shared_files.h"
#include "workbook/utf8_codec.h"

namespace ovix::testing::xls {

namespace {

uint16_t U16(const std::string& s, size_t at) {
  if (at + 2 > s.size()) throw std::runtime_error("read past the end");
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8));
}
uint32_t U32(const std::string& s, size_t at) { return U16(s, at) | (uint32_t{U16(s, at + 2)} << 16); }

constexpr uint32_t kEnd = 0xFFFFFFFE;

std::string Utf16ToUtf8(const std::string& bytes) {
  std::u32string cps;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    char32_t c = U16(bytes, i);
    if (c >= 0xD800 && c < 0xDC00 && i + 3 < bytes.size()) {
      c = 0x10000 + ((c - 0xD800) << 10) + (U16(bytes, i + 2) - 0xDC00);
      i += 2;
    }
    if (c == 0) break;
    cps.push_back(c);
  }
  return ovix::workbook::EncodeUtf8(cps);
}

}  // namespace

CompoundFile ReadCompoundFile(const std::string& f) {
  if (f.size() < 512 || f.compare(0, 8, std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) != 0) {
    throw std::runtime_error("not a compound file");
  }
  CompoundFile cfb;
  const uint32_t sector_size = 1u << U16(f, 30);
  if (sector_size != 512 || U16(f, 26) != 3) throw std::runtime_error("not version 3");
  const size_t sectors = (f.size() - 512) / sector_size;
  auto sector_at = [&](uint32_t s) {
    if (s >= sectors) throw std::runtime_error("sector out of range");
    return 512 + static_cast<size_t>(s) * sector_size;
  };
  cfb.fat_sectors = U32(f, 44);
  cfb.difat_sectors = U32(f, 72);
  std::vector<uint32_t> fat_ids;
  for (uint32_t i = 0; i < 109 && fat_ids.size() < cfb.fat_sectors; ++i) fat_ids.push_back(U32(f, 76 + 4 * i));
  uint32_t difat = U32(f, 68);
  for (uint32_t d = 0; d < cfb.difat_sectors; ++d) {
    const size_t at = sector_at(difat);
    for (uint32_t i = 0; i < 127 && fat_ids.size() < cfb.fat_sectors; ++i) fat_ids.push_back(U32(f, at + 4 * i));
    difat = U32(f, at + 508);
  }
  if (fat_ids.size() != cfb.fat_sectors) throw std::runtime_error("FAT sectors missing");
  std::vector<uint32_t> fat;
  for (uint32_t id : fat_ids) {
    const size_t at = sector_at(id);
    for (uint32_t i = 0; i < 128; ++i) fat.push_back(U32(f, at + 4 * i));
  }
  auto chain = [&](uint32_t start, const std::vector<uint32_t>& table, const std::function<std::string(uint32_t)>& read) {
    std::string out;
    std::set<uint32_t> seen;
    for (uint32_t s = start; s != kEnd;) {
      if (s >= table.size() || !seen.insert(s).second) throw std::runtime_error("bad chain");
      out += read(s);
      s = table[s];
    }
    return out;
  };
  auto big = [&](uint32_t s) { return f.substr(sector_at(s), sector_size); };
  const std::string dir = chain(U32(f, 48), fat, big);
  std::string mini_stream;
  std::vector<uint32_t> mini_fat;
  if (U32(f, 60) != kEnd) {
    const std::string mf = chain(U32(f, 60), fat, big);
    for (size_t i = 0; i + 4 <= mf.size(); i += 4) mini_fat.push_back(U32(mf, i));
  }
  if (dir.size() < 128) throw std::runtime_error("no directory");
  const uint32_t root_start = U32(dir, 116);
  if (root_start != kEnd) mini_stream = chain(root_start, fat, big);
  const uint32_t cutoff = U32(f, 56);
  std::function<void(uint32_t)> visit = [&](uint32_t id) {
    if (id == 0xFFFFFFFF) return;
    const size_t at = static_cast<size_t>(id) * 128;
    if (at + 128 > dir.size()) throw std::runtime_error("directory entry out of range");
    const uint16_t name_bytes = U16(dir, at + 64);
    std::u16string name;
    for (size_t i = 0; i + 2 < name_bytes; i += 2) name.push_back(static_cast<char16_t>(U16(dir, at + i)));
    const uint32_t start = U32(dir, at + 116);
    const uint32_t size = U32(dir, at + 120);
    std::string data;
    if (size > 0) {
      if (size < cutoff) {
        data = chain(start, mini_fat, [&](uint32_t s) { return mini_stream.substr(static_cast<size_t>(s) * 64, 64); });
      } else {
        data = chain(start, fat, big);
      }
      if (data.size() < size) throw std::runtime_error("stream shorter than its size");
      data.resize(size);
    }
    cfb.streams[name] = data;
    visit(U32(dir, at + 68));
    visit(U32(dir, at + 72));
  };
  visit(U32(dir, 76));
  return cfb;
}

std::vector<Record> ReadRecords(const std::string& s) {
  std::vector<Record> records;
  size_t at = 0;
  while (at + 4 <= s.size()) {
    const uint16_t type = U16(s, at);
    const uint16_t size = U16(s, at + 2);
    if (type == 0 && size == 0) break;  // padding
    if (at + 4 + size > s.size()) throw std::runtime_error("record past the stream's end");
    records.push_back({type, at, s.substr(at + 4, size)});
    at += 4 + size;
  }
  return records;
}

std::vector<Record> Substream(const std::vector<Record>& records, size_t offset) {
  std::vector<Record> out;
  int depth = 0;
  for (const Record& r : records) {
    if (r.offset < offset) continue;
    out.push_back(r);
    if (r.type == 0x0809) ++depth;
    if (r.type == 0x000A && --depth == 0) break;
  }
  return out;
}

namespace {

void ParseShapes(const std::string& d, size_t begin, size_t end, std::vector<ArtShape>& out);

void ParseSpContainer(const std::string& d, size_t begin, size_t end, ArtShape& shape) {
  for (size_t at = begin; at < end;) {
    const uint16_t type = U16(d, at + 2);
    const uint16_t instance = U16(d, at) >> 4;
    const uint32_t len = U32(d, at + 4);
    const size_t body = at + 8;
    EXPECT_LE(body + len, end) << "record overruns its container";
    switch (type) {
      case 0xF00A:
        shape.type = instance;
        shape.spid = U32(d, body);
        shape.flags = U32(d, body + 4);
        break;
      case 0xF009:
        for (int i = 0; i < 4; ++i) shape.group_box.push_back(static_cast<int32_t>(U32(d, body + 4 * i)));
        break;
      case 0xF00B: {
        size_t complex_at = body + 6u * instance;
        for (uint16_t i = 0; i < instance; ++i) {
          const uint16_t id = U16(d, body + 6 * i);
          const uint32_t value = U32(d, body + 6 * i + 2);
          shape.properties[id & 0x3FFF] = value;
          if (id & 0x8000) {
            shape.complex[id & 0x3FFF] = d.substr(complex_at, value);
            complex_at += value;
          }
        }
        // Excel 2003 counts a freeform's vertices without their header:
        // readers accept that, so only the flag tells.
        shape.property_lengths_match = complex_at == body + len;
        if (shape.complex.count(0x0380)) shape.name = Utf16ToUtf8(shape.complex[0x0380]);
        break;
      }
      case 0xF010:
        for (int i = 0; i < 9; ++i) shape.client_anchor.push_back(U16(d, body + 2 * i));
        break;
      case 0xF00F:
        for (int i = 0; i < 4; ++i) shape.child_anchor.push_back(static_cast<int32_t>(U32(d, body + 4 * i)));
        break;
      default: break;
    }
    at = body + len;
  }
}

void ParseShapes(const std::string& d, size_t begin, size_t end, std::vector<ArtShape>& out) {
  for (size_t at = begin; at < end;) {
    const uint16_t type = U16(d, at + 2);
    const uint32_t len = U32(d, at + 4);
    const size_t body = at + 8;
    EXPECT_LE(body + len, end) << "container overruns its parent";
    if (type == 0xF004) {
      ArtShape s;
      ParseSpContainer(d, body, body + len, s);
      out.push_back(std::move(s));
    } else if (type == 0xF003) {
      // A group: its first SpContainer describes it, the rest are members.
      ArtShape g;
      g.group = true;
      const uint32_t first_len = U32(d, body + 4);
      ParseSpContainer(d, body + 8, body + 8 + first_len, g);
      ParseShapes(d, body + 8 + first_len, body + len, g.children);
      out.push_back(std::move(g));
    }
    at = body + len;
  }
}

}  // namespace

SheetDrawing ReadSheetDrawing(const std::vector<Record>& sheet) {
  // Drawing data sits in MSODRAWING records and in CONTINUE records after
  // them, after an OBJ (Excel 2000 and 2007 write both), and after a TXO
  // once its characters and runs are complete.
  std::string d;
  enum { kNone, kDrawing, kText } state = kNone;
  size_t text_left = 0, runs_left = 0;
  bool wide = false;
  for (const Record& r : sheet) {
    if (r.type == 0x00EC) {
      d += r.data;
      state = kDrawing;
    } else if (r.type == 0x005D) {
      state = kDrawing;
    } else if (r.type == 0x01B6) {
      state = kText;
      text_left = U16(r.data, 10);
      runs_left = text_left > 0 ? U16(r.data, 12) : 0;
    } else if (r.type == 0x003C && state == kDrawing) {
      d += r.data;
    } else if (r.type == 0x003C && state == kText) {
      if (text_left > 0) {
        wide = !r.data.empty() && (r.data[0] & 1) != 0;
        const size_t chars = r.data.empty() ? 0 : (r.data.size() - 1) / (wide ? 2 : 1);
        text_left -= std::min(text_left, chars);
      } else if (runs_left > 0) {
        runs_left -= std::min(runs_left, r.data.size());
      } else {
        d += r.data;
        state = kDrawing;
      }
    } else {
      state = kNone;
    }
  }
  SheetDrawing drawing;
  if (d.empty()) return drawing;
  EXPECT_EQ(U16(d, 2), 0xF002);
  EXPECT_EQ(U32(d, 4) + 8, d.size()) << "drawing container length";
  for (size_t at = 8; at < d.size();) {
    const uint16_t type = U16(d, at + 2);
    const uint32_t len = U32(d, at + 4);
    if (type == 0xF008) {
      drawing.dgid = U16(d, at) >> 4;
      drawing.csp = U32(d, at + 8);
      drawing.spid_cur = U32(d, at + 12);
    } else if (type == 0xF003) {
      std::vector<ArtShape> all;
      ParseShapes(d, at, at + 8 + len, all);
      if (!all.empty()) {
        drawing.patriarch_spid = all[0].spid;
        drawing.shapes = std::move(all[0].children);
      }
    }
    at += 8 + len;
  }
  return drawing;
}

DrawingGroup ReadDrawingGroup(const std::vector<Record>& globals) {
  std::string d;
  bool in = false;
  for (const Record& r : globals) {
    if (r.type == 0x00EB || (in && r.type == 0x003C)) {
      d += r.data;
      in = true;
    } else {
      in = false;
    }
  }
  DrawingGroup g;
  if (d.size() < 32) return g;
  size_t at = 8;
  while (at < d.size() && U16(d, at + 2) != 0xF006) at += 8 + U32(d, at + 4);
  if (at >= d.size()) return g;
  g.spid_max = U32(d, at + 8);
  g.cidcl = U32(d, at + 12);
  g.csp_saved = U32(d, at + 16);
  g.cdg_saved = U32(d, at + 20);
  for (size_t i = 0; i + 1 < g.cidcl; ++i) g.clusters.push_back({U32(d, at + 24 + 8 * i), U32(d, at + 28 + 8 * i)});
  return g;
}

XlsFile ReadXlsFile(const std::filesystem::path& path) {
  XlsFile file;
  file.cfb = ReadCompoundFile(ReadFileBytes(path));
  const auto it = file.cfb.streams.find(u"Workbook");
  if (it == file.cfb.streams.end()) throw std::runtime_error("no Workbook stream");
  file.records = ReadRecords(it->second);
  file.globals = Substream(file.records, 0);
  for (const Record& r : file.globals) {
    if (r.type == 0x0085) file.sheets.push_back(Substream(file.records, U32(r.data, 0)));
  }
  return file;
}

std::string KindOf(const ArtShape& s) {
  if (s.group) return "group";
  switch (s.type) {
    case 20: return "line";
    case 3: return "oval";
    case 19: return "arc";
    case 1: return "rectangle";
    case 202: return "textbox";
    case 0: return s.complex.count(0x0145) ? "freeform" : "other";
    default: return "other";
  }
}

}  // namespace ovix::testing::xls
