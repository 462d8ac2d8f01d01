// The open and save dialogs of the window on QFileDialog.
#include "app/file_chooser.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

namespace ovix {

namespace {

QString RunDialog(QFileDialog& dialog, QString& folder) {
  if (!folder.isEmpty()) dialog.setDirectory(folder);
  if (dialog.exec() != QDialog::Accepted) return {};
  const QStringList files = dialog.selectedFiles();
  if (files.isEmpty() || files.front().isEmpty()) return {};
  folder = QFileInfo(files.front()).absolutePath();
  return files.front();
}

}  // namespace

QString WorkbookSuffixForFilter(const QString& filter) {
  return filter == QString::fromUtf8(kXlsFilter) ? QStringLiteral("xls") : QStringLiteral("xlsx");
}

QString QtFileChooser::ChooseDxfFile(QWidget* parent) {
  QFileDialog dialog(parent, QString::fromUtf8(kDxfDialogTitle));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilters({QString::fromUtf8(kDxfFilter), QString::fromUtf8(kAllFilesFilter)});
  return RunDialog(dialog, folder_);
}

QString QtFileChooser::ChooseWorkbookFile(QWidget* parent) {
  QFileDialog dialog(parent, QString::fromUtf8(kWorkbookDialogTitle));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters({QString::fromUtf8(kWorkbookFilter), QString::fromUtf8(kXlsFilter),
                         QString::fromUtf8(kAllFilesFilter)});
  // A name typed without an extension gets that of the chosen filter.
  dialog.setDefaultSuffix(QStringLiteral("xlsx"));
  QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& filter) {
    dialog.setDefaultSuffix(WorkbookSuffixForFilter(filter));
  });
  // The window asks its own question about an existing workbook.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  return RunDialog(dialog, folder_);
}

}  // namespace ovix
