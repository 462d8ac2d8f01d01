#pragma once
// A workbook that uses every shape kind, every style member and a nested
// group, built through the automation interface the way the exporter drives
// it (test support). The schema check and the LibreOffice check both read it.
// Positions are sheet points; the page is A4 portrait without margins, so
// sheet points are page points. Everything lies left of x = 430, inside the
// columns that LibreOffice puts on the first page even though it measures
// columns wider than the spreadsheet application does.

#include <memory>
#include <string>

#include "excel/excel_automation.h"

namespace ovix::testing::showcase {

// A red horizontal line with triangle arrowheads at both ends, 3 pt wide.
inline constexpr double kRedLineY = 40, kRedLineX1 = 30, kRedLineX2 = 250;
// A blue dashed line drawn from right to left and downwards (both flips).
inline constexpr double kBlueFromX = 250, kBlueFromY = 100, kBlueToX = 30, kBlueToY = 160;
// A green outline oval (no fill).
inline constexpr double kOvalLeft = 280, kOvalTop = 40, kOvalWidth = 120, kOvalHeight = 80;
// A rectangle filled yellow.
inline constexpr double kRectLeft = 300, kRectTop = 140, kRectWidth = 80, kRectHeight = 60;
// A magenta arc made as the exporter makes one: centre, radius, and the
// counter-clockwise angles of a DXF arc.
inline constexpr double kArcCx = 120, kArcCy = 300, kArcR = 70, kArcStart = 30, kArcEnd = 200;
// A cyan freeform through 7 evenly spaced points of a circle, from the angle
// 180 to 360 counter-clockwise (the lower half on the sheet).
inline constexpr double kCurveCx = 330, kCurveCy = 280, kCurveR = 60;
inline constexpr int kCurveSteps = 6;
// Text boxes: horizontal red bold underlined 20 pt, two paragraphs; upward
// blue 16 pt; downward green 16 pt. No fill, no outline.
inline constexpr double kTextLeft = 30, kTextTop = 430;
inline constexpr double kUpLeft = 250, kUpTop = 430;
inline constexpr double kDownLeft = 330, kDownTop = 430;
// A nested group moved by (kGroupDx, kGroupDy) after grouping: the inner
// group holds an orange line and an orange oval, the outer one adds a black
// line.
inline constexpr double kGroupDx = 10, kGroupDy = 20;
inline constexpr double kInnerLineY = 560, kGroupX1 = 40, kGroupX2 = 180;
inline constexpr double kInnerOvalLeft = 80, kInnerOvalTop = 580, kInnerOvalSize = 40;
inline constexpr double kOuterLineY = 650;
// A black vertical line on the boundary between columns D and E (4 default
// columns of 54 pt from the sheet's left edge).
inline constexpr double kMarkerX = 216, kMarkerY1 = 700, kMarkerY2 = 780;

inline constexpr const char* kText = "Ovix 図面\n2行目 ABC";

// Builds the showcase in a new workbook of `app` and saves it as `path`.
void BuildAndSave(excel::Application& app, const std::string& path);

}  // namespace ovix::testing::showcase
