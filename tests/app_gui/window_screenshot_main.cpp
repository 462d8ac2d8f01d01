// Renders the main window after a conversion of the sample drawing to a PNG
// file, on the offscreen platform, for the documentation:
//
//   ovix_window_screenshot OUT.png
//
// The window uses a temporary settings store (the first start's options)
// and writes the workbook into a temporary folder; nothing of the user's is
// read or changed.
#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdlib>
#include <iostream>
#include <memory>

#include "app/frm_main.h"
#include "app/japanese_ui.h"
#include "app/qsettings_store.h"
#include "tests/app_gui/window_fixture.h"
#include "tests/support/shared_files.h"
#include "workbook/workbook_engine.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: ovix_window_screenshot OUT.png\n";
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  ovix::SetUpJapaneseInterface(application);
  ovix::workbook::RegisterAutomationClass();

  ovix::testing::WindowFixture f;
  ovix::FrmMain& window = f.Open();
  window.show();
  f.files->dxf_answers << QString::fromStdString(
      (ovix::testing::SourceDir() / "samples" / "sample.dxf").string());
  f.files->workbook_answers << f.Path(QStringLiteral("sample.xlsx"));
  window.findChild<QPushButton*>(QStringLiteral("CmdFileSelectDXF"))->click();
  window.findChild<QPushButton*>(QStringLiteral("CmdFileSelectExcel"))->click();
  window.findChild<QPushButton*>(QStringLiteral("CmdRun"))->click();
  for (const auto& message : f.prompt->messages()) std::cerr << message.text << "\n";
  QApplication::processEvents();

  if (!window.grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
    std::cerr << "cannot write " << argv[1] << "\n";
    return EXIT_FAILURE;
  }
  return EXIT_SUCCESS;
}
