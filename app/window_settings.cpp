// Reading and writing the window's persisted options.
#include "app/window_settings.h"

#include <cstdint>

#include "tools/numeric.h"
#include "tools/rv_error.h"

namespace ovix {

namespace {

std::string ReadText(SettingsStore& store, const char* name) {
  return store.Read(name).value_or(std::string());
}

// A code stored as decimal text; 0 when missing or not a number that fits
// 16 bits (the read is skipped).
int16_t ReadCode(SettingsStore& store, const char* name) {
  const std::optional<std::string> text = store.Read(name);
  if (!text || !num::IsNumeric(*text)) return 0;
  try {
    return num::ToInt16(num::ToDouble(*text));
  } catch (const RvError&) {
    return 0;
  }
}

bool ReadFlag(SettingsStore& store, const char* name) {
  return store.Read(name).value_or(std::string()) == "True";
}

const char* FlagText(bool flag) { return flag ? "True" : "False"; }

}  // namespace

RunOptions LoadWindowSettings(SettingsStore& store) {
  RunOptions options;
  options.PaperSize = ReadText(store, kSettingPaperSize);
  options.Scale = ReadText(store, kSettingScale);
  options.LtScale = ReadText(store, kSettingLtScale);
  options.ArrowStyle = ReadCode(store, kSettingArrowStyle);
  options.ArrowLength = ReadCode(store, kSettingArrowLength);
  options.ArrowWidth = ReadCode(store, kSettingArrowWidth);
  options.DimOmission = ReadFlag(store, kSettingDimOmission);
  options.DimTextDirection = ReadFlag(store, kSettingDimTextDirection);
  options.Monochrome = ReadFlag(store, kSettingMonochrome);
  options.Group = ReadFlag(store, kSettingGroup);
  options.DrawAll = ReadFlag(store, kSettingDrawAll);
  options.SaveClose = ReadFlag(store, kSettingSaveClose);

  if (options.PaperSize.empty()) options.PaperSize = kDefaultPaper;
  if (options.Scale.empty()) options.Scale = kAutoScaleText;
  if (options.LtScale.empty()) options.LtScale = kCadLineWeightText;
  if (options.ArrowStyle < 1) options.ArrowStyle = 2;
  if (options.ArrowLength < 1) options.ArrowLength = 2;
  if (options.ArrowWidth < 1) options.ArrowWidth = 1;
  return options;
}

void SaveWindowSettings(const RunOptions& options, SettingsStore& store) {
  store.Write(kSettingPaperSize, options.PaperSize);
  store.Write(kSettingScale, options.Scale);
  store.Write(kSettingLtScale, options.LtScale);
  store.Write(kSettingArrowStyle, std::to_string(options.ArrowStyle));
  store.Write(kSettingArrowLength, std::to_string(options.ArrowLength));
  store.Write(kSettingArrowWidth, std::to_string(options.ArrowWidth));
  store.Write(kSettingDimOmission, FlagText(options.DimOmission));
  store.Write(kSettingDimTextDirection, FlagText(options.DimTextDirection));
  store.Write(kSettingMonochrome, FlagText(options.Monochrome));
  store.Write(kSettingGroup, FlagText(options.Group));
  store.Write(kSettingDrawAll, FlagText(options.DrawAll));
  store.Write(kSettingSaveClose, FlagText(options.SaveClose));
  store.Flush();
}

}  // namespace ovix
