// The window's settings store on QSettings.
#include "app/qsettings_store.h"

namespace ovix {

QSettingsStore::QSettingsStore()
    : settings_(std::make_unique<QSettings>(QString::fromUtf8(kSettingsOrganisation),
                                            QString::fromUtf8(kSettingsApplication))) {
  settings_->beginGroup(QString::fromUtf8(kSettingsSection));
}

QSettingsStore::QSettingsStore(const QString& path)
    : settings_(std::make_unique<QSettings>(path, QSettings::IniFormat)) {
  settings_->beginGroup(QString::fromUtf8(kSettingsSection));
}

QSettingsStore::~QSettingsStore() = default;

std::optional<std::string> QSettingsStore::Read(const std::string& name) {
  const QVariant value = settings_->value(QString::fromStdString(name));
  // A value that is not a single text (a list written by something else)
  // cannot be read as one.
  if (!value.isValid() || value.typeId() == QMetaType::QStringList ||
      !value.canConvert<QString>()) {
    return std::nullopt;
  }
  return value.toString().toStdString();
}

bool QSettingsStore::Write(const std::string& name, const std::string& value) {
  settings_->setValue(QString::fromStdString(name), QString::fromStdString(value));
  return settings_->status() == QSettings::NoError;
}

void QSettingsStore::Flush() { settings_->sync(); }

}  // namespace ovix
