// Page "Geo coord. to Locator" through its widgets.
#include <QPushButton>
#include <QRadioButton>

#include "test_support.h"

using namespace morvane;
using namespace morvane::testing;

namespace {

// Boxes in the order latdeg, latmin, latsec, londeg, lonmin, lonsec.
using Boxes = QStringList;

}  // namespace

class GeoPageTest : public QObject {
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
    QLocale::setDefault(QLocale::system());
  }

  void compute_data() {
    QTest::addColumn<Boxes>("typed");
    QTest::addColumn<bool>("south");
    QTest::addColumn<bool>("west");
    QTest::addColumn<QString>("locator");
    QTest::newRow("all empty") << Boxes{"", "", "", "", "", ""} << false << false << "JJ00AA";
    QTest::newRow("Paris") << Boxes{"48", "51", "0", "2", "21", "0"} << false << false << "JN18EU";
    QTest::newRow("corner NE") << Boxes{"89", "59", "59", "179", "59", "59"} << false << false << "RR99XX";
    QTest::newRow("corner SW") << Boxes{"89", "59", "59", "179", "59", "59"} << true << true << "AA00AA";
    QTest::newRow("negative north") << Boxes{"-10", "0", "0", "0", "0", "0"} << false << false << "JI00AA";
    QTest::newRow("square boundary") << Boxes{"50", "0", "0", "4", "0", "0"} << false << false << "JO10XA";
    QTest::newRow("New York") << Boxes{"40", "43", "0", "73", "59", "0"} << false << true << "FN30AR";
    QTest::newRow("Sydney") << Boxes{"33", "52", "0", "151", "13", "0"} << true << false << "QF56OD";
    QTest::newRow("fractions") << Boxes{"12.5", "", "", "", "", ""} << false << false << "JK02AM";
    QTest::newRow("-90 north, 0 west") << Boxes{"-90", "", "", "0", "", ""} << false << true << "JA00AA";
    QTest::newRow("a point before three digits") << Boxes{"0.150", "", "", "", "", ""} << false << false << "JJ00AD";
    QTest::newRow("blanks around") << Boxes{" 48 ", "51 ", " 0", "2", "21", "0"} << false << false << "JN18EU";
  }
  void compute() {
    QFETCH(Boxes, typed);
    QFETCH(bool, south);
    QFETCH(bool, west);
    QFETCH(QString, locator);
    typeBoxes(typed);
    (south ? w_->optlatsud : w_->optlatnord)->setChecked(true);
    (west ? w_->optlonouest : w_->optlonest)->setChecked(true);
    w_->Command1->setFocus();
    QTest::mouseClick(w_->Command1, Qt::LeftButton);
    QCOMPARE(messages_->texts(), QStringList());
    QCOMPARE(w_->txtresultloc->text(), locator);
    QVERIFY(w_->Command1->hasFocus());  // the focus is not moved
    for (QLineEdit* box : boxes()) QVERIFY(!box->text().isEmpty());  // empty boxes show 0
  }

  void refused_data() {
    QTest::addColumn<Boxes>("typed");
    QTest::addColumn<bool>("south");
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("refusedBox");  // index into boxes()
    QTest::newRow("latitude 95, longitude 200") << Boxes{"95", "", "", "200", "", ""} << false
                                                << "Introduced Latitude higher than 89°" << 0;
    QTest::newRow("latitude 90") << Boxes{"90", "", "", "", "", ""} << false << "Introduced Latitude higher than 89°" << 0;
    QTest::newRow("latitude 89.5") << Boxes{"89.5", "", "", "", "", ""} << false << "Introduced Latitude higher than 89°" << 0;
    QTest::newRow("longitude 180") << Boxes{"", "", "", "180", "", ""} << false << "Introduced Longitude higher than 179°" << 3;
    QTest::newRow("both minutes 60") << Boxes{"", "60", "", "", "60", ""} << false
                                     << "Introduced Minutes for longitude higher than 60'" << 4;
    QTest::newRow("latitude minutes 60") << Boxes{"", "60", "", "", "", ""} << false
                                         << "Introduced Minutes for latitude higher than 60'" << 1;
    QTest::newRow("both seconds 60") << Boxes{"", "", "60", "", "", "60"} << false
                                     << "Introduced seconds for longitude higher than 60'" << 5;
    QTest::newRow("latitude seconds 75") << Boxes{"", "", "75", "", "", ""} << false
                                         << "Introduced seconds for latitude higher than 60'" << 2;
    // Text that is not a number, in the order of the range checks.
    QTest::newRow("letters") << Boxes{"", "", "", "abc", "", ""} << false
                             << "Introduced value for longitude degrees is not a number" << 3;
    QTest::newRow("blanks only") << Boxes{"", "", "   ", "", "", ""} << false
                                 << "Introduced value for latitude seconds is not a number" << 2;
    QTest::newRow("two separators") << Boxes{"", "1.2.3", "", "", "", ""} << false
                                    << "Introduced value for latitude minutes is not a number" << 1;
    QTest::newRow("inf") << Boxes{"inf", "", "", "", "", ""} << false
                         << "Introduced value for latitude degrees is not a number" << 0;
    QTest::newRow("nan") << Boxes{"", "", "", "", "nan", ""} << false
                         << "Introduced value for longitude minutes is not a number" << 4;
    QTest::newRow("thousands separator") << Boxes{"1,5", "", "", "", "", ""} << false
                                         << "Introduced value for latitude degrees is not a number" << 0;
    QTest::newRow("English thousands separator") << Boxes{"0,150", "", "", "", "", ""} << false
                                                 << "Introduced value for latitude degrees is not a number" << 0;
    QTest::newRow("-90 south is 90 north") << Boxes{"-90", "", "", "", "", ""} << true
        << "Introduced Latitude outside the locator grid (90° South to 90° North)" << 0;
    QTest::newRow("range before a later non-number") << Boxes{"95", "x", "", "", "", ""} << false
                                                     << "Introduced Latitude higher than 89°" << 0;
    // Inside the checks but outside the grid.
    QTest::newRow("95 south typed as -95 north") << Boxes{"-95", "", "", "", "", ""} << false
        << "Introduced Latitude outside the locator grid (90° South to 90° North)" << 0;
    // The box emptied is the one whose value took the position off the grid.
    QTest::newRow("seconds take it past 90") << Boxes{"89", "59.99", "59.99", "", "", ""} << false
        << "Introduced Latitude outside the locator grid (90° South to 90° North)" << 2;
    QTest::newRow("minutes take it past 180 W") << Boxes{"", "", "", "-179", "-120", ""} << false
        << "Introduced Longitude outside the locator grid (180° West to 180° East)" << 4;
    // Numbers too large for a double are numbers, out of range.
    QTest::newRow("1e309") << Boxes{"1e309", "", "", "", "", ""} << false
                           << "Introduced Latitude higher than 89°" << 0;
    QTest::newRow("400 digits") << Boxes{"", "", "", "", QString(400, QLatin1Char('9')), ""} << false
                                << "Introduced Minutes for longitude higher than 60'" << 4;
    QTest::newRow("181 west typed as -181 east") << Boxes{"", "", "", "-181", "", ""} << false
        << "Introduced Longitude outside the locator grid (180° West to 180° East)" << 3;
  }
  void refused() {
    QFETCH(Boxes, typed);
    QFETCH(bool, south);
    QFETCH(QString, message);
    QFETCH(int, refusedBox);
    // An earlier result stays on screen.
    typeBoxes({"48", "51", "0", "2", "21", "0"});
    QTest::mouseClick(w_->Command1, Qt::LeftButton);
    QCOMPARE(w_->txtresultloc->text(), QStringLiteral("JN18EU"));

    typeBoxes(typed);
    (south ? w_->optlatsud : w_->optlatnord)->setChecked(true);
    QTest::mouseClick(w_->Command1, Qt::LeftButton);
    QCOMPARE(messages_->texts(), QStringList{message});
    QCOMPARE(messages_->messages[0].title, QStringLiteral("Error"));
    const auto all = boxes();
    QLineEdit* refusedEdit = all[std::size_t(refusedBox)];
    QCOMPARE(refusedEdit->text(), QString());
    QVERIFY(refusedEdit->hasFocus());
    for (std::size_t i = 0; i < all.size(); ++i) {
      if (int(i) == refusedBox) continue;
      const QString expected = typed[int(i)].isEmpty() ? QStringLiteral("0") : typed[int(i)];
      QCOMPARE(all[i]->text(), expected);
    }
    QCOMPARE(w_->txtresultloc->text(), QStringLiteral("JN18EU"));
    QCOMPARE(w_->optlatsud->isChecked(), south);
  }

  void clearResetsThePageAndLeavesTheFocus() {
    typeBoxes({"48", "51", "0", "2", "21", "0"});
    w_->optlatsud->setChecked(true);
    w_->optlonouest->setChecked(true);
    QTest::mouseClick(w_->Command1, Qt::LeftButton);
    w_->txtlonmin->setFocus();
    QTest::mouseClick(w_->raz, Qt::LeftButton, Qt::NoModifier);
    for (QLineEdit* box : boxes()) QCOMPARE(box->text(), QString());
    QCOMPARE(w_->txtresultloc->text(), QString());
    QVERIFY(w_->optlatnord->isChecked() && w_->optlonest->isChecked());
    QVERIFY(!w_->optlatsud->isChecked() && !w_->optlonouest->isChecked());
  }

  void frenchDecimalComma() {
    // 48.5 deg + 51' = 49.35 N: square 9, sub-square 0.35 x 24 = 8.4 -> I;
    // 2 deg 21.5' E: square 1, sub-square 0.179 x 24 = 4.3 -> E.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    typeBoxes({"48.5", "51", "0", "2", "21.5", "0"});
    QTest::mouseClick(w_->Command1, Qt::LeftButton);
    QCOMPARE(w_->txtresultloc->text(), QStringLiteral("JN19EI"));
    w_->txtresultloc->clear();

    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    typeBoxes({"48,5", "51", "0", "2", "21,5", "0"});
    QTest::mouseClick(w_->Command1, Qt::LeftButton);
    QCOMPARE(messages_->texts(), QStringList());
    QCOMPARE(w_->txtresultloc->text(), QStringLiteral("JN19EI"));
    typeBoxes({"48.5", "", "", "", "", ""});  // a point is not the French separator
    QTest::mouseClick(w_->Command1, Qt::LeftButton);
    QCOMPARE(messages_->texts(), QStringList{"Introduced value for latitude degrees is not a number"});
  }

  void aMillionCharactersAreCutAndStillChecked() {
    // Cut to the box's length; the cut number is still a number too large.
    typeBoxes({QString(1000000, QLatin1Char('7')), "", "", "", "", ""});
    QCOMPARE(w_->txtlatdeg->text().size(), 1000);
    QTest::mouseClick(w_->Command1, Qt::LeftButton);
    QCOMPARE(messages_->texts(), QStringList{"Introduced Latitude higher than 89°"});
    typeBoxes({"", "", "", "", "", QStringLiteral("1 ") + QString(1000000, QLatin1Char('x'))});
    QTest::mouseClick(w_->Command1, Qt::LeftButton);
    QCOMPARE(messages_->texts().size(), 2);
    QCOMPARE(w_->txtlonsec->text(), QString());
  }

 private:
  std::vector<QLineEdit*> boxes() const {
    return {w_->txtlatdeg, w_->txtlatmin, w_->txtlatsec, w_->txtlondeg, w_->txtlonmin, w_->txtlonsec};
  }
  void typeBoxes(const Boxes& typed) {
    const auto all = boxes();
    for (std::size_t i = 0; i < all.size(); ++i) all[i]->setText(typed[int(i)]);
  }

  std::unique_ptr<PageWorld> world_;
  frmMain* w_ = nullptr;
  MessageRecorder* messages_ = nullptr;
  TempHome* home_ = nullptr;
};

QTEST_MAIN(GeoPageTest)
#include "geo_page_test.moc"
