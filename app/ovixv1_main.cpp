// OvixV1: the windowed program. One window, FrmMain; conversions draw into
// workbooks through the in-process workbook engine.
#include <QApplication>

#include "app/frm_main.h"
#include "app/japanese_ui.h"
#include "app/window_settings.h"
#include "workbook/workbook_engine.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  QApplication::setOrganizationName(QString::fromUtf8(ovix::kSettingsOrganisation));
  QApplication::setApplicationName(QString::fromUtf8(ovix::kSettingsApplication));
  ovix::SetUpJapaneseInterface(application);
  ovix::workbook::RegisterAutomationClass();

  ovix::FrmMain window;
  window.show();
  return application.exec();
}
