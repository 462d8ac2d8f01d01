#pragma once
// The window's options as they persist between program runs: eleven string
// values in the per-user settings store, read when the window opens (with
// the first-start defaults and the fallbacks for missing or unreadable
// values) and written when it closes. Free of any window system; the store
// behind it is an interface (QSettings in the program, a temporary file in
// tests).

#include <optional>
#include <string>

#include "app/run_options.h"

namespace ovix {

// Where the values live: organisation, application and section.
inline constexpr const char* kSettingsOrganisation = "KORA";
inline constexpr const char* kSettingsApplication = "OvixV1";
inline constexpr const char* kSettingsSection = "Settings";

// The value names, in the order they are read and written.
inline constexpr const char* kSettingPaperSize = "PaperSize";
inline constexpr const char* kSettingScale = "Scale";
inline constexpr const char* kSettingLtScale = "LtScale";
inline constexpr const char* kSettingArrowStyle = "ArrowStyle";
inline constexpr const char* kSettingArrowLength = "ArrowLength";
inline constexpr const char* kSettingArrowWidth = "ArrowWidth";
inline constexpr const char* kSettingDimOmission = "DimOmission";
inline constexpr const char* kSettingDimTextDirection = "DimTextDirection";
inline constexpr const char* kSettingMonochrome = "Monochrome";
inline constexpr const char* kSettingGroup = "Group";
inline constexpr const char* kSettingSaveClose = "SaveClose";
inline constexpr const char* kSettingDrawAll = "DrawAll";

// String values under the section, by name.
class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  // The stored value, or nothing when it is missing or cannot be read.
  virtual std::optional<std::string> Read(const std::string& name) = 0;
  // Stores a value; false when it could not be written.
  virtual bool Write(const std::string& name, const std::string& value) = 0;
  // Makes the written values permanent (the store may buffer them).
  virtual void Flush() {}
};

// Reads the eleven values. A value that is missing or unreadable (a code
// that is not a whole number in 16 bits) is skipped; then an empty text
// takes its default ("A4 縦", "自動", "CAD設定値") and a code below 1 takes
// its default (style 2, length 2, width 1). Codes above their range are kept:
// they set no button. A flag is set only by the word True. Exceptions of the
// store itself pass to the caller.
RunOptions LoadWindowSettings(SettingsStore& store);

// Writes the eleven values in order: texts as they are, codes as decimal
// text (0 when no button is set), flags as True or False. Values that cannot
// be written are skipped.
void SaveWindowSettings(const RunOptions& options, SettingsStore& store);

}  // namespace ovix
