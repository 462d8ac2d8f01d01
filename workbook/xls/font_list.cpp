#include "workbook/xls/font_list.h"

#include <cmath>
#include <functional>

#include "excel/excel_automation.h"
#include "workbook/utf8_codec.h"

namespace ovix::workbook::xls {

namespace {

constexpr uint16_t kFontRecord = 0x0031;
constexpr uint8_t kShiftJisCharset = 0x80;
constexpr uint16_t kAutomaticColor = 0x7FFF;
constexpr uint16_t kPaletteBase = 8;  // palette colour 1 is index 8

uint16_t FontIndexOfRecord(size_t record) { return static_cast<uint16_t>(record < 4 ? record : record + 1); }

}  // namespace

XlsFont FontOfFormat(const CharFormat& format, const std::string& name) {
  XlsFont font;
  font.name = name;
  const double twips = std::round(format.size * 20.0);
  font.height = static_cast<uint16_t>(std::clamp(twips, 20.0, 8191.0));
  font.bold = format.bold;
  font.italic = format.italic;
  font.underline = format.underline;
  font.strikethrough = format.strikethrough;
  font.outline = format.outline;
  font.shadow = format.shadow;
  font.script = format.superscript ? 1 : format.subscript ? 2 : 0;
  font.color = format.color_index >= 1 && format.color_index <= 56
                   ? static_cast<uint16_t>(format.color_index - 1 + kPaletteBase)
                   : kAutomaticColor;
  return font;
}

size_t FontList::Hash::operator()(const XlsFont& f) const {
  size_t h = std::hash<std::string>()(f.name);
  const uint64_t bits = static_cast<uint64_t>(f.height) | (static_cast<uint64_t>(f.color) << 16) |
                        (static_cast<uint64_t>(f.script) << 32) | (uint64_t{f.bold} << 40) |
                        (uint64_t{f.italic} << 41) | (uint64_t{f.underline} << 42) |
                        (uint64_t{f.strikethrough} << 43) | (uint64_t{f.outline} << 44) |
                        (uint64_t{f.shadow} << 45);
  return h ^ (std::hash<uint64_t>()(bits) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2));
}

FontList::FontList() {
  XlsFont base;
  base.name = kDefaultFontName;
  base.height = static_cast<uint16_t>(kDefaultFontSize * 20);
  // The format's readers expect four fonts before the gap at index 4; the
  // first is the default font.
  for (int i = 0; i < 4; ++i) fonts_.push_back(base);
  index_.emplace(base, 0);
}

uint16_t FontList::IndexOf(const XlsFont& font) {
  const auto it = index_.find(font);
  if (it != index_.end()) return it->second;
  if (fonts_.size() >= 0xFFFE) {
    throw excel::AutomationError("the texts use more different fonts than an .xls workbook holds "
                                 "(65,534)");
  }
  const uint16_t index = FontIndexOfRecord(fonts_.size());
  fonts_.push_back(font);
  index_.emplace(font, index);
  return index;
}

void FontList::WriteRecords(BiffStream& out) const {
  ByteBuffer b;
  for (const XlsFont& f : fonts_) {
    b.Clear();
    b.U16(f.height);
    uint16_t flags = 0;
    if (f.italic) flags |= 0x02;
    if (f.strikethrough) flags |= 0x08;
    if (f.outline) flags |= 0x10;
    if (f.shadow) flags |= 0x20;
    b.U16(flags);
    b.U16(f.color);
    b.U16(f.bold ? 700 : 400);
    b.U16(f.script);
    b.U8(f.underline ? 1 : 0);
    b.U8(0);  // family
    b.U8(kShiftJisCharset);
    b.U8(0);
    std::u16string name = Utf8ToUtf16(f.name);
    if (name.size() > 255) name.resize(255);
    b.U8(static_cast<uint8_t>(name.size()));
    b.U8(1);  // UTF-16
    b.Utf16(name);
    out.Record(kFontRecord, b.view());
  }
}

}  // namespace ovix::workbook::xls
