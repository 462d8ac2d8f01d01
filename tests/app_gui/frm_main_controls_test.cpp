// The window's controls: names, captions, the combo lists in order, the
// arrow-style pictures beside their buttons, the status label's two lines,
// and a layout whose frames do not overlap.
#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <set>

#include "app/arrowhead_pictures.h"
#include "app/conversion_run.h"
#include "app/dxf_stage.h"
#include "app/qt_prompt.h"
#include "app/qt_run_view.h"
#include "app/run_options.h"
#include "tests/app_gui/gui_test_suites.h"
#include "tests/app_gui/window_fixture.h"

namespace ovix::testing {
namespace {

template <std::size_t N>
QStringList Expected(const std::array<const char*, N>& items) {
  QStringList list;
  for (const char* item : items) list.append(QString::fromUtf8(item));
  return list;
}

QStringList ItemsOf(const QComboBox* box) {
  QStringList list;
  for (int i = 0; i < box->count(); ++i) list.append(box->itemText(i));
  return list;
}

QByteArray Bits(const QImage& image) {
  return QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
}

// Pixels with any ink in the right-hand third of the picture, by row.
int InkRowsAtTheEnd(const QImage& image) {
  int rows = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = image.width() * 2 / 3; x < image.width(); ++x) {
      if (qAlpha(image.pixel(x, y)) > 64) {
        ++rows;
        break;
      }
    }
  }
  return rows;
}

class FrmMainControlsTest : public QObject {
  Q_OBJECT

 private slots:
  void everyControlHasItsNameAndCaption() {
    WindowFixture f;
    FrmMain& window = f.Open();
    QCOMPARE(window.windowTitle(), QStringLiteral("Ovix"));
    QCOMPARE(window.objectName(), QStringLiteral("FrmMain"));

    const std::pair<const char*, const char*> frames[] = {
        {"FrmFile", "ファイル指定"},      {"FrmScale", "尺度"},
        {"FrmLtScale", "線の太さ"},       {"FrmArea", "ページ設定"},
        {"FrmArrowStyle", "矢印スタイル"}, {"FrmArrowLength", "矢印長さ"},
        {"FrmArrowWidth", "矢印幅"},      {"FrmOption", "オプション"}};
    for (const auto& [name, caption] : frames) {
      auto* frame = f.Control<QGroupBox>(name);
      QVERIFY2(frame, name);
      QCOMPARE(frame->title(), Utf8(caption));
    }
    const std::pair<const char*, const char*> buttons[] = {
        {"CmdFileSelectDXF", "DXF入力"}, {"CmdFileSelectExcel", "EXCEL出力"},
        {"CmdRun", "実 行"},            {"CmdExit", "終 了"},
        {"OptArrowLengthS", "短"},      {"OptArrowLengthM", "中"},
        {"OptArrowLengthL", "長"},      {"OptArrowWidthS", "狭"},
        {"OptArrowWidthM", "中"},       {"OptArrowWidthL", "広"},
        {"ChkDimTextDirection", "寸法値の向きを統一"},
        {"ChkDimOmission", "記入できない矢印を省略"},
        {"ChkExcelSaveClose", "Excelを閉じる"},
        {"ChkGroup", "グループ化"},
        {"ChkMonochrome", "白黒表示"},
        {"ChkDrawAll", "すべての図形を描く"}};
    for (const auto& [name, caption] : buttons) {
      auto* button = f.Control<QAbstractButton>(name);
      QVERIFY2(button, name);
      QCOMPARE(button->text(), Utf8(caption));
    }
    // The option buttons of a frame belong to it, so they exclude each other.
    QCOMPARE(f.Control<QRadioButton>("OptArrowLengthM")->parentWidget(),
             f.Control<QGroupBox>("FrmArrowLength"));
    QCOMPARE(f.Control<QRadioButton>("OptArrowWidthM")->parentWidget(),
             f.Control<QGroupBox>("FrmArrowWidth"));
    QVERIFY(f.Control<QLabel>("LblScale"));
    QVERIFY(f.Control<QLabel>("LblMessage"));
    QVERIFY(f.Control<QLabel>("LblMessage")->text().isEmpty());
    // Run waits for both files.
    QVERIFY(!f.Control<QPushButton>("CmdRun")->isEnabled());
    QVERIFY(f.Control<QPushButton>("CmdExit")->isEnabled());
  }

  void theComboListsHoldTheirItemsInOrder() {
    WindowFixture f;
    f.Open();
    auto* area = f.Control<QComboBox>("CboArea");
    auto* scale = f.Control<QComboBox>("CboScale");
    auto* lt_scale = f.Control<QComboBox>("CboLtScale");
    QCOMPARE(ItemsOf(area), Expected(kPaperItems));
    QCOMPARE(ItemsOf(scale), Expected(kScaleItems));
    QCOMPARE(ItemsOf(lt_scale), Expected(kLtScaleItems));
    QCOMPARE(area->count(), 20);
    QCOMPARE(scale->count(), 16);
    QCOMPARE(lt_scale->count(), 20);
    QVERIFY(!area->isEditable());
    QVERIFY(scale->isEditable());
    QVERIFY(lt_scale->isEditable());

    // A typed scale is taken as it stands and does not join the list.
    scale->setEditText(QStringLiteral("1/75"));
    QTest::keyClick(scale, Qt::Key_Return);
    QCOMPARE(scale->count(), 16);
    QCOMPARE(f.window->ReadOptions().Scale, std::string("1/75"));
  }

  void eachArrowStyleButtonHasItsOwnPicture() {
    WindowFixture f;
    f.Open();
    std::set<QByteArray> distinct;
    for (int i = 0; i < kArrowheadStyleCount; ++i) {
      const QByteArray number = QByteArray::number(i);
      auto* button = f.Control<QRadioButton>(("OptArrowStyle" + number).constData());
      auto* picture = f.Control<QLabel>(("ImgArrowStyle" + number).constData());
      QVERIFY(button);
      QVERIFY(picture);
      QCOMPARE(picture->parentWidget(), f.Control<QGroupBox>("FrmArrowStyle"));
      QVERIFY(!picture->pixmap().isNull());
      distinct.insert(Bits(picture->pixmap().toImage()));
    }
    QCOMPARE(distinct.size(), std::size_t(6));

    // A click on a picture sets its button.
    auto* picture = f.Control<QLabel>("ImgArrowStyle4");
    QTest::mouseClick(picture, Qt::LeftButton);
    QVERIFY(f.Control<QRadioButton>("OptArrowStyle4")->isChecked());
    QVERIFY(!f.Control<QRadioButton>("OptArrowStyle1")->isChecked());
    QCOMPARE(f.window->ReadOptions().ArrowStyle, int16_t(5));
  }

  void arrowheadPicturesShowTheirHeadsAtThePixelRatio() {
    const QSize size(48, 16);
    const QImage none = ArrowheadPicture(1, size, 1.0, Qt::black).toImage();
    // Without a head the end of the picture is only the line's thickness.
    const int line_rows = InkRowsAtTheEnd(none);
    QVERIFY(line_rows > 0);
    QVERIFY(line_rows <= 4);
    std::set<QByteArray> pictures{Bits(none)};
    for (int code = 2; code <= 6; ++code) {
      const QImage image = ArrowheadPicture(code, size, 1.0, Qt::black).toImage();
      QVERIFY2(InkRowsAtTheEnd(image) >= 6, qPrintable(QString::number(code)));
      pictures.insert(Bits(image));
    }
    QCOMPARE(pictures.size(), std::size_t(6));

    // Drawn for the screen: twice the pixels at a ratio of 2, same size on it.
    const QPixmap sharp = ArrowheadPicture(2, size, 2.0, Qt::black);
    QCOMPARE(sharp.size(), size * 2);
    QCOMPARE(sharp.deviceIndependentSize().toSize(), size);
    QCOMPARE(ArrowheadPicture(2, size, 1.5, Qt::black).size(), QSize(72, 24));
  }

  void theFailureTextShowsOnTwoLines() {
    const QString shown = StatusLabelText(kStatusExcelFailed);
    const QStringList lines = shown.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 2);
    QCOMPARE(lines[0], Utf8("Excelの表示ができませんでした"));
    QCOMPARE(lines[1], Utf8("位置、サイズ、尺度などをご確認ください"));
    QVERIFY(!shown.contains(QLatin1Char('\r')));
    QCOMPARE(StatusLabelText("a\r\nb"), QStringLiteral("a\nb"));
    QCOMPARE(StatusLabelText(kStatusDxfDone), Utf8(kStatusDxfDone));
  }

  void messageBoxesShowTheirIconTitleLinesAndButtons() {
    QtPrompt prompt;
    struct Seen {
      QString title, text;
      QMessageBox::Icon icon = QMessageBox::NoIcon;
      QMessageBox::StandardButtons buttons;
    } seen;
    // Reads the box once it shows, then presses `press`.
    auto answer_with = [&seen](QMessageBox::StandardButton press) {
      QTimer::singleShot(0, [&seen, press] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
        box->button(press)->click();
      });
    };

    answer_with(QMessageBox::No);
    QVERIFY(prompt.Ask(kOverwriteQuestion, kApplicationTitle, PromptIcon::None,
                       PromptButtons::YesNo) == PromptAnswer::No);
    QCOMPARE(seen.title, QStringLiteral("OvixV1"));
    QCOMPARE(seen.text, Utf8("ファイルが既に存在します\n上書きしますか？"));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.buttons, QMessageBox::Yes | QMessageBox::No);

    answer_with(QMessageBox::Yes);
    QVERIFY(prompt.Ask(kOverwriteQuestion, kApplicationTitle, PromptIcon::None,
                       PromptButtons::YesNo) == PromptAnswer::Yes);

    answer_with(QMessageBox::Ok);
    QVERIFY(prompt.Ask(kExcelStartFailedMessage, kApplicationTitle, PromptIcon::Critical,
                       PromptButtons::Ok) == PromptAnswer::Ok);
    QCOMPARE(seen.text, Utf8("Excelの実行に問題が発生しました\nExcelの状態をご確認ください"));
    QCOMPARE(seen.icon, QMessageBox::Critical);
    QCOMPARE(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
  }

  void theFramesDoNotOverlapAtTheWindowsOwnSize() {
    WindowFixture f;
    FrmMain& window = f.Open();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QList<QGroupBox*> frames = window.findChildren<QGroupBox*>();
    QCOMPARE(frames.size(), 8);
    for (int i = 0; i < frames.size(); ++i) {
      QVERIFY(!frames[i]->geometry().isEmpty());
      QVERIFY(window.rect().contains(frames[i]->geometry()));
      for (int j = i + 1; j < frames.size(); ++j) {
        QVERIFY2(!frames[i]->geometry().intersects(frames[j]->geometry()),
                 qPrintable(frames[i]->objectName() + QLatin1Char('/') + frames[j]->objectName()));
      }
    }
    // Every caption fits: no control is squeezed below its own minimum.
    for (QAbstractButton* button : window.findChildren<QAbstractButton*>()) {
      if (!button->isVisible()) continue;
      QVERIFY2(button->width() >= button->minimumSizeHint().width(),
               qPrintable(button->objectName()));
    }
    // The status label has room for the failure text's two lines.
    auto* message = f.Control<QLabel>("LblMessage");
    QVERIFY(message->height() >= 2 * message->fontMetrics().lineSpacing());
  }
};

}  // namespace

std::unique_ptr<QObject> MakeFrmMainControlsTest() {
  return std::make_unique<FrmMainControlsTest>();
}

}  // namespace ovix::testing

#include "frm_main_controls_test.moc"
