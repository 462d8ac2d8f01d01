// Japanese texts and font for the application's windows.
#include "app/japanese_ui.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace ovix {

void SetUpJapaneseInterface(QApplication& application) {
  // Owned by the application from here on.
  auto* translator = new QTranslator(&application);
  if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                       QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(translator);
  } else {
    delete translator;
  }

  static const QString kFamily = QStringLiteral("Noto Sans CJK JP");
  if (QFontDatabase::families().contains(kFamily)) {
    QFont font = QApplication::font();
    font.setFamilies({kFamily});
    QApplication::setFont(font);
  }
}

}  // namespace ovix
