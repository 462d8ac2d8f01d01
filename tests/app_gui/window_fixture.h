#pragma once
// A main window for tests (test support): a settings store in a temporary
// INI file, file dialogs answered from a script, message boxes recorded and
// answered from a script, and the saved workbooks recorded instead of being
// opened on the desktop.

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>
#include <string>
#include <vector>

#include "app/file_chooser.h"
#include "app/frm_main.h"
#include "app/qsettings_store.h"
#include "tests/support/recording_prompt.h"

namespace ovix::testing {

class ScriptedChooser : public FileChooser {
 public:
  QString ChooseDxfFile(QWidget*) override {
    ++dxf_asked;
    return dxf_answers.isEmpty() ? QString() : dxf_answers.takeFirst();
  }
  QString ChooseWorkbookFile(QWidget*) override {
    ++workbook_asked;
    return workbook_answers.isEmpty() ? QString() : workbook_answers.takeFirst();
  }

  QStringList dxf_answers;       // an empty answer is a cancelled dialog
  QStringList workbook_answers;
  int dxf_asked = 0;
  int workbook_asked = 0;
};

class WindowFixture {
 public:
  WindowFixture() : ini_(dir_.filePath(QStringLiteral("settings.ini"))) {}

  // The INI file of the store and a path in the temporary folder.
  const QString& ini() const { return ini_; }
  QString Path(const QString& name) const { return dir_.filePath(name); }

  // Values written straight into the store's section before a window opens.
  void Store(const QString& name, const QString& value) {
    QSettings settings(ini_, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Settings"));
    settings.setValue(name, value);
  }
  // A value as the store holds it; empty when missing.
  QString Stored(const QString& name) const {
    QSettings settings(ini_, QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Settings"));
    return settings.value(name).toString();
  }

  // A new window on the store (the previous one, if any, is destroyed).
  FrmMain& Open() {
    window.reset();
    FrmMainServices services;
    services.settings = std::make_shared<QSettingsStore>(ini_);
    services.files = files;
    services.prompt = prompt;
    services.present_workbook = [this](const std::string& path) { presented.push_back(path); };
    window = std::make_unique<FrmMain>(std::move(services));
    return *window;
  }

  template <typename Widget>
  Widget* Control(const char* name) const {
    return window->findChild<Widget*>(QString::fromUtf8(name));
  }

  std::shared_ptr<ScriptedChooser> files = std::make_shared<ScriptedChooser>();
  std::shared_ptr<RecordingPrompt> prompt = std::make_shared<RecordingPrompt>();
  std::vector<std::string> presented;
  std::unique_ptr<FrmMain> window;

 private:
  QTemporaryDir dir_;
  QString ini_;
};

// Drags `files` onto `target` and drops them there, as the window system
// delivers a drop; true when the drop was accepted.
inline bool DropFiles(QWidget* target, const QList<QUrl>& urls) {
  QMimeData mime;
  mime.setUrls(urls);
  const QPoint at(target->width() / 2, target->height() / 2);
  QDragEnterEvent enter(at, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(at), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

inline bool DropFiles(QWidget* target, const QStringList& paths) {
  QList<QUrl> urls;
  for (const QString& path : paths) urls.append(QUrl::fromLocalFile(path));
  return DropFiles(target, urls);
}

inline QString Utf8(const char* text) { return QString::fromUtf8(text); }

}  // namespace ovix::testing
