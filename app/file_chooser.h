#pragma once
// The window's two file dialogs behind a small interface, so that tests can
// answer them without showing a modal dialog.

#include <QString>

class QWidget;

namespace ovix {

// Titles and filters of the two dialogs.
inline constexpr const char* kDxfDialogTitle = "DXFファイルの読込先を指定";
inline constexpr const char* kWorkbookDialogTitle = "EXCELファイルの出力先を指定";
// Qt compares the patterns case-sensitively on Linux, so both spellings of
// the extension are listed.
inline constexpr const char* kDxfFilter = "DXFファイル(*.DXF *.dxf)";
inline constexpr const char* kWorkbookFilter = "Excelブック(*.xlsx)";
inline constexpr const char* kXlsFilter = "XLSファイル(*.XLS *.xls)";
inline constexpr const char* kAllFilesFilter = "すべてのファイル(*.*)";

// The extension the save dialog gives a name typed without one under
// `filter`: "xls" under the XLS filter, "xlsx" under any other.
QString WorkbookSuffixForFilter(const QString& filter);

class FileChooser {
 public:
  virtual ~FileChooser() = default;
  // The DXF file to read; empty when the dialog was cancelled.
  virtual QString ChooseDxfFile(QWidget* parent) = 0;
  // The workbook to write; empty when cancelled. The window itself asks
  // whether an existing file may be drawn into, so the dialog must not.
  virtual QString ChooseWorkbookFile(QWidget* parent) = 0;
};

// The dialogs on QFileDialog, starting in the folder of the previous choice.
class QtFileChooser : public FileChooser {
 public:
  QString ChooseDxfFile(QWidget* parent) override;
  QString ChooseWorkbookFile(QWidget* parent) override;

 private:
  QString folder_;
};

}  // namespace ovix
