#pragma once
// FrmMain: the program's window. The user chooses the DXF drawing (button or
// drag and drop) and the workbook to write, the page, the scale, the line
// weights, the arrowheads and five options, and starts the conversion run
// (app/conversion_run.h), which reports through the status label, the
// progress bar, message boxes and the scale label. The options persist in
// the per-user settings store: loaded when the window opens, saved when it
// closes (unless it is minimised).

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

#include "app/run_options.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace ovix {

class FileChooser;
class RvDocument;
class SettingsStore;
class UserPrompt;

// Messages of the window itself.
inline constexpr const char* kLoadFailedMessage =
    "Ovixの起動ができません\rOSまたはExcelのバージョンをご確認ください";
inline constexpr const char* kOverwriteQuestion = "ファイルが既に存在します\r上書きしますか？";

// What the window works with; each part left empty takes the program's own:
// the user's QSettings store, the Qt file dialogs, Qt message boxes, and the
// desktop's program for the saved workbook.
struct FrmMainServices {
  std::shared_ptr<SettingsStore> settings;
  std::shared_ptr<FileChooser> files;
  std::shared_ptr<UserPrompt> prompt;
  std::function<void(const std::string& path)> present_workbook;
};

class FrmMain : public QWidget {
  Q_OBJECT

 public:
  explicit FrmMain(FrmMainServices services = {}, QWidget* parent = nullptr);
  ~FrmMain() override;

  const std::string& DxfPath() const { return dxf_path_; }
  const std::string& ExcelPath() const { return excel_path_; }
  bool DxfChosen() const { return dxf_chosen_; }
  bool ExcelChosen() const { return excel_chosen_; }
  // True from the Run button's click until the run has ended.
  bool Running() const { return running_; }

  // The options as the controls hold them: the three entry texts, the codes
  // of the set arrow buttons (0 where none is set) and the five check boxes.
  RunOptions ReadOptions() const;

 signals:
  // A status text as the status label shows it.
  void statusShown(const QString& text);
  // The run started by the Run button has ended.
  void runFinished(bool succeeded);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  QGroupBox* BuildArrowStyleFrame();
  void InitializeControls();
  void ApplyOptionsToControls(const RunOptions& options);
  void UpdateCommandStates();
  RvDocument& Document();

  void CmdFileSelectDXFClick();
  void CmdFileSelectExcelClick();
  void CmdRunClick();
  void CmdExitClick();

  FrmMainServices services_;
  std::unique_ptr<RvDocument> document_;
  std::string dxf_path_;
  std::string excel_path_;
  bool dxf_chosen_ = false;
  bool excel_chosen_ = false;
  bool running_ = false;
  bool close_requested_ = false;

  QGroupBox* FrmFile = nullptr;
  QPushButton* CmdFileSelectDXF = nullptr;
  QPushButton* CmdFileSelectExcel = nullptr;
  QLabel* LblDxfPath = nullptr;
  QLabel* LblExcelPath = nullptr;
  QGroupBox* FrmScale = nullptr;
  QComboBox* CboScale = nullptr;
  QLabel* LblScale = nullptr;
  QGroupBox* FrmLtScale = nullptr;
  QComboBox* CboLtScale = nullptr;
  QGroupBox* FrmArea = nullptr;
  QComboBox* CboArea = nullptr;
  QGroupBox* FrmArrowStyle = nullptr;
  QButtonGroup* arrow_style_group_ = nullptr;
  QRadioButton* OptArrowStyle[6] = {};
  QLabel* ImgArrowStyle[6] = {};
  QGroupBox* FrmArrowLength = nullptr;
  QButtonGroup* arrow_length_group_ = nullptr;
  QGroupBox* FrmArrowWidth = nullptr;
  QButtonGroup* arrow_width_group_ = nullptr;
  QGroupBox* FrmOption = nullptr;
  QCheckBox* ChkDimTextDirection = nullptr;
  QCheckBox* ChkDimOmission = nullptr;
  QCheckBox* ChkExcelSaveClose = nullptr;
  QCheckBox* ChkGroup = nullptr;
  QCheckBox* ChkMonochrome = nullptr;
  QCheckBox* ChkDrawAll = nullptr;
  QLabel* LblMessage = nullptr;
  QProgressBar* PrgRun = nullptr;
  QPushButton* CmdRun = nullptr;
  QPushButton* CmdExit = nullptr;
};

}  // namespace ovix
