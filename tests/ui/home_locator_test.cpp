// The stored home locator through the main window: "Save my QRA Locator",
// "Always use my QRA locator as base", the load step, and what happens when
// user.ini is missing, damaged or cannot be written.
#include <QCheckBox>
#include <QFileInfo>
#include <QPushButton>
#include <QRadioButton>
#include <sys/resource.h>

#include <cerrno>
#include <csignal>

#include "files/replacing_file.h"

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
    QFile::remove(home.path());  // the table remembers what was saved
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

  void unstorableCharactersAreRefusedAndNothingIsWritten_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("at");
    QTest::newRow("double quote") << QStringLiteral("21\"") << 2;
    QTest::newRow("outside Latin-1") << QStringLiteral("2\u20ac1") << 1;
    QTest::newRow("the first of two") << QStringLiteral("2\u20ac1\"") << 1;
  }
  void unstorableCharactersAreRefusedAndNothingIsWritten() {
    QFETCH(QString, typed);
    QFETCH(int, at);
    TempHome home;
    home.write(HomeFileWith("JN18EU"));
    MessageRecorder messages;
    auto w = LoadedMainWindow(home.path());
    Type(w->txtlatsec, QStringLiteral("caf\u00e9"));  // Latin-1 is fine
    Type(w->txtlonmin, typed);
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    QCOMPARE(messages.messages.size(), std::size_t(1));
    QCOMPARE(messages.messages[0].title, QStringLiteral("Error"));
    QVERIFY(messages.messages[0].text.contains(QStringLiteral("Longitude minutes")));
    QCOMPARE(home.read(), HomeFileWith("JN18EU"));
    // The box is focused with the offending character selected.
    QVERIFY(w->txtlonmin->hasFocus());
    QCOMPARE(w->txtlonmin->selectionStart(), at);
    QCOMPARE(w->txtlonmin->selectedText(), typed.mid(at, 1));
  }

  void aFailedSaveSaysWhereAndWhyAndKeepsTheOldFile_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("user.ini is a directory") << QStringLiteral("directory");
    QTest::newRow("parent is a file") << QStringLiteral("parent-file");
    QTest::newRow("file size limit") << QStringLiteral("size-limit");
    QTest::newRow("fsync fails") << QStringLiteral("fsync");
    QTest::newRow("close fails") << QStringLiteral("close");
  }
  void aFailedSaveSaysWhereAndWhyAndKeepsTheOldFile() {
    QFETCH(QString, how);
    TempHome home;
    QString path = home.path();
    if (how == QStringLiteral("directory")) {
      QVERIFY(QDir().mkpath(path));
    } else if (how != QStringLiteral("parent-file")) {
      home.write(HomeFileWith("JN18EU"));
    } else {
      home.write("not a directory");
      path = home.path() + QStringLiteral("/user.ini");
    }
    MessageRecorder messages;
    auto w = LoadedMainWindow(path);  // reading it is silent
    QVERIFY(messages.messages.empty());
    const HomeTable before = w->homeTable();
    Type(w->txtresultloc, QStringLiteral("FN20XR"));
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    if (how == QStringLiteral("size-limit")) {
      std::signal(SIGXFSZ, SIG_IGN);  // as main() does
      rlimit small = old;
      small.rlim_cur = 10;
      QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    // The disk reports an error at the flush or at the close.
    static const FileCalls failingSync = {::write, [](int) { return errno = EIO, -1; }, ::close};
    static const FileCalls failingClose = {::write, ::fsync, [](int fd) { return ::close(fd), errno = EIO, -1; }};
    if (how == QStringLiteral("fsync")) SetFileCallsForTesting(&failingSync);
    if (how == QStringLiteral("close")) SetFileCallsForTesting(&failingClose);
    QTest::mouseClick(w->Command5, Qt::LeftButton);
    SetFileCallsForTesting(nullptr);
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(messages.messages.size(), std::size_t(1));
    QCOMPARE(messages.messages[0].title, QStringLiteral("Error"));
    QVERIFY2(messages.messages[0].text.contains(path), qPrintable(messages.messages[0].text));
    // Neither the table nor the old file is changed by a save that did not
    // happen.
    QVERIFY(w->homeTable() == before);
    if (how == QStringLiteral("parent-file")) QCOMPARE(home.read(), QByteArray("not a directory"));
    if (how != QStringLiteral("parent-file") && how != QStringLiteral("directory"))
      QCOMPARE(home.read(), HomeFileWith("JN18EU"));
    if (how != QStringLiteral("directory"))  // and no temporary file left
      QCOMPARE(QDir(home.dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("user.ini")});
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
    const std::string programDir = program.dir.path().toStdString();
    const std::string configDir = config.dir.filePath(QStringLiteral("morvane")).toStdString();
    const std::string elsewhere = "/nonexistent-bin";
    QCOMPARE(HomeStore::Choose(programDir, configDir, elsewhere).savePath(),
             program.path().toStdString());

    // An installed copy (or one whose folder cannot be written) saves to the
    // configuration folder, created only by the save, and reads the file
    // beside the program until the user has one of their own.
    const HomeStore installed = HomeStore::Choose(programDir, configDir, programDir);
    QCOMPARE(installed.savePath(), configDir + "/user.ini");
    QVERIFY(!QFileInfo::exists(QString::fromStdString(configDir)));
    program.write(HomeFileWith("JN18EU"));
    HomeTable table;
    QVERIFY(installed.Read(table));
    QCOMPARE(table[kHomeLocatorSlot], std::string("JN18EU"));
    table[kHomeLocatorSlot] = "FN20XR";
    QVERIFY(!installed.Write(table));
    HomeTable again;
    QVERIFY(installed.Read(again));
    QCOMPARE(again[kHomeLocatorSlot], std::string("FN20XR"));
    QCOMPARE(program.read(), HomeFileWith("JN18EU"));  // the shared file is untouched
  }
};

QTEST_MAIN(HomeLocatorTest)
#include "home_locator_test.moc"
