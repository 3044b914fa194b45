// The windows' controls against their layout: names, kinds, containers,
// captions, geometry, focus order, initial state, and that captions fit.
#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QFontInfo>
#include <QStyle>
#include <QTabBar>

#include "app/help_menu.h"
#include "ui/controls.h"
#include "ui/frmAbout.h"
#include "ui/frmSplash.h"
#include "ui/tab_control.h"
#include "test_support.h"
#include "ui/readable_colour.h"

using namespace morvane;
using namespace morvane::testing;

namespace {

struct Row {
  const char* name;
  const char* kind;       // Qt class
  const char* container;  // "page N" or the frame's name
  const char* caption;    // caption, or "" for an empty box
  int left, top, width, height;  // twips
};

const Row kMainRows[] = {
    {"Frame2", "QGroupBox", "page 0", "Latitude", 360, 600, 4815, 975},
    {"txtlatdeg", "QLineEdit", "Frame2", "", 240, 360, 375, 285},
    {"Label4", "QLabel", "Frame2", "Degrees", 720, 360, 615, 255},
    {"txtlatmin", "QLineEdit", "Frame2", "", 1440, 360, 375, 285},
    {"Label5", "QLabel", "Frame2", "Minutes", 1920, 360, 615, 255},
    {"txtlatsec", "QLineEdit", "Frame2", "", 2520, 360, 375, 285},
    {"Label6", "QLabel", "Frame2", "Seconds", 3000, 360, 735, 255},
    {"optlatnord", "QRadioButton", "Frame2", "North", 3840, 360, 735, 255},
    {"optlatsud", "QRadioButton", "Frame2", "South", 3840, 600, 735, 255},
    {"Frame1", "QGroupBox", "page 0", "Longitude", 360, 1680, 4815, 975},
    {"txtlondeg", "QLineEdit", "Frame1", "", 240, 360, 375, 285},
    {"Label2", "QLabel", "Frame1", "Degrees", 720, 360, 615, 255},
    {"txtlonmin", "QLineEdit", "Frame1", "", 1440, 360, 375, 285},
    {"Label1", "QLabel", "Frame1", "Minutes", 1920, 360, 615, 255},
    {"txtlonsec", "QLineEdit", "Frame1", "", 2520, 360, 375, 285},
    {"Label3", "QLabel", "Frame1", "Seconds", 3000, 360, 735, 255},
    {"optlonest", "QRadioButton", "Frame1", "East", 3840, 360, 615, 255},
    {"optlonouest", "QRadioButton", "Frame1", "West", 3840, 600, 855, 255},
    {"Frame3", "QGroupBox", "page 0", "QRA Locator", 5280, 600, 2415, 975},
    {"txtresultloc", "QLineEdit", "Frame3", "", 480, 360, 1575, 375},
    {"Command1", "QPushButton", "page 0", "Compute", 5280, 1800, 1095, 375},
    {"raz", "QPushButton", "page 0", "Clear", 6600, 1800, 1095, 375},
    {"Command5", "QPushButton", "page 0", "Save my QRA Locator", 5280, 2280, 2415, 375},
    {"Frame4", "QGroupBox", "page 1", "QRA Locator", 360, 600, 2295, 975},
    {"txtlocatorinv", "QLineEdit", "Frame4", "", 360, 360, 1575, 375},
    {"cmdcalclocgeo", "QPushButton", "page 1", "Compute", 1560, 1800, 1095, 375},
    {"Command2", "QPushButton", "page 1", "Clear", 360, 1800, 1095, 375},
    {"Frame5", "QGroupBox", "page 1", "Latitude", 2880, 600, 4815, 855},
    {"txtlatdeginv", "QLineEdit", "Frame5", "", 240, 360, 375, 285},
    {"Label8", "QLabel", "Frame5", "Degrees", 720, 360, 615, 255},
    {"txtlatmininv", "QLineEdit", "Frame5", "", 1440, 360, 375, 285},
    {"Label7", "QLabel", "Frame5", "Minutes", 1920, 360, 615, 255},
    {"Text1", "QLineEdit", "Frame5", "", 2520, 360, 375, 285},
    {"Label11", "QLabel", "Frame5", "Seconds", 3000, 360, 855, 255},
    {"lbllatsens", "QLabel", "Frame5", "North", 3960, 360, 615, 255},
    {"Frame6", "QGroupBox", "page 1", "Longitude", 2880, 1560, 4815, 855},
    {"txtlongdeginv", "QLineEdit", "Frame6", "", 240, 360, 375, 285},
    {"Label10", "QLabel", "Frame6", "Degrees", 720, 360, 615, 255},
    {"txtlongmininv", "QLineEdit", "Frame6", "", 1440, 360, 375, 285},
    {"Label9", "QLabel", "Frame6", "Minutes", 1920, 360, 615, 255},
    {"Text2", "QLineEdit", "Frame6", "", 2520, 360, 375, 285},
    {"Label12", "QLabel", "Frame6", "Seconds", 3000, 360, 735, 255},
    {"lbllongsens", "QLabel", "Frame6", "East", 3960, 360, 615, 255},
    {"Frame7", "QGroupBox", "page 2", "QRA Locators", 360, 600, 3135, 1695},
    {"Check1", "QCheckBox", "Frame7", "Always use my QRA locator as base", 120, 360, 2895, 375},
    {"Label14", "QLabel", "Frame7", "QRA Locator Base  ", 120, 840, 1815, 375},
    {"txtlocator1", "QLineEdit", "Frame7", "", 1680, 840, 1095, 285},
    {"Label13", "QLabel", "Frame7", "QRA Locator Target", 120, 1200, 1575, 255},
    {"txtlocator2", "QLineEdit", "Frame7", "", 1680, 1200, 1095, 285},
    {"Frame8", "QGroupBox", "page 2", "Distance and Azimuth", 3720, 600, 3975, 1695},
    {"Check2", "QCheckBox", "Frame8", "Use Miles", 240, 480, 2895, 195},
    {"Label18", "QLabel", "Frame8", "Distance Base - Target", 240, 840, 2535, 255},
    {"txtdistance", "QLineEdit", "Frame8", "", 2280, 840, 855, 285},
    {"Label17", "QLabel", "Frame8", "KMs", 3240, 840, 375, 255},
    {"Label16", "QLabel", "Frame8", "Azimuth to Target", 240, 1200, 2295, 255},
    {"txtazimuth", "QLineEdit", "Frame8", "", 2280, 1200, 855, 285},
    {"Label15", "QLabel", "Frame8", "Degrees", 3240, 1200, 615, 255},
    {"cmdcalcazidist", "QPushButton", "page 2", "Compute", 2160, 2400, 1095, 375},
    {"Command3", "QPushButton", "page 2", "Clear", 360, 2400, 1095, 375},
};

QString Caption(QWidget* w) {
  if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
  return {};
}

// Room that the caption gets inside its control.
int CaptionRoom(QWidget* w) {
  if (qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w)) {
    auto* b = static_cast<QAbstractButton*>(w);
    const int indicator = b->style()->pixelMetric(QStyle::PM_IndicatorWidth) +
                          b->style()->pixelMetric(QStyle::PM_CheckBoxLabelSpacing);
    return w->width() - indicator;
  }
  if (qobject_cast<QPushButton*>(w)) return w->width() - 8;
  return w->width();
}

void CheckRow(QWidget* window, QWidget* pageOrigin, const std::vector<QWidget*>& pages, const Row& r) {
  const QString name = QString::fromLatin1(r.name);
  auto* w = window->findChild<QWidget*>(name);
  QVERIFY2(w, r.name);
  QVERIFY2(w->inherits(r.kind), r.name);
  QString container = QString::fromLatin1(r.container);
  if (container.startsWith(QLatin1String("page "))) {
    QCOMPARE(w->parentWidget(), pages.at(container.mid(5).toInt()));
    // Placed from the tab control's own top-left corner, strip included.
    QCOMPARE(w->mapTo(pageOrigin, QPoint(0, 0)), QPoint(Px(r.left), Px(r.top)));
  } else {
    QCOMPARE(w->parentWidget()->objectName(), container);
    QCOMPARE(w->pos(), QPoint(Px(r.left), Px(r.top)));
  }
  QCOMPARE(w->size(), QSize(Px(r.width), Px(r.height)));
  QCOMPARE(Caption(w), QString::fromUtf8(r.caption));
  const QString caption = Caption(w).remove(QLatin1Char('&'));
  if (!caption.trimmed().isEmpty() && !qobject_cast<QGroupBox*>(w))
    QVERIFY2(w->fontMetrics().horizontalAdvance(caption.trimmed()) <= CaptionRoom(w),
             qPrintable(QStringLiteral("caption of %1 does not fit").arg(name)));
}

}  // namespace

class ControlsTest : public QObject {
  Q_OBJECT
 private slots:
  void init() { home_ = std::make_unique<TempHome>(); }

  void mainWindowControls() {
    auto w = LoadedMainWindow(home_->path());
    std::vector<QWidget*> pages = {w->SSTab1->page(0), w->SSTab1->page(1), w->SSTab1->page(2)};
    for (const Row& r : kMainRows) {
      CheckRow(w.get(), w->SSTab1, pages, r);
      if (QTest::currentTestFailed()) return;
    }
    QCOMPARE(w->windowTitle(), QStringLiteral("Morvane Version 1.11"));
    QCOMPARE(w->centralWidget()->size(), QSize(Px(8205), Px(3315)));
    QCOMPARE(w->SSTab1->geometry(), TwipsRect(120, 240, 7935, 3015));
    QCOMPARE(w->SSTab1->tabBar()->count(), 3);
    QCOMPARE(w->SSTab1->tabBar()->tabText(0), QStringLiteral("Geo coord. to Locator"));
    QCOMPARE(w->SSTab1->tabBar()->tabText(1), QStringLiteral("Locator to geo coord."));
    QCOMPARE(w->SSTab1->tabBar()->tabText(2), QStringLiteral("Azimuth and Distance"));
    QVERIFY(!w->windowIcon().isNull());
  }

  void initialState() {
    auto w = LoadedMainWindow(home_->path());
    QCOMPARE(w->SSTab1->currentIndex(), 0);
    QVERIFY(w->SSTab1->page(0)->isVisible());
    QVERIFY(!w->SSTab1->page(1)->isVisible());
    for (QLineEdit* box : w->findChildren<QLineEdit*>()) QVERIFY2(box->text().isEmpty(), qPrintable(box->objectName()));
    QVERIFY(w->optlatnord->isChecked() && !w->optlatsud->isChecked());
    QVERIFY(w->optlonest->isChecked() && !w->optlonouest->isChecked());
    QVERIFY(w->Check1->isChecked());
    QVERIFY(!w->Check2->isChecked());
    QCOMPARE(w->Label17->text(), QStringLiteral("KMs"));
    QCOMPARE(w->focusWidget(), w->SSTab1->tabBar());
  }

  void textBoxSettings() {
    auto w = LoadedMainWindow(home_->path());
    const QColor navy(0, 0, 128);
    const struct {
      QLineEdit* box;
      bool readOnly;
      bool centred;
      bool navyText;
      int pixelSize;
      bool bold;
    } boxes[] = {
        {w->txtlatdeg, false, true, true, 11, false},     {w->txtlatmin, false, true, true, 11, false},
        {w->txtlatsec, false, true, true, 11, false},     {w->txtlondeg, false, true, true, 11, false},
        {w->txtlonmin, false, true, true, 11, false},     {w->txtlonsec, false, true, true, 11, false},
        {w->txtresultloc, true, true, false, 13, true},   {w->txtlocatorinv, false, true, true, 13, true},
        {w->txtlatdeginv, true, true, true, 11, false},   {w->txtlatmininv, true, true, true, 11, false},
        {w->Text1, true, false, false, 11, false},        {w->txtlongdeginv, true, true, true, 11, false},
        {w->txtlongmininv, true, true, true, 11, false},  {w->Text2, true, false, false, 11, false},
        {w->txtlocator1, false, true, true, 11, false},   {w->txtlocator2, false, true, true, 11, false},
        {w->txtdistance, true, true, true, 13, true},     {w->txtazimuth, true, true, true, 11, true},
    };
    for (const auto& b : boxes) {
      const QString name = b.box->objectName();
      QVERIFY2(b.box->isReadOnly() == b.readOnly, qPrintable(name));
      QVERIFY2(b.box->isEnabled(), qPrintable(name));
      QVERIFY2(bool(b.box->alignment() & Qt::AlignHCenter) == b.centred, qPrintable(name));
      QVERIFY2((b.box->palette().color(QPalette::Text) == navy) == b.navyText, qPrintable(name));
      QVERIFY2(b.box->font().pixelSize() == b.pixelSize, qPrintable(name));
      QVERIFY2(b.box->font().bold() == b.bold, qPrintable(name));
      QVERIFY2(b.box->maxLength() == 1000, qPrintable(name));  // far above any real input
    }
    // The locator result in the title-bar colour, hemisphere words in red:
    // the hue kept, darkened only as far as reading on the light palette needs.
    const auto sameHueReadable = [](QWidget* w, QPalette::ColorRole fg, QPalette::ColorRole bg,
                                    const QColor& wanted) {
      const QColor c = w->palette().color(fg);
      QVERIFY(std::abs(c.hslHue() - wanted.hslHue()) <= 2);
      QVERIFY(ContrastRatio(c, w->palette().color(bg)) >= 4.5);
      QVERIFY(c.lightness() <= wanted.lightness());
    };
    sameHueReadable(w->txtresultloc, QPalette::Text, QPalette::Base,
                    w->palette().color(QPalette::Active, QPalette::Highlight));
    for (QLabel* l : {w->lbllatsens, w->lbllongsens}) {
      sameHueReadable(l, QPalette::WindowText, QPalette::Window, QColor(255, 0, 0));
      QVERIFY(l->font().bold() && l->font().underline());
    }
  }

  void readOnlyBoxesTakeFocusAndRefuseTyping() {
    auto w = LoadedMainWindow(home_->path());
    w->SSTab1->setCurrentIndex(2);
    w->txtdistance->setText(QStringLiteral("5847"));
    w->txtdistance->setFocus();
    QVERIFY(w->txtdistance->hasFocus());
    QTest::keyClicks(w->txtdistance, QStringLiteral("99"));
    QCOMPARE(w->txtdistance->text(), QStringLiteral("5847"));
    w->txtdistance->selectAll();
    QCOMPARE(w->txtdistance->selectedText(), QStringLiteral("5847"));
  }

  void focusOrderFollowsTheTabIndexes() {
    auto w = LoadedMainWindow(home_->path());
    const QList<QWidget*> expected = {
        w->SSTab1->tabBar(), w->txtlatdeg,     w->txtlatmin,      w->txtlatsec,    w->optlatnord,
        w->optlatsud,        w->txtlondeg,     w->txtlonmin,      w->txtlonsec,    w->optlonest,
        w->optlonouest,      w->Command1,      w->raz,            w->Command5,     w->txtlocatorinv,
        w->cmdcalclocgeo,    w->Command2,      w->Check1,         w->txtlocator1,  w->txtlocator2,
        w->cmdcalcazidist,   w->Command3,      w->txtresultloc,   w->txtlatmininv, w->txtlatdeginv,
        w->txtlongmininv,    w->txtlongdeginv, w->Text1,          w->Text2,        w->txtazimuth,
        w->txtdistance,      w->Check2,
    };
    QList<QWidget*> chain;
    QWidget* at = w->SSTab1->tabBar();
    do {
      if (expected.contains(at) && !chain.contains(at)) chain << at;
      at = at->nextInFocusChain();
    } while (at != w->SSTab1->tabBar());
    QCOMPARE(chain, expected);
  }

  void menuBar() {
    auto w = LoadedMainWindow(home_->path());
    const QList<QAction*> bar = w->menuBar()->actions();
    QCOMPARE(bar.size(), 2);
    QCOMPARE(bar[0], w->mnuquitter);
    QCOMPARE(bar[0]->text(), QStringLiteral("&Exit"));
    QVERIFY(!bar[0]->menu());  // a command on the bar itself
    QCOMPARE(bar[1]->menu(), w->mnuaide);
    QCOMPARE(w->mnuaide->title(), QStringLiteral("&help"));
    const QList<QAction*> items = w->mnuaide->actions();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items[0]->text(), QStringLiteral("&Mail to author"));
    QCOMPARE(items[1]->text(), QStringLiteral("&Home page"));
    QVERIFY(items[2]->isSeparator());
    QCOMPARE(items[3]->text(), QStringLiteral("&About"));
  }

  void optionGroupsAreIndependent() {
    auto w = LoadedMainWindow(home_->path());
    QTest::mouseClick(w->optlatsud, Qt::LeftButton);
    QVERIFY(w->optlatsud->isChecked() && !w->optlatnord->isChecked());
    QVERIFY(w->optlonest->isChecked());
    QTest::mouseClick(w->optlonouest, Qt::LeftButton);
    QVERIFY(w->optlonouest->isChecked() && !w->optlonest->isChecked());
    QVERIFY(w->optlatsud->isChecked());
  }

  void centredOnTheAreaPanelsLeaveFree_data() {
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QPoint>("topLeft");
    // A 400 x 200 frame: a panel on the left, at the top, on a second screen.
    QTest::newRow("left panel") << QRect(64, 0, 1856, 1080) << QPoint(792, 440);
    QTest::newRow("top bar") << QRect(0, 32, 1920, 1048) << QPoint(760, 456);
    QTest::newRow("second screen") << QRect(1920, 0, 1280, 1024) << QPoint(2360, 412);
  }
  void centredOnTheAreaPanelsLeaveFree() {
    QFETCH(QRect, available);
    QFETCH(QPoint, topLeft);
    QCOMPARE(CentredTopLeft(QRect(5, 5, 400, 200), available), topLeft);
  }

  void resizingMovesNothing() {
    auto w = LoadedMainWindow(home_->path());
    const QPoint before = w->Command5->mapTo(w.get(), QPoint());
    const QSize size = w->SSTab1->size();
    w->resize(900, 500);
    QCoreApplication::processEvents();
    QCOMPARE(w->Command5->mapTo(w.get(), QPoint()), before);
    QCOMPARE(w->SSTab1->size(), size);
  }

  void splashWindow() {
    frmSplash s;
    QCOMPARE(s.size(), QSize(Px(5820), Px(2700)));
    QVERIFY(s.windowFlags() & Qt::FramelessWindowHint);
    const Row rows[] = {
        {"Label1", "QLabel", "frmSplash", "Morvane", 2640, 240, 2895, 375},
        {"Label2", "QLabel", "frmSplash", "Version 1.11", 2640, 720, 2895, 255},
        {"Label3", "QLabel", "frmSplash", "Freeware", 2640, 1080, 2895, 375},
        {"Picture1", "QLabel", "frmSplash", "", 120, 120, 2415, 2415},
    };
    for (const Row& r : rows) CheckRow(&s, nullptr, {}, r);
    QCOMPARE(s.Label1->font().pixelSize(), 18);
    QVERIFY(s.Label1->font().bold() && s.Label1->font().italic());
    QVERIFY(!s.Picture1->pixmap().isNull());
    QCOMPARE(s.Picture1->pixmap().size(), QSize(159, 159));
    for (QLabel* l : {s.Label4, s.Label5})
      QVERIFY(l->fontMetrics().horizontalAdvance(l->text()) <= l->width());
  }

  void aboutWindow() {
    frmAbout a;
    QCOMPARE(a.windowTitle(), QStringLiteral("About Morvane version 1.11"));
    QCOMPARE(a.size(), QSize(Px(6240), Px(3465)));
    const Row rows[] = {
        {"cmdOK", "QPushButton", "frmAbout", "OK", 4245, 2520, 1260, 345},
        {"Label1", "QLabel", "frmAbout", "Morvane", 2880, 360, 3255, 615},
        {"Label2", "QLabel", "frmAbout", "Version 1.11", 2880, 840, 3255, 375},
        {"Label3", "QLabel", "frmAbout", "Freeware", 2880, 1200, 3255, 375},
    };
    for (const Row& r : rows) CheckRow(&a, nullptr, {}, r);
    // The picture box is the logo plus its border: 2445 twips square.
    QCOMPARE(a.picIcon->geometry(), TwipsRect(240, 240, 2445, 2445));
    QVERIFY(a.cmdOK->isDefault());
    QCOMPARE(a.Label1->font().pixelSize(), 24);
    // "Arial" for the version and "Freeware" lines, the window's face elsewhere.
    QCOMPARE(a.Label2->font(), MakeFont(Face::Arial, 9.75));
    QCOMPARE(a.Label3->font(), MakeFont(Face::Arial, 9.75));
    QCOMPARE(a.Label4->font(), MakeFont(Face::SansSerif, 8.25));
    for (QLabel* l : {a.Label4, a.Label5, a.Label6})
      QVERIFY2(l->fontMetrics().horizontalAdvance(l->text()) <= l->width(), qPrintable(l->text()));
  }

 private:
  std::unique_ptr<TempHome> home_;
};

QTEST_MAIN(ControlsTest)
#include "controls_test.moc"
