// The main window: its controls, the file choices, the settings, and the
// run started from it.
#include "app/frm_main.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QUrl>
#include <QVBoxLayout>

#include <exception>

#include "app/arrowhead_pictures.h"
#include "app/chosen_file_names.h"
#include "app/conversion_run.h"
#include "app/file_chooser.h"
#include "app/qsettings_store.h"
#include "app/qt_prompt.h"
#include "app/qt_run_view.h"
#include "app/window_settings.h"
#include "model/rv_document.h"
#include "tools/user_prompt.h"

namespace ovix {

namespace {

QString Text(const char* utf8) { return QString::fromUtf8(utf8); }

template <std::size_t N>
QStringList Items(const std::array<const char*, N>& items) {
  QStringList list;
  list.reserve(static_cast<qsizetype>(N));
  for (const char* item : items) list.append(Text(item));
  return list;
}

QGroupBox* Frame(const char* name, const char* caption, QWidget* parent) {
  auto* frame = new QGroupBox(Text(caption), parent);
  frame->setObjectName(Text(name));
  return frame;
}

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
  widget->setObjectName(Text(name));
  return widget;
}

// Sets the button whose id is `code` and clears the others; a code of no
// button leaves all of them clear.
void SetCheckedCode(QButtonGroup* group, int code) {
  group->setExclusive(false);
  for (QAbstractButton* button : group->buttons()) button->setChecked(group->id(button) == code);
  group->setExclusive(true);
}

// The code of the set button; 0 when none is set.
int16_t CheckedCode(const QButtonGroup* group) {
  const int id = group->checkedId();
  return static_cast<int16_t>(id > 0 ? id : 0);
}

// The list, then the text: an item of the list is selected, any other text
// stands in an editable box and falls back to `fallback` in a fixed one.
void FillCombo(QComboBox* box, const QStringList& items, const std::string& text,
               const char* fallback) {
  box->clear();
  box->addItems(items);
  const QString wanted = QString::fromStdString(text);
  int index = box->findText(wanted, Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index >= 0) {
    box->setCurrentIndex(index);
  } else if (box->isEditable()) {
    box->setEditText(wanted);
  } else {
    box->setCurrentIndex(box->findText(Text(fallback), Qt::MatchExactly | Qt::MatchCaseSensitive));
  }
}

void ShowChosenFile(QLabel* label, const std::string& path) {
  const QString full = QString::fromStdString(path);
  label->setText(QFileInfo(full).fileName());
  label->setToolTip(full);
}

}  // namespace

FrmMain::FrmMain(FrmMainServices services, QWidget* parent)
    : QWidget(parent), services_(std::move(services)) {
  if (!services_.settings) services_.settings = std::make_shared<QSettingsStore>();
  if (!services_.files) services_.files = std::make_shared<QtFileChooser>();
  if (!services_.prompt) services_.prompt = std::make_shared<QtPrompt>();
  if (!services_.present_workbook) {
    services_.present_workbook = [](const std::string& path) {
      QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
    };
  }

  setObjectName(QStringLiteral("FrmMain"));
  setWindowTitle(QStringLiteral("Ovix"));
  setAcceptDrops(true);
  BuildControls();

  try {
    InitializeControls();
  } catch (const std::exception&) {
    services_.prompt->Ask(kLoadFailedMessage, kApplicationTitle, PromptIcon::Critical,
                          PromptButtons::Ok);
    // The window stays usable with the first start's options.
    try {
      ApplyOptionsToControls(RunOptions{});
    } catch (const std::exception&) {
    }
  }
  UpdateCommandStates();
}

FrmMain::~FrmMain() = default;

RvDocument& FrmMain::Document() {
  if (!document_) document_ = std::make_unique<RvDocument>();
  return *document_;
}

// ---- Controls ----------------------------------------------------------------

void FrmMain::BuildControls() {
  // Files.
  FrmFile = Frame("FrmFile", "ファイル指定", this);
  CmdFileSelectDXF = Named(new QPushButton(Text("DXF入力"), FrmFile), "CmdFileSelectDXF");
  CmdFileSelectExcel = Named(new QPushButton(Text("EXCEL出力"), FrmFile), "CmdFileSelectExcel");
  LblDxfPath = Named(new QLabel(FrmFile), "LblDxfPath");
  LblExcelPath = Named(new QLabel(FrmFile), "LblExcelPath");
  for (QLabel* label : {LblDxfPath, LblExcelPath}) {
    // A long name is cut rather than widening the window; the tool tip
    // holds the whole path.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    label->setMinimumWidth(fontMetrics().averageCharWidth() * 16);
    label->setTextFormat(Qt::PlainText);
  }
  {
    auto* grid = new QGridLayout(FrmFile);
    grid->addWidget(CmdFileSelectDXF, 0, 0);
    grid->addWidget(LblDxfPath, 0, 1);
    grid->addWidget(CmdFileSelectExcel, 1, 0);
    grid->addWidget(LblExcelPath, 1, 1);
    grid->setColumnStretch(1, 1);
  }

  // Page, scale and line weight.
  FrmArea = Frame("FrmArea", "ページ設定", this);
  CboArea = Named(new QComboBox(FrmArea), "CboArea");
  CboArea->setEditable(false);
  CboArea->setMaxVisibleItems(static_cast<int>(kPaperItems.size()));
  (new QVBoxLayout(FrmArea))->addWidget(CboArea);

  FrmScale = Frame("FrmScale", "尺度", this);
  CboScale = Named(new QComboBox(FrmScale), "CboScale");
  CboScale->setEditable(true);
  CboScale->setInsertPolicy(QComboBox::NoInsert);
  CboScale->setMaxVisibleItems(static_cast<int>(kScaleItems.size()));
  LblScale = Named(new QLabel(FrmScale), "LblScale");
  LblScale->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("1/000000000")));
  {
    auto* row = new QHBoxLayout(FrmScale);
    row->addWidget(CboScale, 1);
    row->addWidget(LblScale);
  }

  FrmLtScale = Frame("FrmLtScale", "線の太さ", this);
  CboLtScale = Named(new QComboBox(FrmLtScale), "CboLtScale");
  CboLtScale->setEditable(true);
  CboLtScale->setInsertPolicy(QComboBox::NoInsert);
  CboLtScale->setMaxVisibleItems(static_cast<int>(kLtScaleItems.size()));
  (new QVBoxLayout(FrmLtScale))->addWidget(CboLtScale);

  // Arrowheads.
  FrmArrowStyle = BuildArrowStyleFrame();

  FrmArrowLength = Frame("FrmArrowLength", "矢印長さ", this);
  arrow_length_group_ = new QButtonGroup(this);
  {
    auto* column = new QVBoxLayout(FrmArrowLength);
    const char* names[] = {"OptArrowLengthS", "OptArrowLengthM", "OptArrowLengthL"};
    const char* captions[] = {"短", "中", "長"};
    for (int i = 0; i < 3; ++i) {
      auto* button = Named(new QRadioButton(Text(captions[i]), FrmArrowLength), names[i]);
      arrow_length_group_->addButton(button, i + 1);
      column->addWidget(button);
    }
    column->addStretch(1);
  }

  FrmArrowWidth = Frame("FrmArrowWidth", "矢印幅", this);
  arrow_width_group_ = new QButtonGroup(this);
  {
    auto* column = new QVBoxLayout(FrmArrowWidth);
    const char* names[] = {"OptArrowWidthS", "OptArrowWidthM", "OptArrowWidthL"};
    const char* captions[] = {"狭", "中", "広"};
    for (int i = 0; i < 3; ++i) {
      auto* button = Named(new QRadioButton(Text(captions[i]), FrmArrowWidth), names[i]);
      arrow_width_group_->addButton(button, i + 1);
      column->addWidget(button);
    }
    column->addStretch(1);
  }

  // Options.
  FrmOption = Frame("FrmOption", "オプション", this);
  ChkDimTextDirection =
      Named(new QCheckBox(Text("寸法値の向きを統一"), FrmOption), "ChkDimTextDirection");
  ChkDimOmission = Named(new QCheckBox(Text("記入できない矢印を省略"), FrmOption), "ChkDimOmission");
  ChkExcelSaveClose = Named(new QCheckBox(Text("Excelを閉じる"), FrmOption), "ChkExcelSaveClose");
  ChkGroup = Named(new QCheckBox(Text("グループ化"), FrmOption), "ChkGroup");
  ChkMonochrome = Named(new QCheckBox(Text("白黒表示"), FrmOption), "ChkMonochrome");
  ChkDrawAll = Named(new QCheckBox(Text(kDrawAllText), FrmOption), "ChkDrawAll");
  {
    auto* grid = new QGridLayout(FrmOption);
    grid->addWidget(ChkDimTextDirection, 0, 0);
    grid->addWidget(ChkDimOmission, 0, 1);
    grid->addWidget(ChkExcelSaveClose, 1, 0);
    grid->addWidget(ChkGroup, 1, 1);
    grid->addWidget(ChkMonochrome, 2, 0);
    grid->addWidget(ChkDrawAll, 2, 1);
  }

  // Status, progress and commands.
  LblMessage = Named(new QLabel(this), "LblMessage");
  LblMessage->setTextFormat(Qt::PlainText);
  LblMessage->setFrameShape(QFrame::StyledPanel);
  LblMessage->setFrameShadow(QFrame::Sunken);
  LblMessage->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // Room for the two lines of the failure text, so the window keeps its size.
  LblMessage->setMinimumHeight(fontMetrics().lineSpacing() * 2 + 2 * LblMessage->frameWidth() + 4);
  LblMessage->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);

  PrgRun = Named(new QProgressBar(this), "PrgRun");
  PrgRun->setRange(0, 1);
  PrgRun->setValue(0);
  PrgRun->setTextVisible(true);

  CmdRun = Named(new QPushButton(Text("実 行"), this), "CmdRun");
  CmdExit = Named(new QPushButton(Text("終 了"), this), "CmdExit");
  for (QPushButton* button : {CmdRun, CmdExit}) {
    button->setMinimumWidth(fontMetrics().horizontalAdvance(Text("実 行")) * 3);
  }

  auto* grid = new QGridLayout(this);
  grid->addWidget(FrmFile, 0, 0, 1, 3);
  grid->addWidget(FrmArea, 1, 0);
  grid->addWidget(FrmScale, 1, 1);
  grid->addWidget(FrmLtScale, 1, 2);
  grid->addWidget(FrmArrowStyle, 2, 0);
  grid->addWidget(FrmArrowLength, 2, 1);
  grid->addWidget(FrmArrowWidth, 2, 2);
  grid->addWidget(FrmOption, 3, 0, 1, 3);
  grid->addWidget(LblMessage, 4, 0, 1, 3);
  grid->addWidget(PrgRun, 5, 0, 1, 3);
  auto* commands = new QHBoxLayout;
  commands->addStretch(1);
  commands->addWidget(CmdRun);
  commands->addWidget(CmdExit);
  grid->addLayout(commands, 6, 0, 1, 3);
  grid->setSizeConstraint(QLayout::SetMinimumSize);

  connect(CmdFileSelectDXF, &QPushButton::clicked, this, [this] { CmdFileSelectDXFClick(); });
  connect(CmdFileSelectExcel, &QPushButton::clicked, this, [this] { CmdFileSelectExcelClick(); });
  connect(CmdRun, &QPushButton::clicked, this, [this] { CmdRunClick(); });
  connect(CmdExit, &QPushButton::clicked, this, [this] { CmdExitClick(); });
}

QGroupBox* FrmMain::BuildArrowStyleFrame() {
  QGroupBox* frame = Frame("FrmArrowStyle", "矢印スタイル", this);
  arrow_style_group_ = new QButtonGroup(this);
  auto* grid = new QGridLayout(frame);
  const int height = fontMetrics().height();
  const QSize size(height * 3, height);
  const QColor ink = palette().color(QPalette::WindowText);
  for (int i = 0; i < kArrowheadStyleCount; ++i) {
    const QString number = QString::number(i);
    const QString name = Text(ArrowheadStyleName(i + 1));
    OptArrowStyle[i] = new QRadioButton(frame);
    OptArrowStyle[i]->setObjectName(QStringLiteral("OptArrowStyle") + number);
    OptArrowStyle[i]->setToolTip(name);
    OptArrowStyle[i]->setAccessibleName(name);
    arrow_style_group_->addButton(OptArrowStyle[i], i + 1);

    ImgArrowStyle[i] = new QLabel(frame);
    ImgArrowStyle[i]->setObjectName(QStringLiteral("ImgArrowStyle") + number);
    ImgArrowStyle[i]->setPixmap(ArrowheadPicture(i + 1, size, devicePixelRatioF(), ink));
    ImgArrowStyle[i]->setToolTip(name);
    // A click on the picture sets its button.
    ImgArrowStyle[i]->installEventFilter(this);

    auto* pair = new QHBoxLayout;
    pair->setSpacing(2);
    pair->addWidget(OptArrowStyle[i]);
    pair->addWidget(ImgArrowStyle[i]);
    pair->addStretch(1);
    grid->addLayout(pair, i / 3, i % 3);
  }
  return frame;
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
    for (int i = 0; i < kArrowheadStyleCount; ++i) {
      if (watched == ImgArrowStyle[i] && OptArrowStyle[i]->isEnabled()) {
        OptArrowStyle[i]->click();
        return true;
      }
    }
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Settings ----------------------------------------------------------------

void FrmMain::InitializeControls() {
  Document().Clear();
  dxf_path_.clear();
  excel_path_.clear();
  dxf_chosen_ = false;
  excel_chosen_ = false;
  for (QGroupBox* frame : {FrmArea, FrmScale, FrmLtScale, FrmArrowStyle, FrmArrowLength,
                           FrmArrowWidth, FrmOption, FrmFile}) {
    frame->setEnabled(true);
  }
  ApplyOptionsToControls(LoadWindowSettings(*services_.settings));
}

void FrmMain::ApplyOptionsToControls(const RunOptions& options) {
  FillCombo(CboArea, Items(kPaperItems), options.PaperSize, kDefaultPaper);
  FillCombo(CboScale, Items(kScaleItems), options.Scale, kAutoScaleText);
  FillCombo(CboLtScale, Items(kLtScaleItems), options.LtScale, kCadLineWeightText);
  SetCheckedCode(arrow_style_group_, options.ArrowStyle);
  SetCheckedCode(arrow_length_group_, options.ArrowLength);
  SetCheckedCode(arrow_width_group_, options.ArrowWidth);
  ChkDimOmission->setChecked(options.DimOmission);
  ChkDimTextDirection->setChecked(options.DimTextDirection);
  ChkMonochrome->setChecked(options.Monochrome);
  ChkGroup->setChecked(options.Group);
  ChkExcelSaveClose->setChecked(options.SaveClose);
  ChkDrawAll->setChecked(options.DrawAll);
}

RunOptions FrmMain::ReadOptions() const {
  RunOptions options;
  options.PaperSize = CboArea->currentText().toStdString();
  options.Scale = CboScale->currentText().toStdString();
  options.LtScale = CboLtScale->currentText().toStdString();
  options.ArrowStyle = CheckedCode(arrow_style_group_);
  options.ArrowLength = CheckedCode(arrow_length_group_);
  options.ArrowWidth = CheckedCode(arrow_width_group_);
  options.DimOmission = ChkDimOmission->isChecked();
  options.DimTextDirection = ChkDimTextDirection->isChecked();
  options.Monochrome = ChkMonochrome->isChecked();
  options.Group = ChkGroup->isChecked();
  options.SaveClose = ChkExcelSaveClose->isChecked();
  options.DrawAll = ChkDrawAll->isChecked();
  return options;
}

void FrmMain::closeEvent(QCloseEvent* event) {
  if (running_) {
    // The run ends first; the window closes as soon as it has.
    close_requested_ = true;
    event->ignore();
    return;
  }
  if (!isMinimized()) {
    try {
      SaveWindowSettings(ReadOptions(), *services_.settings);
    } catch (const std::exception&) {
      // Settings that cannot be written are skipped.
    }
  }
  event->accept();
}

// ---- File choices ------------------------------------------------------------

void FrmMain::UpdateCommandStates() {
  CmdRun->setEnabled(dxf_chosen_ && excel_chosen_ && !running_);
  CmdExit->setEnabled(!running_);
  // A dialog opened during the run's event passes would hold the run up.
  CmdFileSelectDXF->setEnabled(!running_);
  CmdFileSelectExcel->setEnabled(!running_);
}

void FrmMain::CmdFileSelectDXFClick() {
  if (running_) return;
  const QString name = services_.files->ChooseDxfFile(this);
  if (name.isEmpty()) return;
  dxf_path_ = name.toStdString();
  dxf_chosen_ = true;
  ShowChosenFile(LblDxfPath, dxf_path_);
  UpdateCommandStates();
}

void FrmMain::CmdFileSelectExcelClick() {
  if (running_) return;
  const QString chosen = services_.files->ChooseWorkbookFile(this);
  if (chosen.isEmpty()) return;
  const std::string name = WithWorkbookExtension(chosen.toStdString());
  if (Document().Tools().CheckFileExist(name, false)) {
    const PromptAnswer answer = services_.prompt->Ask(kOverwriteQuestion, kApplicationTitle,
                                                      PromptIcon::None, PromptButtons::YesNo);
    if (answer != PromptAnswer::Yes) return;
  }
  excel_path_ = name;
  excel_chosen_ = true;
  ShowChosenFile(LblExcelPath, excel_path_);
  UpdateCommandStates();
}

void FrmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!running_ && event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void FrmMain::dropEvent(QDropEvent* event) {
  // A drop during a run is ignored: the run keeps the files it started with.
  if (running_ || !event->mimeData()->hasUrls()) return;
  const QList<QUrl> urls = event->mimeData()->urls();
  if (urls.isEmpty()) return;
  const QString name = urls.front().toLocalFile();
  event->acceptProposedAction();
  if (name.isEmpty() || !IsDroppableDxfName(name.toStdString())) return;
  dxf_path_ = name.toStdString();
  dxf_chosen_ = true;
  ShowChosenFile(LblDxfPath, dxf_path_);
  UpdateCommandStates();
}

// ---- Run and exit ------------------------------------------------------------

void FrmMain::CmdRunClick() {
  if (running_ || !dxf_chosen_ || !excel_chosen_) return;
  running_ = true;
  UpdateCommandStates();

  bool succeeded = false;
  {
    PromptScope prompt(*services_.prompt);
    QtRunView::Hooks hooks;
    hooks.status_shown = [this](const QString& text) { emit statusShown(text); };
    hooks.present_workbook = services_.present_workbook;
    QtRunView view(*LblMessage, *LblScale, *PrgRun, std::move(hooks));
    try {
      ConversionRun run(Document(), view);
      succeeded = run.Run(dxf_path_, excel_path_, ReadOptions()).Succeeded();
    } catch (const std::exception& error) {
      ShowMessage(std::string("変換を完了できませんでした\r\n") + error.what(), kApplicationTitle,
                  PromptIcon::Critical);
      try {
        Document().Clear();
      } catch (const std::exception&) {
      }
    }
  }

  running_ = false;
  UpdateCommandStates();
  emit runFinished(succeeded);
  if (close_requested_) {
    close_requested_ = false;
    close();
  }
}

void FrmMain::CmdExitClick() {
  if (running_) return;
  Document().Clear();
  dxf_path_.clear();
  excel_path_.clear();
  close();
}

}  // namespace ovix
