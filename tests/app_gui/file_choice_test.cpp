// Choosing the files: drops onto the window (which names are taken), the
// workbook name's extension, the overwrite question answered No and Yes,
// Run enabled only with both files in either order, and the real Qt dialogs'
// titles, filters and overwrite behaviour.
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "app/chosen_file_names.h"
#include "app/file_chooser.h"
#include "app/frm_main.h"
#include "tests/app_gui/gui_test_suites.h"
#include "tests/app_gui/window_fixture.h"

namespace ovix::testing {
namespace {

void Touch(const QString& path) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("x");
}

// Runs `inspect` on the first modal dialog once it shows, then rejects any
// dialog or message box still open, so that no test waits on one.
void WhenModalShows(std::function<void(QWidget*)> inspect) {
  QTimer::singleShot(0, [inspect = std::move(inspect)] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    inspect(modal);
    // Anything the dialog opened on top of itself (a second question).
    QTimer::singleShot(0, [] {
      while (QWidget* still = QApplication::activeModalWidget()) {
        if (auto* dialog = qobject_cast<QDialog*>(still)) {
          dialog->reject();
        } else {
          still->close();
        }
        QCoreApplication::processEvents();
      }
    });
  });
}

class FileChoiceTest : public QObject {
  Q_OBJECT

 private slots:
  void dropsTakeOnlyDxfNames() {
    WindowFixture f;
    FrmMain& window = f.Open();
    const QString upper = f.Path(QStringLiteral("PLAN.DXF"));
    const QString lower = f.Path(QStringLiteral("図面.dxf"));
    const QString text = f.Path(QStringLiteral("notes.txt"));

    QVERIFY(DropFiles(&window, QStringList{text}));
    QVERIFY(!window.DxfChosen());
    QVERIFY(DropFiles(&window, QStringList{upper}));
    QVERIFY(window.DxfChosen());
    QCOMPARE(QString::fromStdString(window.DxfPath()), upper);
    QVERIFY(DropFiles(&window, QStringList{lower}));
    QCOMPARE(QString::fromStdString(window.DxfPath()), lower);
    // The first file decides: a text file first ignores the drawing after it.
    DropFiles(&window, QStringList{text, upper});
    QCOMPARE(QString::fromStdString(window.DxfPath()), lower);
    // Short names and files that are not local are ignored.
    DropFiles(&window, QStringList{QStringLiteral("/DXF")});
    DropFiles(&window, QList<QUrl>{QUrl(QStringLiteral("https://example.com/plan.dxf"))});
    QCOMPARE(QString::fromStdString(window.DxfPath()), lower);
    // A dropped drawing alone does not enable Run.
    QVERIFY(!f.Control<QPushButton>("CmdRun")->isEnabled());
  }

  void theDroppedNameRuleCountsCharacters() {
    QVERIFY(IsDroppableDxfName("a.dxf"));
    QVERIFY(IsDroppableDxfName("/tmp/PLAN.DxF"));
    QVERIFY(IsDroppableDxfName("図面.DXF"));
    QVERIFY(IsDroppableDxfName("xyDXF"));  // only the last three are compared
    QVERIFY(!IsDroppableDxfName(".DXF"));   // four characters
    QVERIFY(IsDroppableDxfName("図.dxf"));
    QVERIFY(!IsDroppableDxfName("plan.dwg"));
    QVERIFY(!IsDroppableDxfName("plan.dx"));
    QVERIFY(!IsDroppableDxfName("plan.ｄｘｆ"));  // full-width letters are not DXF
    QVERIFY(!IsDroppableDxfName(""));
  }

  void theWorkbookNameGetsXlsxWhenItHasNoExtension() {
    QCOMPARE(WithWorkbookExtension("/tmp/plan"), std::string("/tmp/plan.xlsx"));
    QCOMPARE(WithWorkbookExtension("/tmp/plan."), std::string("/tmp/plan.xlsx"));
    QCOMPARE(WithWorkbookExtension("/tmp/plan.xlsx"), std::string("/tmp/plan.xlsx"));
    QCOMPARE(WithWorkbookExtension("/tmp/plan.xls"), std::string("/tmp/plan.xls"));
    QCOMPARE(WithWorkbookExtension("/tmp/v1.2/plan"), std::string("/tmp/v1.2/plan.xlsx"));
    QCOMPARE(WithWorkbookExtension("/tmp/.plan"), std::string("/tmp/.plan.xlsx"));

    WindowFixture f;
    FrmMain& window = f.Open();
    Touch(f.Path(QStringLiteral("plan.xlsx")));
    f.files->workbook_answers << f.Path(QStringLiteral("plan"));
    f.prompt->QueueAnswer(PromptAnswer::Yes);
    QTest::mouseClick(f.Control<QPushButton>("CmdFileSelectExcel"), Qt::LeftButton);
    // The name with its extension is the one that exists: the window asks.
    QCOMPARE(f.prompt->messages().size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(window.ExcelPath()), f.Path(QStringLiteral("plan.xlsx")));
  }

  void anExistingWorkbookAnsweredNoChangesNothing() {
    WindowFixture f;
    FrmMain& window = f.Open();
    const QString existing = f.Path(QStringLiteral("old.xlsx"));
    Touch(existing);
    auto* run = f.Control<QPushButton>("CmdRun");
    auto* choose = f.Control<QPushButton>("CmdFileSelectExcel");

    // Nothing chosen yet: No leaves nothing chosen.
    f.files->workbook_answers << existing;
    f.prompt->QueueAnswer(PromptAnswer::No);
    QTest::mouseClick(choose, Qt::LeftButton);
    QVERIFY(!window.ExcelChosen());
    QVERIFY(window.ExcelPath().empty());
    QCOMPARE(f.prompt->messages().size(), std::size_t(1));
    const RecordedMessage question = f.prompt->messages().front();
    QCOMPARE(QString::fromStdString(question.text),
             Utf8("ファイルが既に存在します\r上書きしますか？"));
    QVERIFY(question.icon == PromptIcon::None);
    QVERIFY(question.buttons == PromptButtons::YesNo);
    QCOMPARE(question.title, std::string("OvixV1"));

    // With both files chosen, No keeps the previous workbook and Run.
    f.files->dxf_answers << f.Path(QStringLiteral("a.dxf"));
    QTest::mouseClick(f.Control<QPushButton>("CmdFileSelectDXF"), Qt::LeftButton);
    const QString fresh = f.Path(QStringLiteral("new.xlsx"));
    f.files->workbook_answers << fresh;
    QTest::mouseClick(choose, Qt::LeftButton);
    QCOMPARE(f.prompt->messages().size(), std::size_t(1));  // a new file needs no question
    QVERIFY(run->isEnabled());
    f.files->workbook_answers << existing;
    f.prompt->QueueAnswer(PromptAnswer::No);
    QTest::mouseClick(choose, Qt::LeftButton);
    QCOMPARE(f.prompt->messages().size(), std::size_t(2));
    QCOMPARE(QString::fromStdString(window.ExcelPath()), fresh);
    QVERIFY(run->isEnabled());

    // Yes takes the existing workbook.
    f.files->workbook_answers << existing;
    f.prompt->QueueAnswer(PromptAnswer::Yes);
    QTest::mouseClick(choose, Qt::LeftButton);
    QCOMPARE(QString::fromStdString(window.ExcelPath()), existing);
  }

  void runIsEnabledOnlyWithBothFilesInEitherOrder() {
    {
      WindowFixture f;
      FrmMain& window = f.Open();
      auto* run = f.Control<QPushButton>("CmdRun");
      // A cancelled dialog changes nothing.
      QTest::mouseClick(f.Control<QPushButton>("CmdFileSelectDXF"), Qt::LeftButton);
      QCOMPARE(f.files->dxf_asked, 1);
      QVERIFY(!window.DxfChosen());
      f.files->dxf_answers << f.Path(QStringLiteral("a.dxf"));
      QTest::mouseClick(f.Control<QPushButton>("CmdFileSelectDXF"), Qt::LeftButton);
      QVERIFY(!run->isEnabled());
      QTest::mouseClick(f.Control<QPushButton>("CmdFileSelectExcel"), Qt::LeftButton);
      QVERIFY(!run->isEnabled());  // cancelled
      f.files->workbook_answers << f.Path(QStringLiteral("a.xlsx"));
      QTest::mouseClick(f.Control<QPushButton>("CmdFileSelectExcel"), Qt::LeftButton);
      QVERIFY(run->isEnabled());
    }
    {
      WindowFixture f;
      FrmMain& window = f.Open();
      auto* run = f.Control<QPushButton>("CmdRun");
      f.files->workbook_answers << f.Path(QStringLiteral("b.xlsx"));
      QTest::mouseClick(f.Control<QPushButton>("CmdFileSelectExcel"), Qt::LeftButton);
      QVERIFY(window.ExcelChosen());
      QVERIFY(!run->isEnabled());
      DropFiles(&window, QStringList{f.Path(QStringLiteral("b.DXF"))});
      QVERIFY(run->isEnabled());
    }
  }

  void theOpenDialogHasItsTitleAndFilters() {
    QtFileChooser chooser;
    QString title;
    QStringList filters;
    bool open = false;
    WhenModalShows([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      QVERIFY(dialog);
      title = dialog->windowTitle();
      filters = dialog->nameFilters();
      open = dialog->acceptMode() == QFileDialog::AcceptOpen &&
             dialog->fileMode() == QFileDialog::ExistingFile;
    });
    QVERIFY(chooser.ChooseDxfFile(nullptr).isEmpty());  // rejected
    QCOMPARE(title, Utf8("DXFファイルの読込先を指定"));
    QCOMPARE(filters, (QStringList{Utf8("DXFファイル(*.DXF *.dxf)"), Utf8("すべてのファイル(*.*)")}));
    QVERIFY(open);
  }

  void theSaveDialogAddsXlsxAndAsksNoQuestionOfItsOwn() {
    QTemporaryDir dir;
    Touch(dir.filePath(QStringLiteral("plan.xlsx")));
    QtFileChooser chooser;
    QString title;
    QStringList filters;
    QStringList second_question;
    WhenModalShows([&](QWidget* modal) {
      auto* dialog = qobject_cast<QFileDialog*>(modal);
      QVERIFY(dialog);
      title = dialog->windowTitle();
      filters = dialog->nameFilters();
      dialog->setDirectory(dir.path());
      dialog->selectFile(QStringLiteral("plan"));
      // Qt's own overwrite question would show now, on top of the dialog.
      QTimer::singleShot(0, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
          second_question << box->text();
          box->reject();
        }
      });
      static_cast<QDialog*>(dialog)->accept();
    });
    const QString chosen = chooser.ChooseWorkbookFile(nullptr);
    QCOMPARE(title, Utf8("EXCELファイルの出力先を指定"));
    QCOMPARE(filters, (QStringList{Utf8("Excelブック(*.xlsx)"), Utf8("XLSファイル(*.XLS *.xls)"),
                                   Utf8("すべてのファイル(*.*)")}));
    QVERIFY2(second_question.isEmpty(), qPrintable(second_question.join(QLatin1Char(' '))));
    QCOMPARE(chosen, dir.filePath(QStringLiteral("plan.xlsx")));
  }

  void aNameTypedWithoutExtensionTakesThatOfTheChosenFilter() {
    QCOMPARE(WorkbookSuffixForFilter(Utf8("XLSファイル(*.XLS *.xls)")), QStringLiteral("xls"));
    QCOMPARE(WorkbookSuffixForFilter(Utf8("Excelブック(*.xlsx)")), QStringLiteral("xlsx"));
    QCOMPARE(WorkbookSuffixForFilter(Utf8("すべてのファイル(*.*)")), QStringLiteral("xlsx"));
  }
};

}  // namespace

std::unique_ptr<QObject> MakeFileChoiceTest() { return std::make_unique<FileChoiceTest>(); }

}  // namespace ovix::testing

#include "file_choice_test.moc"
