// Page "Locator to geo coord." through its widgets.
#include <QLabel>
#include <QPushButton>

#include "test_support.h"

using namespace morvane;
using namespace morvane::testing;

class LocatorPageTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    world_ = std::make_unique<PageWorld>();
    w_ = world_->window.get();
    messages_ = &world_->messages;
    home_ = &world_->home;
  }
  void cleanup() {
    world_.reset();
  }

  void accepted_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("boxAfter");
    QTest::addColumn<QStringList>("latitude");   // word, degrees, minutes, seconds
    QTest::addColumn<QStringList>("longitude");
    QTest::newRow("jn18eu") << "jn18eu" << "JN18EU" << QStringList{"North", "48", "51", "15"}
                            << QStringList{"East", "2", "22", "30"};
    QTest::newRow("jn18eu12") << "jn18eu12" << "JN18EU12" << QStringList{"North", "48", "51", "15"}
                              << QStringList{"East", "2", "22", "30"};
    QTest::newRow("AA00AA") << "AA00AA" << "AA00AA" << QStringList{"South", "89", "58", "45"}
                            << QStringList{"West", "179", "57", "30"};
    QTest::newRow("RR99XX") << "RR99XX" << "RR99XX" << QStringList{"North", "89", "58", "45"}
                            << QStringList{"East", "179", "57", "30"};
    QTest::newRow("II99XX") << "II99XX" << "II99XX" << QStringList{"South", "0", "1", "15"}
                            << QStringList{"West", "0", "2", "30"};
    QTest::newRow("JI00AA") << "ji00aa" << "JI00AA" << QStringList{"South", "9", "58", "45"}
                            << QStringList{"East", "0", "2", "30"};
  }
  void accepted() {
    QFETCH(QString, typed);
    QFETCH(QString, boxAfter);
    QFETCH(QStringList, latitude);
    QFETCH(QStringList, longitude);
    w_->txtlocatorinv->setText(typed);
    w_->cmdcalclocgeo->setFocus();
    QTest::mouseClick(w_->cmdcalclocgeo, Qt::LeftButton);
    QCOMPARE(messages_->texts(), QStringList());
    QCOMPARE(w_->txtlocatorinv->text(), boxAfter);
    QCOMPARE(shown(), latitude + longitude);
    QVERIFY(w_->cmdcalclocgeo->hasFocus());
  }

  void refusedLeavesTheEarlierResult_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("five characters") << "JN18E";
    QTest::newRow("sixth above X") << "JN18EY";
    QTest::newRow("empty") << "";
    QTest::newRow("leading blank") << " JN18EU";
    QTest::newRow("accented capital") << QString::fromUtf8("\u00c9N18EU");
    QTest::newRow("a pasted paragraph") << QString(1000000, QLatin1Char('z'));
  }
  void refusedLeavesTheEarlierResult() {
    QFETCH(QString, typed);
    w_->txtlocatorinv->setText(QStringLiteral("JN18EU"));
    QTest::mouseClick(w_->cmdcalclocgeo, Qt::LeftButton);
    const QStringList before = shown();

    w_->txtlocatorinv->setText(typed);
    QTest::mouseClick(w_->cmdcalclocgeo, Qt::LeftButton);
    QCOMPARE(messages_->texts(), QStringList{"Introduced QRA locator incorrect"});
    QCOMPARE(messages_->messages[0].title, QStringLiteral("Error"));
    QCOMPARE(w_->txtlocatorinv->text(), QString());
    QVERIFY(w_->txtlocatorinv->hasFocus());
    QCOMPARE(shown(), before);
  }

  void clearResetsThePage() {
    w_->txtlocatorinv->setText(QStringLiteral("AA00AA"));
    QTest::mouseClick(w_->cmdcalclocgeo, Qt::LeftButton);
    QTest::mouseClick(w_->Command2, Qt::LeftButton);
    QCOMPARE(shown(), (QStringList{"North", "", "", "", "East", "", "", ""}));
    QCOMPARE(w_->txtlocatorinv->text(), QString());
    QVERIFY(w_->txtlocatorinv->hasFocus());
  }

 private:
  QStringList shown() const {
    return {w_->lbllatsens->text(),  w_->txtlatdeginv->text(),  w_->txtlatmininv->text(),
            w_->Text1->text(),       w_->lbllongsens->text(),   w_->txtlongdeginv->text(),
            w_->txtlongmininv->text(), w_->Text2->text()};
  }

  std::unique_ptr<PageWorld> world_;
  frmMain* w_ = nullptr;
  MessageRecorder* messages_ = nullptr;
  TempHome* home_ = nullptr;
};

QTEST_MAIN(LocatorPageTest)
#include "locator_page_test.moc"
