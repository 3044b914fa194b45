// The stored home locator through the main window: "Save my QRA Locator",
// "Always use my QRA locator as base", the load step, and what happens when
// user.ini is missing, damaged or cannot be written.
#include <QCheckBox>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>

#include "test_support.h"

using namespace morvane;
using namespace morvane::testing;

class HomeLocatorTest : public QObject {
  Q_OBJECT
 private slots:
  void savedFileIsNineBareLines() {
    TempHome home;
    MessageRecorder messages;
    auto w = LoadedMainWindow(home.path());
    Type(w->txtlatdeg, QStringLiteral("50"));
    Type(w->txtlatmin, QStringLiteral("51"));
    Type(w->txtlondeg, QStringLiteral("4"));
    Type(w->txtlonmin, QStringLiteral("21"));
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    QCOMPARE(home.read(), QByteArray("50\r\n51\r\n\r\nTrue\r\n4\r\n21\r\n\r\nTrue\r\n\r\n"));
    QVERIFY(messages.messages.empty());  // success is silent
  }

  void saveStoresTheLocatorLastComputedAndLeavesTheBaseBox() {
    TempHome home;
    MessageRecorder messages;
    auto w = LoadedMainWindow(home.path());
    Type(w->txtlatdeg, QStringLiteral("48"));
    Type(w->txtlatmin, QStringLiteral("51"));
    Type(w->txtlondeg, QStringLiteral("2"));
    Type(w->txtlonmin, QStringLiteral("21"));
    QTest::mouseClick(w->optlonouest, Qt::LeftButton);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    const QString computed = w->txtresultloc->text();
    Type(w->txtlatdeg, QStringLiteral("10"));  // edited after computing: not recomputed
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    QCOMPARE(home.read(), "10\r\n51\r\n0\r\nTrue\r\n2\r\n21\r\n0\r\nFalse\r\n" + computed.toLatin1() + "\r\n");
    QCOMPARE(w->txtlocator1->text(), QString());  // reaches the base box at the next read
    w->Check1->setChecked(false);
    QCOMPARE(w->txtlocator1->text(), QString());
    w->Check1->setChecked(true);
    QCOMPARE(w->txtlocator1->text(), computed);
  }

  void check1ReadsOnlyWhenItsValueChanges() {
    TempHome home;
    home.write(HomeFileWith("JN18EU"));
    auto w = LoadedMainWindow(home.path());
    QCOMPARE(w->txtlocator1->text(), QStringLiteral("JN18EU"));
    home.write(HomeFileWith("FN20XR"));
    w->Check1->setChecked(true);  // already ticked: the handler does not run
    QCOMPARE(w->txtlocator1->text(), QStringLiteral("JN18EU"));
    QTest::mouseClick(w->Check1, Qt::LeftButton);
    QCOMPARE(w->txtlocator1->text(), QString());
    QTest::mouseClick(w->Check1, Qt::LeftButton);
    QCOMPARE(w->txtlocator1->text(), QStringLiteral("FN20XR"));
  }

  void filesThatGiveNoGroupKeepTheTable_data() {
    QTest::addColumn<QByteArray>("later");
    QTest::newRow("zero bytes") << QByteArray();
    QTest::newRow("short") << QByteArray("50\r\n51\r\n");
    QTest::newRow("binary junk") << QByteArray("\x00\xff\"\r", 4);
  }
  void filesThatGiveNoGroupKeepTheTable() {
    QFETCH(QByteArray, later);
    TempHome home;
    home.write(HomeFileWith("IO91WM"));
    auto w = LoadedMainWindow(home.path());
    home.write(later);
    w->Check1->setChecked(false);
    w->Check1->setChecked(true);
    QCOMPARE(w->txtlocator1->text(), QStringLiteral("IO91WM"));  // slot 9 as it was
  }

  void startUpWithAnEmptyOrMissingFile_data() {
    QTest::addColumn<bool>("exists");
    QTest::newRow("zero bytes") << true;
    QTest::newRow("missing") << false;
  }
  void startUpWithAnEmptyOrMissingFile() {
    QFETCH(bool, exists);
    TempHome home;
    if (exists) home.write(QByteArray());
    MessageRecorder messages;
    auto w = LoadedMainWindow(home.path());
    QCOMPARE(w->txtlocator1->text(), QString());
    QVERIFY(w->Check1->isChecked());
    QVERIFY(messages.messages.empty());
  }

  void lastCompleteGroupWinsAndTrailingHalfGroupIsIgnored() {
    TempHome home;
    home.write(HomeFileWith("JN18EU") + HomeFileWith("FN20XR") + "1\r\n2\r\n");
    auto w = LoadedMainWindow(home.path());
    QCOMPARE(w->txtlocator1->text(), QStringLiteral("FN20XR"));
  }

  void aDecimalCommaIsQuotedAndReadsBack() {
    TempHome home;
    auto w = LoadedMainWindow(home.path());
    Type(w->txtlatsec, QStringLiteral("12,5"));
    Type(w->txtresultloc, QStringLiteral("JN18EU"));
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    QVERIFY(home.read().contains("\"12,5\"\r\n"));
    w->Check1->setChecked(false);
    w->Check1->setChecked(true);
    QCOMPARE(w->txtlocator1->text(), QStringLiteral("JN18EU"));
    QCOMPARE(QByteArray::fromStdString(w->homeTable()[2]), QByteArray("12,5"));
  }

  void aDoubleQuoteIsRefusedAndNothingIsWritten() {
    TempHome home;
    home.write(HomeFileWith("JN18EU"));
    MessageRecorder messages;
    auto w = LoadedMainWindow(home.path());
    Type(w->txtlonmin, QStringLiteral("21\""));
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    QCOMPARE(messages.messages.size(), std::size_t(1));
    QCOMPARE(messages.messages[0].title, QStringLiteral("Error"));
    QVERIFY(messages.messages[0].text.contains(QStringLiteral("Longitude minutes")));
    QCOMPARE(home.read(), HomeFileWith("JN18EU"));
  }

  void aFailedSaveSaysWhereAndWhyAndKeepsTheOldFile_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("user.ini is a directory") << QStringLiteral("directory");
    QTest::newRow("parent is a file") << QStringLiteral("parent-file");
  }
  void aFailedSaveSaysWhereAndWhyAndKeepsTheOldFile() {
    QFETCH(QString, how);
    TempHome home;
    QString path = home.path();
    if (how == QStringLiteral("directory")) {
      QVERIFY(QDir().mkpath(path));
    } else {
      home.write("not a directory");
      path = home.path() + QStringLiteral("/user.ini");
    }
    MessageRecorder messages;
    auto w = LoadedMainWindow(path);  // reading it is silent
    QVERIFY(messages.messages.empty());
    Type(w->txtresultloc, QStringLiteral("JN18EU"));
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    QCOMPARE(messages.messages.size(), std::size_t(1));
    QCOMPARE(messages.messages[0].title, QStringLiteral("Error"));
    QVERIFY2(messages.messages[0].text.contains(path), qPrintable(messages.messages[0].text));
    // The table is not changed by a save that did not happen.
    QCOMPARE(w->homeTable()[kHomeLocatorSlot], std::string());
    if (how == QStringLiteral("parent-file")) QCOMPARE(home.read(), QByteArray("not a directory"));
  }

  void savingReplacesTheFileInOneStep() {
    TempHome home;
    home.write(HomeFileWith("JN18EU"));
    auto w = LoadedMainWindow(home.path());
    Type(w->txtresultloc, QStringLiteral("FN20XR"));
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    QVERIFY(home.read().endsWith("FN20XR\r\n"));
    // No temporary file is left beside it.
    QCOMPARE(home.dir.path().isEmpty(), false);
    QCOMPARE(QDir(home.dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("user.ini")});
  }

  void fileLivesBesideTheProgramOrInTheConfigDirectory() {
    TempHome program, config;
    QCOMPARE(HomeStore::Choose(program.dir.path(), config.dir.path()).path(), program.path());
    const QString missing = program.dir.filePath(QStringLiteral("no-such-dir"));
    const QString configDir = config.dir.filePath(QStringLiteral("morvane"));
    const HomeStore store = HomeStore::Choose(missing, configDir);
    QCOMPARE(store.path(), QDir(configDir).filePath(QStringLiteral("user.ini")));
    QVERIFY(QFileInfo(configDir).isDir());  // created so the first save works
  }
};

QTEST_MAIN(HomeLocatorTest)
#include "home_locator_test.moc"
