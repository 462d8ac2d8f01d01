#pragma once
// The FONT records of a legacy workbook: the default font (ＭＳ Ｐゴシック
// 11 pt) and every distinct font the texts of its shapes use. Font index 4
// does not exist in the format: the fifth record is font 5.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "workbook/text_body.h"
#include "workbook/xls/biff_stream.h"

namespace ovix::workbook::xls {

struct XlsFont {
  std::string name;  // UTF-8
  uint16_t height = 220;  // twips
  bool bold = false;
  bool italic = false;
  bool underline = false;
  bool strikethrough = false;
  bool outline = false;
  bool shadow = false;
  uint8_t script = 0;      // 0 normal, 1 superscript, 2 subscript
  uint16_t color = 0x7FFF; // palette index 8..63, 0x7FFF automatic

  bool operator==(const XlsFont&) const = default;
};

// The font a text run with `format` needs, named `name`.
XlsFont FontOfFormat(const CharFormat& format, const std::string& name);

class FontList {
 public:
  FontList();
  // The font index of `font`, added when new. AutomationError past the
  // format's 65,535 fonts.
  uint16_t IndexOf(const XlsFont& font);
  void WriteRecords(BiffStream& out) const;
  size_t size() const { return fonts_.size(); }

 private:
  struct Hash {
    size_t operator()(const XlsFont& f) const;
  };
  std::vector<XlsFont> fonts_;
  std::unordered_map<XlsFont, uint16_t, Hash> index_;
};

}  // namespace ovix::workbook::xls
