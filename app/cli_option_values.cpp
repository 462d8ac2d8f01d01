// The command line's spellings of the window's option values.
#include "app/cli_option_values.h"

#include <algorithm>
#include <cctype>

#include "app/run_options.h"

namespace ovix {

namespace {

constexpr const char* kPortrait = " 縦";
constexpr const char* kLandscape = " 横";

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

bool IsPaperItem(const std::string& text) {
  return text != kPaperSeparator &&
         std::find_if(kPaperItems.begin(), kPaperItems.end(),
                      [&](const char* item) { return text == item; }) != kPaperItems.end();
}

bool EndsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::optional<int16_t> SizeCode(const std::string& text, const char* small, const char* medium,
                                const char* large) {
  const std::string lower = Lower(text);
  if (lower == "s" || text == small) return 1;
  if (lower == "m" || text == medium) return 2;
  if (lower == "l" || text == large) return 3;
  return std::nullopt;
}

}  // namespace

std::optional<std::string> PaperFromOption(const std::string& text) {
  if (IsPaperItem(text)) return text;
  const std::string lower = Lower(text);
  const std::size_t dash = lower.find('-');
  if (dash == std::string::npos) return std::nullopt;
  std::string size = text.substr(0, dash);
  std::transform(size.begin(), size.end(), size.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  const std::string orientation = lower.substr(dash + 1);
  std::string item;
  if (orientation == "portrait") {
    item = size + kPortrait;
  } else if (orientation == "landscape") {
    item = size + kLandscape;
  } else {
    return std::nullopt;
  }
  if (!IsPaperItem(item)) return std::nullopt;
  return item;
}

std::string PaperOptionSpelling(const std::string& paper) {
  if (EndsWith(paper, kPortrait)) return paper.substr(0, paper.size() - 4) + "-portrait";
  if (EndsWith(paper, kLandscape)) return paper.substr(0, paper.size() - 4) + "-landscape";
  return paper;
}

std::string ScaleFromOption(const std::string& text) {
  return Lower(text) == "auto" ? std::string(kAutoScaleText) : text;
}

std::string LineWeightFromOption(const std::string& text) {
  if (Lower(text) == "auto") return kCadLineWeightText;
  if (!text.empty() && (text.back() == 'x' || text.back() == 'X')) {
    return text.substr(0, text.size() - 1) + "倍";
  }
  return text;
}

std::optional<int16_t> ArrowLengthFromOption(const std::string& text) {
  return SizeCode(text, "短", "中", "長");
}

std::optional<int16_t> ArrowWidthFromOption(const std::string& text) {
  return SizeCode(text, "狭", "中", "広");
}

}  // namespace ovix
