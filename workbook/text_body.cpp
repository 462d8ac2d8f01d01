#include "workbook/text_body.h"

#include <algorithm>

#include "excel/excel_automation.h"
#include "workbook/utf8_codec.h"

namespace ovix::workbook {

FontTable::FontTable() { Intern(kDefaultFontName); }

uint16_t FontTable::Intern(std::string_view name) {
  const auto it = index_.find(std::string(name));
  if (it != index_.end()) return it->second;
  if (names_.size() >= 0xFFFF) throw excel::AutomationError("too many different font names on one sheet");
  const auto index = static_cast<uint16_t>(names_.size());
  names_.emplace_back(name);
  index_.emplace(names_.back(), index);
  return index;
}

void TextBody::Clamp(size_t& start, size_t& count) const {
  const size_t n = chars_.size();
  if (start > n) start = n;
  if (count > n - start) count = n - start;
}

std::string TextBody::Text(size_t start, size_t count) const {
  Clamp(start, count);
  return EncodeUtf8(std::u32string_view(chars_).substr(start, count));
}

const CharFormat& TextBody::FormatAt(size_t index) const {
  if (index >= chars_.size() || runs_.empty()) return end_format_;
  // The last run that begins at or before `index`.
  auto it = std::upper_bound(runs_.begin(), runs_.end(), index,
                             [](size_t pos, const Run& run) { return pos < run.begin; });
  return std::prev(it)->format;
}

size_t TextBody::SplitAt(size_t pos) {
  if (pos >= chars_.size()) return runs_.size();
  auto it = std::upper_bound(runs_.begin(), runs_.end(), pos,
                             [](size_t p, const Run& run) { return p < run.begin; });
  auto holder = std::prev(it);
  if (holder->begin == pos) return static_cast<size_t>(holder - runs_.begin());
  const CharFormat format = holder->format;
  it = runs_.insert(it, Run{pos, format});
  return static_cast<size_t>(it - runs_.begin());
}

void TextBody::MergeRuns() {
  if (runs_.size() < 2) return;
  size_t out = 0;
  for (size_t i = 1; i < runs_.size(); ++i) {
    if (runs_[i].format == runs_[out].format) continue;
    runs_[++out] = runs_[i];
  }
  runs_.resize(out + 1);
}

void TextBody::Replace(size_t start, size_t count, std::string_view utf8) {
  Clamp(start, count);
  const std::u32string inserted = DecodeUtf8(utf8);
  CharFormat format;
  if (count > 0) {
    format = FormatAt(start);
  } else if (start > 0) {
    format = FormatAt(start - 1);
  } else if (!chars_.empty()) {
    format = FormatAt(0);
  } else {
    format = end_format_;
  }

  const size_t first = SplitAt(start);
  const size_t last = SplitAt(start + count);
  runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(first),
              runs_.begin() + static_cast<std::ptrdiff_t>(last));
  for (size_t i = first; i < runs_.size(); ++i) {
    runs_[i].begin = runs_[i].begin - count + inserted.size();
  }
  if (!inserted.empty()) {
    runs_.insert(runs_.begin() + static_cast<std::ptrdiff_t>(first), Run{start, format});
  }
  chars_.replace(start, count, inserted);
  if (start + inserted.size() >= chars_.size() && !inserted.empty()) end_format_ = format;
  MergeRuns();
}

double TextBody::LargestSize() const {
  double largest = chars_.empty() ? end_format_.size : 0.0;
  for (const Run& run : runs_) largest = std::max(largest, run.format.size);
  return largest;
}

}  // namespace ovix::workbook
