// The application's selection and the characters and fonts of text boxes.
#include <algorithm>
#include <cctype>
#include <cmath>

#include "workbook/automation_objects.h"

namespace ovix::workbook {

namespace {

// Character sizes the spreadsheet application accepts, in points.
constexpr double kSmallestFontSize = 1.0;
constexpr double kLargestFontSize = 409.0;

constexpr int32_t kColorIndexNone = -4142;
constexpr int32_t kAlignJustify = -4130;
constexpr int32_t kAlignDistributed = -4117;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool IsAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

void Refit(Drawing& drawing, ShapeNode& box) {
  if (box.text() && box.text()->auto_size) drawing.FitText(box);
}

}  // namespace

// --- Selection ---------------------------------------------------------------

SheetRef SelectionImpl::Ref() const {
  book_->CheckOpen();
  return SheetRef{book_, data_->sheet};
}

const std::vector<ShapeNode*>& SelectionImpl::TextBoxes() const {
  book_->CheckOpen();
  if (data_->shapes.empty()) {
    throw excel::AutomationError("cells are selected, not a text box");
  }
  for (const ShapeNode* node : data_->shapes) {
    if (node->kind != ShapeKind::kTextBox) {
      throw excel::AutomationError("the selection holds \"" + node->Name() +
                                   "\", which is not a text box");
    }
  }
  return data_->shapes;
}

std::shared_ptr<excel::ShapeRange> SelectionImpl::ShapeRange() {
  const SheetRef ref = Ref();
  if (data_->shapes.empty()) throw excel::AutomationError("cells are selected, not shapes");
  return std::make_shared<ShapeRangeImpl>(ref, data_->shapes);
}

std::string SelectionImpl::Name() const {
  book_->CheckOpen();
  if (data_->shapes.size() != 1) {
    throw excel::AutomationError(data_->shapes.empty()
                                     ? "cells are selected, not a shape"
                                     : "several shapes are selected; Name needs exactly one");
  }
  return data_->shapes.front()->Name();
}

std::shared_ptr<excel::Characters> SelectionImpl::Characters(int32_t start, int32_t length) {
  const auto& boxes = TextBoxes();
  if (boxes.size() != 1) {
    throw excel::AutomationError("Characters needs exactly one selected text box");
  }
  if (start < 1) {
    throw excel::AutomationError("Characters starts at character 1 or later, not " +
                                 std::to_string(start));
  }
  const size_t count = length <= 0 ? static_cast<size_t>(-1) : static_cast<size_t>(length);
  return std::make_shared<CharactersImpl>(Ref(), boxes.front(), static_cast<size_t>(start - 1),
                                          count);
}

int32_t SelectionImpl::HorizontalAlignment() const {
  return TextBoxes().front()->text()->alignment;
}

void SelectionImpl::SetHorizontalAlignment(int32_t value) {
  const auto& boxes = TextBoxes();
  if (value != excel::kAlignLeft && value != excel::kAlignCenter && value != excel::kAlignRight &&
      value != kAlignJustify && value != kAlignDistributed) {
    throw excel::AutomationError("unknown horizontal alignment " + std::to_string(value));
  }
  for (ShapeNode* box : boxes) box->text()->alignment = value;
  book_->Touch();
}

bool SelectionImpl::AutoSize() const { return TextBoxes().front()->text()->auto_size; }

void SelectionImpl::SetAutoSize(bool value) {
  const auto& boxes = TextBoxes();
  Drawing& drawing = data_->sheet->drawing;
  for (ShapeNode* box : boxes) {
    box->text()->auto_size = value;
    if (value) {
      drawing.FitText(*box);
    } else {
      box->text()->fitted = false;
    }
  }
  book_->Touch();
}

bool SelectionImpl::AddIndent() const { return TextBoxes().front()->text()->add_indent; }

void SelectionImpl::SetAddIndent(bool value) {
  const auto& boxes = TextBoxes();
  for (ShapeNode* box : boxes) box->text()->add_indent = value;
  book_->Touch();
}

// --- Characters --------------------------------------------------------------

std::string CharactersImpl::Text() const {
  ref_.CheckOpen();
  return box_->text()->body.Text(start_, count_);
}

void CharactersImpl::SetText(const std::string& value) {
  ref_.CheckOpen();
  box_->text()->body.Replace(start_, count_, value);
  Refit(ref_.drawing(), *box_);
  ref_.workbook->Touch();
}

std::shared_ptr<excel::Font> CharactersImpl::Font() {
  ref_.CheckOpen();
  return std::make_shared<FontImpl>(ref_, box_, start_, count_);
}

// --- Font --------------------------------------------------------------------

const CharFormat& FontImpl::First() const {
  ref_.CheckOpen();
  const TextBody& body = box_->text()->body;
  size_t start = start_;
  size_t count = count_;
  body.Clamp(start, count);
  return body.FormatAt(start);
}

template <typename F>
void FontImpl::Apply(F&& f) {
  ref_.CheckOpen();
  box_->text()->body.Format(start_, count_, f);
  Refit(ref_.drawing(), *box_);
  ref_.workbook->Touch();
}

std::string FontImpl::Name() const {
  const CharFormat& format = First();
  return ref_.drawing().fonts().Name(format.latin_font);
}

void FontImpl::SetName(const std::string& value) {
  ref_.CheckOpen();
  if (value.empty()) throw excel::AutomationError("a font name must not be empty");
  const uint16_t font = ref_.drawing().fonts().Intern(value);
  // A Japanese font name sets the font of every character; a Latin one that
  // of the Latin characters, East Asian ones keeping theirs.
  const bool east_asian = !IsAscii(value);
  Apply([&](CharFormat& f) {
    f.latin_font = font;
    if (east_asian) f.east_asian_font = font;
  });
}

std::string FontImpl::FontStyle() const {
  const CharFormat& f = First();
  if (f.bold && f.italic) return "太字 斜体";
  if (f.bold) return "太字";
  if (f.italic) return "斜体";
  return "標準";
}

void FontImpl::SetFontStyle(const std::string& value) {
  bool bold = false;
  bool italic = false;
  const std::string lower = Lower(value);
  if (value == "標準" || lower == "regular") {
  } else if (value == "太字" || lower == "bold") {
    bold = true;
  } else if (value == "斜体" || lower == "italic") {
    italic = true;
  } else if (value == "太字 斜体" || lower == "bold italic") {
    bold = italic = true;
  } else {
    throw excel::AutomationError("unknown font style \"" + value +
                                 "\" (標準, 太字, 斜体 or 太字 斜体)");
  }
  Apply([&](CharFormat& f) {
    f.bold = bold;
    f.italic = italic;
  });
}

double FontImpl::Size() const { return First().size; }

void FontImpl::SetSize(double points) {
  if (!std::isfinite(points) || points <= 0) {
    throw excel::AutomationError("a font size must be a positive number: " + std::to_string(points));
  }
  // Sizes outside what the application shows are held at its limits, so a
  // tiny text stays as small as text can be rather than keeping 11 points.
  const double size = std::clamp(std::round(points * 100.0) / 100.0, kSmallestFontSize,
                                 kLargestFontSize);
  Apply([&](CharFormat& f) { f.size = size; });
}

bool FontImpl::Strikethrough() const { return First().strikethrough; }
void FontImpl::SetStrikethrough(bool value) {
  Apply([&](CharFormat& f) { f.strikethrough = value; });
}

bool FontImpl::Superscript() const { return First().superscript; }
void FontImpl::SetSuperscript(bool value) {
  Apply([&](CharFormat& f) {
    f.superscript = value;
    if (value) f.subscript = false;
  });
}

bool FontImpl::Subscript() const { return First().subscript; }
void FontImpl::SetSubscript(bool value) {
  Apply([&](CharFormat& f) {
    f.subscript = value;
    if (value) f.superscript = false;
  });
}

bool FontImpl::OutlineFont() const { return First().outline; }
void FontImpl::SetOutlineFont(bool value) { Apply([&](CharFormat& f) { f.outline = value; }); }

bool FontImpl::Shadow() const { return First().shadow; }
void FontImpl::SetShadow(bool value) { Apply([&](CharFormat& f) { f.shadow = value; }); }

bool FontImpl::Underline() const { return First().underline; }
void FontImpl::SetUnderline(bool value) { Apply([&](CharFormat& f) { f.underline = value; }); }

int32_t FontImpl::ColorIndex() const { return First().color_index; }

void FontImpl::SetColorIndex(int32_t value) {
  int32_t index = value;
  if (value == excel::kAutomatic || value == kColorIndexNone) {
    index = kAutomaticColorIndex;
  } else if (value < 1 || value > 56) {
    throw excel::AutomationError("colour indexes run from 1 to 56: " + std::to_string(value));
  }
  Apply([&](CharFormat& f) { f.color_index = index; });
}

}  // namespace ovix::workbook
