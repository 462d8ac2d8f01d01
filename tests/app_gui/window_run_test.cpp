// Runs started from the window: the sample drawing converted to a saved
// workbook with the status texts in order, the progress bar and the scale
// label; the arrow style of an unset button; what the window refuses while
// a run is in progress; save-and-close; a workbook that cannot be made;
// and Exit.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

#include "app/conversion_run.h"
#include "app/dxf_stage.h"
#include "app/frm_main.h"
#include "excel/excel_automation.h"
#include "tests/app_gui/gui_test_suites.h"
#include "tests/app_gui/window_fixture.h"
#include "tests/support/shared_files.h"
#include "tests/workbook/package_reader.h"
#include "workbook/workbook_engine.h"

namespace ovix::testing {
namespace {

QString SampleDrawing() {
  return QString::fromStdString((SourceDir() / "samples" / "sample.dxf").string());
}

QStringList Texts(std::initializer_list<const char*> texts) {
  QStringList list;
  for (const char* text : texts) list.append(QString::fromUtf8(text));
  return list;
}

QStringList Recorded(const QSignalSpy& spy) {
  QStringList list;
  for (const QList<QVariant>& call : spy) list.append(call.at(0).toString());
  return list;
}

std::size_t Count(const std::string& text, const std::string& part) {
  std::size_t n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

class WindowRunTest : public QObject {
  Q_OBJECT

  // Chooses the sample drawing and `workbook` in the window.
  static void ChooseFiles(WindowFixture& f, const QString& workbook) {
    f.files->dxf_answers << SampleDrawing();
    f.files->workbook_answers << workbook;
    QTest::mouseClick(f.Control<QPushButton>("CmdFileSelectDXF"), Qt::LeftButton);
    QTest::mouseClick(f.Control<QPushButton>("CmdFileSelectExcel"), Qt::LeftButton);
    QVERIFY(f.Control<QPushButton>("CmdRun")->isEnabled());
  }

 private slots:
  void init() { workbook::RegisterAutomationClass(); }
  void cleanup() { excel::ForgetRunningInstances(); }

  void theSampleDrawingBecomesASavedWorkbook() {
    WindowFixture f;
    FrmMain& window = f.Open();
    window.show();
    const QString out = f.Path(QStringLiteral("sample.xlsx"));
    ChooseFiles(f, out);
    f.Control<QComboBox>("CboScale")->setCurrentText(QStringLiteral("1/100"));
    QSignalSpy statuses(&window, &FrmMain::statusShown);
    QSignalSpy finished(&window, &FrmMain::runFinished);
    QTest::mouseClick(f.Control<QPushButton>("CmdRun"), Qt::LeftButton);

    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.front().at(0).toBool(), true);
    QCOMPARE(Recorded(statuses),
             Texts({"DXFファイルを開いています", "DXFファイルのデータ数を読み込んでいます",
                    "DXFファイルを読み込んでいます", "テーブルデータを登録しています",
                    "エンティティデータを登録しています", "DXFファイルを閉じています",
                    "DXFファイル操作を完了しました", "Excelを起動しています",
                    "Excelに登録しています", "Excelに線分を作成しています",
                    "Excelに円を作成しています", "Excelに楕円を作成しています",
                    "Excelに円弧を作成しています", "Excelにﾎﾟﾘﾗｲﾝを作成しています",
                    "Excelに文字を作成しています", "Excelにﾏﾙﾁﾃｷｽﾄを作成しています",
                    "Excelに寸法線を作成しています", "Excelに引出線を作成しています",
                    "再作図しています", "Excelのブックを保存しています",
                    "Excelの処理を完了しました"}));
    QCOMPARE(f.Control<QLabel>("LblMessage")->text(), Utf8("Excelの処理を完了しました"));
    QVERIFY(f.prompt->messages().empty());

    // The workbook holds the drawing as shapes on "Sheet1".
    QVERIFY(QFile::exists(out));
    const std::string drawing = ReadPart(out.toStdString(), "xl/drawings/drawing1.xml");
    QVERIFY(Count(drawing, "<xdr:cxnSp") > 10);
    QVERIFY(Count(drawing, "<xdr:sp>") + Count(drawing, "<xdr:sp ") > 5);
    QVERIFY(ReadPart(out.toStdString(), "xl/workbook.xml").find("name=\"Sheet1\"") !=
            std::string::npos);

    // 1/100 of a millimetre drawing is 0.028347 points per unit.
    QCOMPARE(f.Control<QLabel>("LblScale")->text(), QStringLiteral("1/35.277"));
    auto* progress = f.Control<QProgressBar>("PrgRun");
    QCOMPARE(progress->value(), progress->maximum());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    // Save-and-close off: the workbook is handed to the desktop.
    QCOMPARE(f.presented, std::vector<std::string>{out.toStdString()});
    QVERIFY(f.Control<QPushButton>("CmdRun")->isEnabled());
    QVERIFY(f.Control<QPushButton>("CmdExit")->isEnabled());
    QVERIFY(!window.Running());
  }

  void aWorkbookChosenAsXlsIsSavedAsXls() {
    WindowFixture f;
    FrmMain& window = f.Open();
    const QString out = f.Path(QStringLiteral("sample.xls"));
    ChooseFiles(f, out);
    QSignalSpy finished(&window, &FrmMain::runFinished);
    QTest::mouseClick(f.Control<QPushButton>("CmdRun"), Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.front().at(0).toBool(), true);
    QVERIFY(f.prompt->messages().empty());
    // A compound file whose Workbook stream holds the drawing.
    QFile file(out);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    QVERIFY(bytes.startsWith(QByteArray("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)));
    QVERIFY(bytes.contains(QByteArray("W\0o\0r\0k\0b\0o\0o\0k\0", 16)));
    QVERIFY(bytes.contains(QByteArray("L\0i\0n\0e\0 \0" "1\0", 12)));
  }

  void noSetStyleButtonDrawsTrianglesAndASetOneItsOwnStyle() {
    WindowFixture f;
    f.Store(QStringLiteral("ArrowStyle"), QStringLiteral("9"));
    f.Store(QStringLiteral("SaveClose"), QStringLiteral("True"));
    f.Open();
    const QString first = f.Path(QStringLiteral("first.xlsx"));
    ChooseFiles(f, first);
    QTest::mouseClick(f.Control<QPushButton>("CmdRun"), Qt::LeftButton);
    const std::string triangles = ReadPart(first.toStdString(), "xl/drawings/drawing1.xml");
    QVERIFY(Count(triangles, "type=\"triangle\"") > 0);
    QCOMPARE(Count(triangles, "type=\"diamond\""), std::size_t(0));
    // Save-and-close on: nothing is handed to the desktop.
    QVERIFY(f.presented.empty());

    f.Control<QRadioButton>("OptArrowStyle4")->click();  // diamond
    const QString second = f.Path(QStringLiteral("second.xlsx"));
    f.files->workbook_answers << second;
    QTest::mouseClick(f.Control<QPushButton>("CmdFileSelectExcel"), Qt::LeftButton);
    QTest::mouseClick(f.Control<QPushButton>("CmdRun"), Qt::LeftButton);
    const std::string diamonds = ReadPart(second.toStdString(), "xl/drawings/drawing1.xml");
    QVERIFY(Count(diamonds, "type=\"diamond\"") > 0);
    QCOMPARE(Count(diamonds, "type=\"triangle\""), std::size_t(0));
  }

  void duringARunTheWindowRefusesRunExitDropsAndClosing() {
    WindowFixture f;
    FrmMain& window = f.Open();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    ChooseFiles(f, f.Path(QStringLiteral("busy.xlsx")));
    const std::string dxf = window.DxfPath();
    auto* run = f.Control<QPushButton>("CmdRun");
    auto* exit = f.Control<QPushButton>("CmdExit");

    // Runs at the first pass of pending events, inside the run.
    bool checked = false, run_enabled = true, exit_enabled = true, busy = false;
    bool drop_taken = true, closed_during_run = true;
    QTimer::singleShot(0, [&] {
      checked = true;
      run_enabled = run->isEnabled();
      exit_enabled = exit->isEnabled();
      busy = QApplication::overrideCursor() &&
             QApplication::overrideCursor()->shape() == Qt::WaitCursor;
      DropFiles(&window, QStringList{f.Path(QStringLiteral("other.dxf"))});
      drop_taken = window.DxfPath() != dxf;
      // A second click and a close: the click does nothing, the close waits.
      run->click();
      window.close();
      closed_during_run = !window.isVisible();
    });
    QSignalSpy finished(&window, &FrmMain::runFinished);
    run->click();
    QVERIFY(checked);
    QCOMPARE(finished.size(), 1);  // the second click started no run
    QVERIFY(!run_enabled);
    QVERIFY(!exit_enabled);
    QVERIFY(busy);
    QVERIFY(!drop_taken);
    QVERIFY(!closed_during_run);
    // The close asked for during the run happens once it has ended, and
    // saves the settings.
    QVERIFY(!window.isVisible());
    QCOMPARE(f.Stored("PaperSize"), Utf8("A4 縦"));
    QVERIFY(QApplication::overrideCursor() == nullptr);
  }

  void aWorkbookThatCannotBeMadeIsReportedInTheWindowsMessageBoxes() {
    WindowFixture f;
    FrmMain& window = f.Open();
    ChooseFiles(f, f.Path(QStringLiteral("no such folder/plan.xlsx")));
    QSignalSpy finished(&window, &FrmMain::runFinished);
    QTest::mouseClick(f.Control<QPushButton>("CmdRun"), Qt::LeftButton);
    QCOMPARE(finished.size(), 1);
    QCOMPARE(finished.front().at(0).toBool(), false);
    // The run's messages reach the window's prompt: error icon, OK, title.
    QVERIFY(!f.prompt->messages().empty());
    const RecordedMessage& last = f.prompt->messages().back();
    QCOMPARE(QString::fromStdString(last.text), Utf8(kExcelStartFailedMessage));
    QCOMPARE(last.title, std::string("OvixV1"));
    QVERIFY(last.icon == PromptIcon::Critical);
    QVERIFY(last.buttons == PromptButtons::Ok);
    QCOMPARE(f.Control<QLabel>("LblMessage")->text(), Utf8("Excelの処理を完了しました"));
    QVERIFY(f.presented.empty());
    QVERIFY(f.Control<QPushButton>("CmdRun")->isEnabled());
  }

  void exitClosesTheWindowAndSavesTheSettings() {
    WindowFixture f;
    FrmMain& window = f.Open();
    window.show();
    f.Control<QCheckBox>("ChkMonochrome")->setChecked(true);
    QTest::mouseClick(f.Control<QPushButton>("CmdExit"), Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QCOMPARE(f.Stored("Monochrome"), QStringLiteral("True"));
    QVERIFY(window.DxfPath().empty());
    QVERIFY(window.ExcelPath().empty());
  }
};

}  // namespace

std::unique_ptr<QObject> MakeWindowRunTest() { return std::make_unique<WindowRunTest>(); }

}  // namespace ovix::testing

#include "window_run_test.moc"
