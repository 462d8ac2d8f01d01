#pragma once
// The window's export options as the run reads them: the three entry texts,
// the codes of the set arrow buttons and the five check boxes, with the
// window's lists and first-start defaults, and their transfer into the
// exporter.

#include <array>
#include <cstdint>
#include <string>

namespace ovix {

class RvExcelExport;

inline constexpr const char* kAutoScaleText = "自動";
inline constexpr const char* kCadLineWeightText = "CAD設定値";
inline constexpr const char* kPaperSeparator = "------";
inline constexpr const char* kDefaultPaper = "A4 縦";

// The three combo box lists, in the window's order.
inline constexpr std::array<const char*, 20> kPaperItems{
    "A1 縦", "A1 横", "------", "A2 縦", "A2 横", "------", "A3 縦",
    "A3 横", "------", "B4 縦", "B4 横", "------", "A4 縦", "A4 横",
    "------", "B5 縦", "B5 横", "------", "A5 縦", "A5 横"};
inline constexpr std::array<const char*, 16> kScaleItems{
    "自動", "1/1",  "1/2",  "1/3",  "1/4",   "1/5",   "1/10",  "1/20",
    "1/30", "1/40", "1/50", "1/100", "1/150", "1/200", "1/300", "1/500"};
inline constexpr std::array<const char*, 20> kLtScaleItems{
    "CAD設定値", "2倍",  "3倍",  "4倍",  "5倍", "10倍", "0.25", "0.5",  "0.75", "1.0",
    "1.25",      "1.5",  "2.0",  "3.0",  "5.0", "10.0", "20.0", "30.0", "50.0", "100.0"};

// Messages of the option transfer (error icon, OK, the application's title).
inline constexpr const char* kScaleErrorMessage = "スケールの指定値に誤りがあります";
inline constexpr const char* kLtScaleErrorMessage = "線種スケールの指定値に誤りがあります";

// The options of one run; the defaults are the window's first start.
struct RunOptions {
  std::string PaperSize = kDefaultPaper;     // CboArea
  std::string Scale = kAutoScaleText;        // CboScale
  std::string LtScale = kCadLineWeightText;  // CboLtScale
  int16_t ArrowStyle = 2;   // code 1..6 of the set style button; 0 when none is set
  int16_t ArrowLength = 2;  // 1..3 (S, M, L); 0 when none is set
  int16_t ArrowWidth = 1;   // 1..3 (S, M, L); 0 when none is set
  bool DimOmission = false;       // ChkDimOmission
  bool DimTextDirection = false;  // ChkDimTextDirection
  bool Monochrome = false;        // ChkMonochrome
  bool Group = false;             // ChkGroup
  bool SaveClose = false;         // ChkExcelSaveClose
  bool DrawAll = false;           // ChkDrawAll: blocks, old polylines, solids, ... too
};

// The check box of the option that draws every entity the drawing holds.
inline constexpr const char* kDrawAllText = "すべての図形を描く";

// The scale entry: "自動" is automatic (the fixed values stay); "a/b" is a / b
// (0 when |b| < 0.001); a plain text its leading number; two or more "/", or
// a number too large to hold, show kScaleErrorMessage and give 0.
void ApplyScaleOption(const std::string& text, RvExcelExport& exporter);

// The line-weight entry: "CAD設定値" is automatic with factor 1; "n倍" the
// factor n (text after the "倍" ignored); a plain number the fixed weight,
// stored negated; two or more "倍", or a number too large to hold, show
// kLtScaleErrorMessage and give 0.
void ApplyLtScaleOption(const std::string& text, RvExcelExport& exporter);

// Arrow style 2, length 2, width 1, replaced by the codes of the set buttons
// (style 1..6, length and width 1..3).
void ApplyArrowOption(int16_t style, int16_t length, int16_t width, RvExcelExport& exporter);

// The five check boxes, in the window's order.
void ApplyCheckOptions(const RunOptions& options, RvExcelExport& exporter);

// The paper the run sets up: the separator item stands for "A4 縦".
std::string PaperForRun(const std::string& paper);

// The scale label's text for `s` points per drawing unit.
std::string FormatScaleValue(double s);

}  // namespace ovix
