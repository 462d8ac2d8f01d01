#pragma once
// The per-user settings store of the window on QSettings: organisation
// "KORA", application "OvixV1", section "Settings" (on Linux the file
// ~/.config/KORA/OvixV1.conf). Tests point it at an INI file of their own.

#include <QSettings>
#include <QString>

#include <memory>

#include "app/window_settings.h"

namespace ovix {

class QSettingsStore : public SettingsStore {
 public:
  // The user's own store of the program.
  QSettingsStore();
  // The store in the INI file `path` (created when values are written).
  explicit QSettingsStore(const QString& path);
  ~QSettingsStore() override;

  std::optional<std::string> Read(const std::string& name) override;
  bool Write(const std::string& name, const std::string& value) override;
  void Flush() override;

  // Where the values are kept.
  QString FileName() const { return settings_->fileName(); }

 private:
  std::unique_ptr<QSettings> settings_;
};

}  // namespace ovix
