// Transfer of the window's export options into the exporter, and the texts
// of the scale label.
#include "app/run_options.h"

#include <cmath>
#include <string_view>

#include "excel/rv_excel_export.h"
#include "tools/numeric.h"
#include "tools/rv_error.h"
#include "tools/user_prompt.h"

namespace ovix {

namespace {

std::size_t CountOf(std::string_view text, std::string_view part) {
  std::size_t count = 0;
  for (std::size_t at = text.find(part); at != std::string_view::npos;
       at = text.find(part, at + part.size())) {
    ++count;
  }
  return count;
}

void ShowOptionError(const char* message) {
  ShowMessage(message, kApplicationTitle, PromptIcon::Critical);
}

// The scale of an entry other than "自動"; nothing when it is in error.
bool ParseScale(const std::string& text, double& scale) {
  const std::size_t slashes = CountOf(text, "/");
  if (slashes >= 2) return false;
  try {
    if (slashes == 1) {
      const std::size_t at = text.find('/');
      const double numerator = num::LeadingNumber(std::string_view(text).substr(0, at));
      const double denominator = num::LeadingNumber(std::string_view(text).substr(at + 1));
      scale = std::fabs(denominator) >= 0.001 ? numerator / denominator : 0.0;
    } else {
      scale = num::LeadingNumber(text);
    }
  } catch (const RvError&) {
    return false;  // a number beyond what a double holds
  }
  return true;
}

bool ParseLtScale(const std::string& text, double& value) {
  static constexpr std::string_view kTimes = "倍";
  const std::size_t times = CountOf(text, kTimes);
  if (times >= 2) return false;
  try {
    if (times == 1) {
      value = num::LeadingNumber(std::string_view(text).substr(0, text.find(kTimes)));
    } else {
      value = -num::LeadingNumber(text);
    }
  } catch (const RvError&) {
    return false;
  }
  return true;
}

}  // namespace

void ApplyScaleOption(const std::string& text, RvExcelExport& exporter) {
  if (text == kAutoScaleText) {
    exporter.SetAutoScale(true);
    return;
  }
  double scale = 0.0;
  if (!ParseScale(text, scale)) {
    ShowOptionError(kScaleErrorMessage);
    scale = 0.0;
  }
  exporter.SetAutoScale(false);
  exporter.SetScaleXValue(scale);
  exporter.SetScaleYValue(scale);
}

void ApplyLtScaleOption(const std::string& text, RvExcelExport& exporter) {
  if (text == kCadLineWeightText) {
    exporter.SetAutoLtScale(true);
    exporter.SetLtScale(1.0);
    return;
  }
  double value = 0.0;
  if (!ParseLtScale(text, value)) {
    ShowOptionError(kLtScaleErrorMessage);
    value = 0.0;
  }
  exporter.SetAutoLtScale(false);
  exporter.SetLtScale(value);
}

void ApplyArrowOption(int16_t style, int16_t length, int16_t width, RvExcelExport& exporter) {
  int16_t s = 2, l = 2, w = 1;
  if (style >= 1 && style <= 6) s = style;
  if (length >= 1 && length <= 3) l = length;
  if (width >= 1 && width <= 3) w = width;
  exporter.SetArrowStyle(s, l, w);
}

void ApplyCheckOptions(const RunOptions& options, RvExcelExport& exporter) {
  exporter.SetDimOmissionFlag(options.DimOmission);
  exporter.SetDimTextDirectionFlag(options.DimTextDirection);
  exporter.SetMonochromeFlag(options.Monochrome);
  exporter.SetGroupFlag(options.Group);
  exporter.SetSaveCloseFlag(options.SaveClose);
}

std::string PaperForRun(const std::string& paper) {
  return paper == kPaperSeparator ? std::string(kDefaultPaper) : paper;
}

std::string FormatScaleValue(double s) {
  if (!std::isfinite(s)) return "0";
  if (s > 10000) return num::FormatPattern(s, "##########");
  if (s > 1) return num::FormatPattern(s, "#####.###");
  if (s > 0.001) return "1/" + num::FormatPattern(1 / s, "#####.###");
  if (s > 1e-6) return "1/" + num::FormatPattern(1 / s, "##########");
  return "0";
}

}  // namespace ovix
