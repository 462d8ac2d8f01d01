// The window's Qt Test suites in one program. With a suite's name as the
// first argument only that suite runs (CTest runs each on its own); the
// remaining arguments go to Qt Test.
//
// The tests run on the offscreen platform with a private configuration
// folder, so that the user's own settings are never read or written.
#include <QApplication>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <functional>
#include <iostream>
#include <memory>
#include <utility>
#include <vector>

#include "app/japanese_ui.h"
#include "tests/app_gui/gui_test_suites.h"
#include "workbook/workbook_engine.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QTemporaryDir config;
  if (!config.isValid()) {
    std::cerr << "cannot make a temporary configuration folder\n";
    return EXIT_FAILURE;
  }
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());

  QApplication application(argc, argv);
  ovix::SetUpJapaneseInterface(application);
  ovix::workbook::RegisterAutomationClass();

  const std::vector<std::pair<QString, std::function<std::unique_ptr<QObject>()>>> suites{
      {QStringLiteral("FrmMainControlsTest"), ovix::testing::MakeFrmMainControlsTest},
      {QStringLiteral("WindowSettingsTest"), ovix::testing::MakeWindowSettingsTest},
      {QStringLiteral("FileChoiceTest"), ovix::testing::MakeFileChoiceTest},
      {QStringLiteral("WindowRunTest"), ovix::testing::MakeWindowRunTest},
  };

  QStringList arguments = QCoreApplication::arguments();
  QString only;
  if (arguments.size() > 1 && !arguments[1].startsWith(QLatin1Char('-'))) {
    only = arguments.takeAt(1);
  }
  int failed = 0;
  bool ran = false;
  for (const auto& [name, make] : suites) {
    if (!only.isEmpty() && name != only) continue;
    ran = true;
    const std::unique_ptr<QObject> suite = make();
    failed += QTest::qExec(suite.get(), arguments) != 0 ? 1 : 0;
  }
  if (!ran) {
    std::cerr << "no test suite named " << only.toStdString() << "\n";
    return EXIT_FAILURE;
  }
  return failed == 0 ? EXIT_SUCCESS : EXIT_FAILURE;
}
