// The window's settings: the first start's defaults, the round trip of all
// twelve values through the store, the fallbacks for missing and unreadable
// values (an "ArrowStyle" of 9 sets no button), closing while minimised, the
// program's own store location, and stores that fail.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QRadioButton>
#include <QSettings>
#include <QStandardPaths>
#include <QtTest>

#include <stdexcept>

#include "app/frm_main.h"
#include "app/qsettings_store.h"
#include "app/window_settings.h"
#include "tests/app_gui/gui_test_suites.h"
#include "tests/app_gui/window_fixture.h"

namespace ovix::testing {
namespace {

const char* const kStyleButtons[] = {"OptArrowStyle0", "OptArrowStyle1", "OptArrowStyle2",
                                     "OptArrowStyle3", "OptArrowStyle4", "OptArrowStyle5"};
const char* const kLengthButtons[] = {"OptArrowLengthS", "OptArrowLengthM", "OptArrowLengthL"};
const char* const kWidthButtons[] = {"OptArrowWidthS", "OptArrowWidthM", "OptArrowWidthL"};
const char* const kCheckBoxes[] = {"ChkDimOmission", "ChkDimTextDirection", "ChkMonochrome",
                                   "ChkGroup", "ChkExcelSaveClose", "ChkDrawAll"};

// The names of the set buttons among `names`.
template <std::size_t N>
QStringList SetButtons(const WindowFixture& f, const char* const (&names)[N]) {
  QStringList set;
  for (const char* name : names) {
    if (f.Control<QRadioButton>(name)->isChecked()) set.append(QString::fromUtf8(name));
  }
  return set;
}

// A store that cannot be read at all.
class BrokenStore : public SettingsStore {
 public:
  std::optional<std::string> Read(const std::string&) override {
    throw std::runtime_error("the settings store is not available");
  }
  bool Write(const std::string&, const std::string&) override {
    ++writes;
    throw std::runtime_error("the settings store is not available");
  }
  int writes = 0;
};

// A store that keeps values in memory and refuses every write.
class ReadOnlyStore : public SettingsStore {
 public:
  std::optional<std::string> Read(const std::string&) override { return std::nullopt; }
  bool Write(const std::string&, const std::string&) override {
    ++refused;
    return false;
  }
  int refused = 0;
};

class WindowSettingsTest : public QObject {
  Q_OBJECT

 private slots:
  void theFirstStartWithAnEmptyStoreShowsTheDefaults() {
    WindowFixture f;
    f.Open();
    QCOMPARE(f.Control<QComboBox>("CboArea")->currentText(), Utf8("A4 縦"));
    QCOMPARE(f.Control<QComboBox>("CboScale")->currentText(), Utf8("自動"));
    QCOMPARE(f.Control<QComboBox>("CboLtScale")->currentText(), Utf8("CAD設定値"));
    QCOMPARE(SetButtons(f, kStyleButtons), QStringList{QStringLiteral("OptArrowStyle1")});
    QCOMPARE(SetButtons(f, kLengthButtons), QStringList{QStringLiteral("OptArrowLengthM")});
    QCOMPARE(SetButtons(f, kWidthButtons), QStringList{QStringLiteral("OptArrowWidthS")});
    for (const char* name : kCheckBoxes) QVERIFY2(!f.Control<QCheckBox>(name)->isChecked(), name);
    QVERIFY(f.prompt->messages().empty());
    // Opening alone writes nothing.
    QVERIFY(!QFile::exists(f.ini()));
  }

  void everyValueMakesTheRoundTripAsText() {
    WindowFixture f;
    f.Open();
    f.Control<QComboBox>("CboArea")->setCurrentText(Utf8("B4 横"));
    f.Control<QComboBox>("CboScale")->setEditText(QStringLiteral("1/75"));
    f.Control<QComboBox>("CboLtScale")->setCurrentText(Utf8("3倍"));
    f.Control<QRadioButton>("OptArrowStyle4")->click();
    f.Control<QRadioButton>("OptArrowLengthL")->click();
    f.Control<QRadioButton>("OptArrowWidthM")->click();
    f.Control<QCheckBox>("ChkDimOmission")->setChecked(true);
    f.Control<QCheckBox>("ChkGroup")->setChecked(true);
    f.Control<QCheckBox>("ChkExcelSaveClose")->setChecked(true);
    f.Control<QCheckBox>("ChkDrawAll")->setChecked(true);
    QVERIFY(f.window->close());

    // Stored as the twelve texts, under KORA's section "Settings".
    QCOMPARE(f.Stored("PaperSize"), Utf8("B4 横"));
    QCOMPARE(f.Stored("Scale"), QStringLiteral("1/75"));
    QCOMPARE(f.Stored("LtScale"), Utf8("3倍"));
    QCOMPARE(f.Stored("ArrowStyle"), QStringLiteral("5"));
    QCOMPARE(f.Stored("ArrowLength"), QStringLiteral("3"));
    QCOMPARE(f.Stored("ArrowWidth"), QStringLiteral("2"));
    QCOMPARE(f.Stored("DimOmission"), QStringLiteral("True"));
    QCOMPARE(f.Stored("DimTextDirection"), QStringLiteral("False"));
    QCOMPARE(f.Stored("Monochrome"), QStringLiteral("False"));
    QCOMPARE(f.Stored("Group"), QStringLiteral("True"));
    QCOMPARE(f.Stored("SaveClose"), QStringLiteral("True"));
    QCOMPARE(f.Stored("DrawAll"), QStringLiteral("True"));

    f.Open();
    QCOMPARE(f.Control<QComboBox>("CboArea")->currentText(), Utf8("B4 横"));
    QCOMPARE(f.Control<QComboBox>("CboScale")->currentText(), QStringLiteral("1/75"));
    QCOMPARE(f.Control<QComboBox>("CboScale")->count(), 16);
    QCOMPARE(f.Control<QComboBox>("CboLtScale")->currentText(), Utf8("3倍"));
    QCOMPARE(SetButtons(f, kStyleButtons), QStringList{QStringLiteral("OptArrowStyle4")});
    QCOMPARE(SetButtons(f, kLengthButtons), QStringList{QStringLiteral("OptArrowLengthL")});
    QCOMPARE(SetButtons(f, kWidthButtons), QStringList{QStringLiteral("OptArrowWidthM")});
    QVERIFY(f.Control<QCheckBox>("ChkDimOmission")->isChecked());
    QVERIFY(!f.Control<QCheckBox>("ChkDimTextDirection")->isChecked());
    QVERIFY(!f.Control<QCheckBox>("ChkMonochrome")->isChecked());
    QVERIFY(f.Control<QCheckBox>("ChkGroup")->isChecked());
    QVERIFY(f.Control<QCheckBox>("ChkExcelSaveClose")->isChecked());
    QVERIFY(f.Control<QCheckBox>("ChkDrawAll")->isChecked());
  }

  void anArrowStyleOfNineSetsNoButtonAndTheNextStartTakesStyleTwo() {
    WindowFixture f;
    f.Store(QStringLiteral("ArrowStyle"), QStringLiteral("9"));
    f.Store(QStringLiteral("ArrowLength"), QStringLiteral("4"));
    f.Store(QStringLiteral("ArrowWidth"), QStringLiteral("3"));
    f.Open();
    QVERIFY(SetButtons(f, kStyleButtons).isEmpty());
    QVERIFY(SetButtons(f, kLengthButtons).isEmpty());
    QCOMPARE(SetButtons(f, kWidthButtons), QStringList{QStringLiteral("OptArrowWidthL")});
    // The run reads no style (0) and so draws style 2.
    QCOMPARE(f.window->ReadOptions().ArrowStyle, int16_t(0));
    QCOMPARE(f.window->ReadOptions().ArrowLength, int16_t(0));

    QVERIFY(f.window->close());
    QCOMPARE(f.Stored("ArrowStyle"), QStringLiteral("0"));
    f.Open();
    QCOMPARE(SetButtons(f, kStyleButtons), QStringList{QStringLiteral("OptArrowStyle1")});
    QCOMPARE(SetButtons(f, kLengthButtons), QStringList{QStringLiteral("OptArrowLengthM")});
  }

  void missingAndUnreadableValuesFallBackToTheDefaults() {
    WindowFixture f;
    f.Store(QStringLiteral("PaperSize"), QString());
    f.Store(QStringLiteral("Scale"), QString());
    f.Store(QStringLiteral("ArrowStyle"), QStringLiteral("abc"));     // not a number
    f.Store(QStringLiteral("ArrowLength"), QStringLiteral("99999"));  // beyond 16 bits
    f.Store(QStringLiteral("ArrowWidth"), QStringLiteral("-2"));      // below 1
    f.Store(QStringLiteral("DimOmission"), QStringLiteral("yes"));    // only True ticks
    f.Store(QStringLiteral("Monochrome"), QStringLiteral("True"));
    f.Open();
    QCOMPARE(f.Control<QComboBox>("CboArea")->currentText(), Utf8("A4 縦"));
    QCOMPARE(f.Control<QComboBox>("CboScale")->currentText(), Utf8("自動"));
    QCOMPARE(f.Control<QComboBox>("CboLtScale")->currentText(), Utf8("CAD設定値"));
    QCOMPARE(SetButtons(f, kStyleButtons), QStringList{QStringLiteral("OptArrowStyle1")});
    QCOMPARE(SetButtons(f, kLengthButtons), QStringList{QStringLiteral("OptArrowLengthM")});
    QCOMPARE(SetButtons(f, kWidthButtons), QStringList{QStringLiteral("OptArrowWidthS")});
    QVERIFY(!f.Control<QCheckBox>("ChkDimOmission")->isChecked());
    QVERIFY(f.Control<QCheckBox>("ChkMonochrome")->isChecked());

    // Codes are whole numbers of 16 bits, rounded half to even.
    f.Store(QStringLiteral("ArrowStyle"), QStringLiteral("2.5"));
    f.Store(QStringLiteral("ArrowLength"), QStringLiteral(" 3 "));
    f.Open();
    QCOMPARE(SetButtons(f, kStyleButtons), QStringList{QStringLiteral("OptArrowStyle1")});
    QCOMPARE(SetButtons(f, kLengthButtons), QStringList{QStringLiteral("OptArrowLengthL")});
  }

  void aPaperThatIsNotInTheListShowsTheDefaultPaper() {
    WindowFixture f;
    f.Store(QStringLiteral("PaperSize"), QStringLiteral("Letter"));
    f.Store(QStringLiteral("LtScale"), QStringLiteral("0.35"));
    f.Open();
    QCOMPARE(f.Control<QComboBox>("CboArea")->currentText(), Utf8("A4 縦"));
    // The editable boxes keep any text.
    QCOMPARE(f.Control<QComboBox>("CboLtScale")->currentText(), QStringLiteral("0.35"));
    // The separator stays as it was chosen; the run takes it as "A4 縦".
    f.Store(QStringLiteral("PaperSize"), QStringLiteral("------"));
    f.Open();
    QCOMPARE(f.Control<QComboBox>("CboArea")->currentText(), QStringLiteral("------"));
  }

  void closingWhileMinimisedKeepsTheStoredSettings() {
    WindowFixture f;
    f.Store(QStringLiteral("Scale"), QStringLiteral("1/50"));
    f.Store(QStringLiteral("ArrowStyle"), QStringLiteral("3"));
    f.Open();
    f.Control<QComboBox>("CboScale")->setEditText(QStringLiteral("1/200"));
    f.Control<QRadioButton>("OptArrowStyle5")->click();
    f.Control<QCheckBox>("ChkMonochrome")->setChecked(true);
    f.window->showMinimized();
    QVERIFY(f.window->isMinimized());
    QVERIFY(f.window->close());
    QCOMPARE(f.Stored("Scale"), QStringLiteral("1/50"));
    QCOMPARE(f.Stored("ArrowStyle"), QStringLiteral("3"));
    QVERIFY(f.Stored("Monochrome").isEmpty());

    // Not minimised, the same close saves.
    f.Open();
    f.window->showNormal();
    f.Control<QComboBox>("CboScale")->setEditText(QStringLiteral("1/200"));
    QVERIFY(f.window->close());
    QCOMPARE(f.Stored("Scale"), QStringLiteral("1/200"));
  }

  void theProgramsStoreIsKorasOvixV1Settings() {
    // The test program points XDG_CONFIG_HOME at a temporary folder.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QVERIFY(folder.startsWith(QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME"))));
    const QString file = folder + QStringLiteral("/KORA/OvixV1.conf");
    QFile::remove(file);
    {
      QSettingsStore store;
      QCOMPARE(store.FileName(), file);
      RunOptions options;
      options.PaperSize = "A3 横";
      options.ArrowStyle = 6;
      SaveWindowSettings(options, store);
    }
    QSettings written(file, QSettings::IniFormat);
    QCOMPARE(written.value(QStringLiteral("Settings/PaperSize")).toString(), Utf8("A3 横"));
    QCOMPARE(written.value(QStringLiteral("Settings/ArrowStyle")).toString(), QStringLiteral("6"));
    QCOMPARE(written.value(QStringLiteral("Settings/SaveClose")).toString(), QStringLiteral("False"));
    QSettingsStore again;
    QCOMPARE(LoadWindowSettings(again).PaperSize, std::string("A3 横"));
    QFile::remove(file);
  }

  void aStoreThatCannotBeReadShowsTheLoadMessageAndTheDefaults() {
    auto prompt = std::make_shared<RecordingPrompt>();
    auto store = std::make_shared<BrokenStore>();
    FrmMainServices services;
    services.settings = store;
    services.prompt = prompt;
    services.files = std::make_shared<ScriptedChooser>();
    FrmMain window(services);
    QCOMPARE(prompt->messages().size(), std::size_t(1));
    const RecordedMessage& message = prompt->messages().front();
    QCOMPARE(QString::fromStdString(message.text),
             Utf8("Ovixの起動ができません\rOSまたはExcelのバージョンをご確認ください"));
    QCOMPARE(message.title, std::string("OvixV1"));
    QVERIFY(message.icon == PromptIcon::Critical);
    QVERIFY(message.buttons == PromptButtons::Ok);
    // The window works with the first start's options.
    const RunOptions options = window.ReadOptions();
    QCOMPARE(options.PaperSize, std::string("A4 縦"));
    QCOMPARE(options.ArrowStyle, int16_t(2));
    QCOMPARE(window.findChild<QComboBox*>(QStringLiteral("CboScale"))->count(), 16);

    // Settings that cannot be written are skipped without a message.
    QVERIFY(window.close());
    QVERIFY(store->writes > 0);
    QCOMPARE(prompt->messages().size(), std::size_t(1));
  }

  void refusedWritesAreSkippedSilently() {
    auto prompt = std::make_shared<RecordingPrompt>();
    auto store = std::make_shared<ReadOnlyStore>();
    FrmMainServices services;
    services.settings = store;
    services.prompt = prompt;
    services.files = std::make_shared<ScriptedChooser>();
    FrmMain window(services);
    QVERIFY(window.close());
    QCOMPARE(store->refused, 12);
    QVERIFY(prompt->messages().empty());
  }
};

}  // namespace

std::unique_ptr<QObject> MakeWindowSettingsTest() { return std::make_unique<WindowSettingsTest>(); }

}  // namespace ovix::testing

#include "window_settings_test.moc"
