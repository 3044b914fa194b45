// Page "Azimuth and Distance" through its widgets, with a real user.ini.
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "test_support.h"

using namespace morvane;
using namespace morvane::testing;

namespace {
const QString kEqual = QStringLiteral(
    "The two QRA locators are equal. No calculation can be done\r\nThe two values are set to zero");
const QString kIncorrect = QStringLiteral("Introduced QRA locator incorrect");
}  // namespace

class AzimuthPageTest : public QObject {
  Q_OBJECT
 private slots:
  void init() {
    world_ = std::make_unique<PageWorld>(HomeFileWith("IO91WM"));
    world_->window->SSTab1->setCurrentIndex(2);
    w_ = world_->window.get();
    messages_ = &world_->messages;
    home_ = &world_->home;
  }
  void cleanup() {
    world_.reset();
    QLocale::setDefault(QLocale::system());
  }

  void pairs_data() {
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("azimuth");
    QTest::addColumn<QString>("km");
    QTest::addColumn<QString>("miles");
    QTest::newRow("due north") << "JN18AA" << "JN19AA" << "0" << "111" << "68.98";
    QTest::newRow("due south") << "JN19AA" << "JN18AA" << "180" << "111" << "68.98";
    QTest::newRow("due east") << "JJ00AA" << "JJ10AA" << "90" << "223" << "138.59";
    QTest::newRow("due west") << "JJ10AA" << "JJ00AA" << "270" << "223" << "138.59";
    QTest::newRow("across the equator") << "JJ00AA" << "JI09AX" << "180" << "5" << "3.1";
    QTest::newRow("short south-east") << "IO91WM" << "JN18DU" << "149" << "343" << "213.17";
    QTest::newRow("short reversed") << "JN18DU" << "IO91WM" << "331" << "343" << "213.17";
    QTest::newRow("Atlantic") << "JN18EU" << "FN20XR" << "292" << "5847" << "3633.93";
    QTest::newRow("Atlantic reversed") << "FN20XR" << "JN18EU" << "54" << "5847" << "3633.93";
    QTest::newRow("southern base") << "QF56OD" << "IO91WM" << "319" << "17011" << "10572.4";
    QTest::newRow("same centre") << "jn18eu" << "JN18EU99" << "0" << "0" << "0";
    QTest::newRow("antipodes") << "JJ00AA" << "AI09AX" << "0" << "20038" << "12453.69";
    QTest::newRow("across 180 west") << "AL00AA" << "RL90XA" << "270" << "9" << "5.59";
    QTest::newRow("across 180 east") << "RL90XA" << "AL00AA" << "90" << "9" << "5.59";
  }
  void pairs() {
    QFETCH(QString, base);
    QFETCH(QString, target);
    QFETCH(QString, azimuth);
    QFETCH(QString, km);
    QFETCH(QString, miles);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    w_->Check1->setChecked(false);
    compute(base, target);
    QCOMPARE(messages_->texts(), QStringList());
    QCOMPARE(w_->txtlocator1->text(), base.toUpper());
    QCOMPARE(w_->txtazimuth->text(), azimuth);
    QCOMPARE(w_->txtdistance->text(), km);
    QCOMPARE(w_->Label17->text(), QStringLiteral("KMs"));
    QTest::mouseClick(w_->Check2, Qt::LeftButton);
    QCOMPARE(w_->Label17->text(), QStringLiteral("Miles"));
    QCOMPARE(w_->txtdistance->text(), km);  // the unit label alone changes
    QTest::mouseClick(w_->cmdcalcazidist, Qt::LeftButton);
    QCOMPARE(w_->txtdistance->text(), miles);
    QCOMPARE(w_->txtazimuth->text(), azimuth);
    QTest::mouseClick(w_->Check2, Qt::LeftButton);
    QCOMPARE(w_->Label17->text(), QStringLiteral("KMs"));
  }

  void milesUnderAFrenchLocale() {
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    w_->Check1->setChecked(false);
    w_->Check2->setChecked(true);
    compute(QStringLiteral("JN18EU"), QStringLiteral("FN20XR"));
    QCOMPARE(w_->txtdistance->text(), QStringLiteral("3633,93"));
    compute(QStringLiteral("QF56OD"), QStringLiteral("IO91WM"));
    QCOMPARE(w_->txtdistance->text(), QStringLiteral("10572,4"));  // no thousands separator
    w_->Check2->setChecked(false);
    compute(QStringLiteral("QF56OD"), QStringLiteral("IO91WM"));
    QCOMPARE(w_->txtdistance->text(), QStringLiteral("17011"));
  }

  void refusals_data() {
    QTest::addColumn<QString>("base");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("baseAfter");
    QTest::addColumn<QString>("targetAfter");
    QTest::addColumn<QString>("focused");
    QTest::newRow("both empty") << "" << "" << kEqual << "" << "" << "txtlocator1";
    QTest::newRow("same text, other case") << "jn18eu" << "JN18EU" << kEqual << "" << "" << "txtlocator1";
    QTest::newRow("equal non-locators") << "XXXXXX" << "xxxxxx" << kEqual << "" << "" << "txtlocator1";
    QTest::newRow("short base hides a wrong target") << "JN18" << "zz" << kIncorrect << "" << "ZZ" << "txtlocator1";
    QTest::newRow("wrong target") << "jn18eu" << "jn18ey" << kIncorrect << "JN18EU" << "" << "txtlocator2";
  }
  void refusals() {
    QFETCH(QString, base);
    QFETCH(QString, target);
    QFETCH(QString, message);
    QFETCH(QString, baseAfter);
    QFETCH(QString, targetAfter);
    QFETCH(QString, focused);
    w_->Check1->setChecked(false);
    compute(QStringLiteral("JN18EU"), QStringLiteral("FN20XR"));  // earlier results stay
    compute(base, target);
    QCOMPARE(messages_->texts(), QStringList{message});
    QCOMPARE(messages_->messages[0].title, QStringLiteral("Error"));
    QCOMPARE(w_->txtlocator1->text(), baseAfter);
    QCOMPARE(w_->txtlocator2->text(), targetAfter);
    QCOMPARE(QApplication::focusWidget()->objectName(), focused);
    QCOMPARE(w_->txtazimuth->text(), QStringLiteral("292"));
    QCOMPARE(w_->txtdistance->text(), QStringLiteral("5847"));
  }

  void tickedBaseComesFromTheFileAtEveryCompute() {
    home_->write(HomeFileWith("JN18EU"));  // changed since start-up
    compute(QStringLiteral("AA00AA"), QStringLiteral("FN20XR"));
    QCOMPARE(w_->txtlocator1->text(), QStringLiteral("JN18EU"));
    QCOMPARE(w_->txtazimuth->text(), QStringLiteral("292"));
    QCOMPARE(w_->txtdistance->text(), QStringLiteral("5847"));
  }

  void tickedEqualTextsDoNotReadTheFileAgain() {
    w_->txtlocator2->setText(QStringLiteral("IO91WM"));
    // Compute reads the file once, at its start; after the message the base
    // gets slot 9 as held in memory, not the file as it is by then.
    SetMessageSink([this](const QString&, const QString&) { home_->write(HomeFileWith("QF56OD")); });
    QTest::mouseClick(w_->cmdcalcazidist, Qt::LeftButton);
    QCOMPARE(w_->txtlocator1->text(), QStringLiteral("IO91WM"));
    QCOMPARE(w_->txtlocator2->text(), QString());
    QVERIFY(w_->txtlocator2->hasFocus());
    QCOMPARE(w_->txtazimuth->text(), QString());
  }

  void clearWithAndWithoutTheHomeLocator() {
    w_->Check1->setChecked(false);
    compute(QStringLiteral("JN18EU"), QStringLiteral("FN20XR"));
    w_->Check2->setChecked(true);
    QTest::mouseClick(w_->Command3, Qt::LeftButton);
    for (QLineEdit* box : {w_->txtlocator1, w_->txtlocator2, w_->txtazimuth, w_->txtdistance})
      QCOMPARE(box->text(), QString());
    QCOMPARE(w_->Label17->text(), QStringLiteral("Miles"));

    w_->Check1->setChecked(true);
    compute(QString(), QStringLiteral("FN20XR"));
    home_->write(HomeFileWith("JN18EU"));
    QTest::mouseClick(w_->Command3, Qt::LeftButton);
    QCOMPARE(w_->txtlocator1->text(), QStringLiteral("JN18EU"));
    for (QLineEdit* box : {w_->txtlocator2, w_->txtazimuth, w_->txtdistance}) QCOMPARE(box->text(), QString());
    QVERIFY(w_->Check1->isChecked() && w_->Check2->isChecked());
  }

  void missingFileDuringComputeLeavesTheBaseAsStored() {
    QFile::remove(home_->path());
    compute(QStringLiteral("JN18EU"), QStringLiteral("FN20XR"));
    // The table keeps what start-up read.
    QCOMPARE(w_->txtlocator1->text(), QStringLiteral("IO91WM"));
    QCOMPARE(messages_->texts(), QStringList());
  }

 private:
  void compute(const QString& base, const QString& target) {
    w_->txtlocator1->setText(base);
    w_->txtlocator2->setText(target);
    QTest::mouseClick(w_->cmdcalcazidist, Qt::LeftButton);
  }

  std::unique_ptr<PageWorld> world_;
  frmMain* w_ = nullptr;
  MessageRecorder* messages_ = nullptr;
  TempHome* home_ = nullptr;
};

QTEST_MAIN(AzimuthPageTest)
#include "azimuth_page_test.moc"
