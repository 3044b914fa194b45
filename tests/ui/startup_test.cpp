// Start-up order, the counting wait, shutdown, and the help menu.
#include <QCheckBox>
#include <QPushButton>
#include <QTabBar>

#include "app/help_menu.h"
#include "app/module1.h"
#include "ui/frmAbout.h"
#include "ui/frmSplash.h"
#include "ui/tab_control.h"
#include "test_support.h"

using namespace morvane;
using namespace morvane::testing;

namespace {

frmSplash* VisibleSplash() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* s = qobject_cast<frmSplash*>(w); s && s->isVisible()) return s;
  return nullptr;
}

// Records what was on screen at each step of start-up.
struct Recorder : StartupObserver {
  QStringList steps;
  bool splashVisibleAtShow = false;
  int passes = 0;
  bool mainVisibleWhenLoaded = true;
  QString baseWhenLoaded;
  bool check1WhenLoaded = false;
  bool splashGone = false;

  void SplashShown() override {
    steps << QStringLiteral("splash");
    splashVisibleAtShow = VisibleSplash() != nullptr && VisibleSplash()->windowHandle()->isExposed();
  }
  void WaitDone(int p) override {
    steps << QStringLiteral("wait");
    passes = p;
  }
  void MainLoaded(frmMain* m) override {
    steps << QStringLiteral("loaded");
    mainVisibleWhenLoaded = m->isVisible();
    baseWhenLoaded = m->txtlocator1->text();
    check1WhenLoaded = m->Check1->isChecked();
    splashGone = VisibleSplash() == nullptr;
  }
  void SplashGone() override {
    steps << QStringLiteral("splash gone");
    splashGone = VisibleSplash() == nullptr;
  }
};

}  // namespace

class StartupTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    opened_.clear();
    SetLinkOpener([this](const QUrl& url) { opened_ << url; });
  }
  void cleanup() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (!w->parentWidget()) windows << w;
    for (const QPointer<QWidget>& w : windows) delete w.data();
  }

  void countingWaitRunsItsBody1750000Times() { QCOMPARE(CountingWait(), 1750000); }

  void startUpOrder() {
    TempHome home;
    home.write(HomeFileWith("JN18EU"));
    Recorder r;
    QPointer<frmMain> main = Main(HomeStore(home.path().toStdString()), &r);
    QCOMPARE(r.steps, (QStringList{"splash", "wait", "loaded", "splash gone"}));
    QVERIFY(r.splashVisibleAtShow);      // on screen before the wait
    QCOMPARE(r.passes, 1750000);
    QVERIFY(!r.mainVisibleWhenLoaded);   // loaded before it is shown
    QCOMPARE(r.baseWhenLoaded, QStringLiteral("JN18EU"));
    QVERIFY(r.check1WhenLoaded);
    QVERIFY(r.splashGone);
    QVERIFY(main);
    QVERIFY(main->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(main));
    QCOMPARE(QApplication::focusWidget(), main->SSTab1->tabBar());
    QCOMPARE(main->SSTab1->currentIndex(), 0);
  }

  void exitClosesTheMainWindowOnly() {
    TempHome home;
    QPointer<frmMain> main = Main(HomeStore(home.path().toStdString()));
    main->mnusujet->trigger();
    QPointer<frmAbout> about = OpenAboutWindow();
    QVERIFY(about && about->isVisible());
    main->mnuquitter->trigger();
    QTRY_VERIFY(!main);  // unloaded and destroyed
    QVERIFY(about && about->isVisible());
    QTest::mouseClick(about->cmdOK, Qt::LeftButton);
    QTRY_VERIFY(!about);
  }

  void closeBoxEndsLikeExit() {
    TempHome home;
    QPointer<frmMain> main = Main(HomeStore(home.path().toStdString()));
    main->close();
    QTRY_VERIFY(!main);
    // The program ends when no window is left.
    int visible = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) visible += w->isVisible();
    QCOMPARE(visible, 0);
  }

  void aboutIsOneWindowBroughtToTheFront() {
    mnusujet_Click();
    QPointer<frmAbout> first = OpenAboutWindow();
    mnusujet_Click();
    QCOMPARE(OpenAboutWindow(), first.data());
    int abouts = 0;
    for (QWidget* w : QApplication::topLevelWidgets()) abouts += qobject_cast<frmAbout*>(w) && w->isVisible();
    QCOMPARE(abouts, 1);
  }

  void enterAndEscapeCloseAbout_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
  }
  void enterAndEscapeCloseAbout() {
    QFETCH(int, key);
    mnusujet_Click();
    QPointer<frmAbout> about = OpenAboutWindow();
    QVERIFY(QTest::qWaitForWindowActive(about));
    QCOMPARE(QApplication::focusWidget(), about->cmdOK);
    QTest::keyClick(about, Qt::Key(key));
    QTRY_VERIFY(!about);
  }

  void linksGoToTheDesktopWithoutAMessage() {
    TempHome home;
    MessageRecorder messages;
    auto w = LoadedMainWindow(home.path());
    w->mnumail->trigger();
    w->mnuhome->trigger();
    QCOMPARE(opened_, (QList<QUrl>{kMailLink, kHomePageLink}));
    QCOMPARE(kMailLink.scheme(), QStringLiteral("mailto"));
    QVERIFY(messages.messages.empty());
  }

 private:
  QList<QUrl> opened_;
};

QTEST_MAIN(StartupTest)
#include "startup_test.moc"
