// Readable for everyone: every text on its background reaches 4.5:1 under a
// light, a dark and a high-contrast palette; screen readers hear the values
// that labels show; Enter presses the focused button.
#include <QAccessible>
#include <QHash>
#include <QCheckBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabBar>

#include <tuple>

#include "test_support.h"
#include "ui/frmAbout.h"
#include "ui/frmSplash.h"
#include "ui/controls.h"
#include "ui/locator_text.h"
#include "ui/readable_colour.h"

using namespace morvane;
using namespace morvane::testing;

namespace {

// WCAG's 4.5:1 for normal text, with the margin that antialiasing eats.
constexpr double kWithMargin = 4.6;

QPalette Palette(const char* window, const char* text, const char* base, const char* baseText,
                 const char* highlight, const char* highlighted) {
  QPalette p{QColor(QLatin1String(window))};  // derives button and shades
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::WindowText, QColor(QLatin1String(text)));
    p.setColor(group, QPalette::ButtonText, QColor(QLatin1String(text)));
    p.setColor(group, QPalette::Base, QColor(QLatin1String(base)));
    p.setColor(group, QPalette::Text, QColor(QLatin1String(baseText)));
    p.setColor(group, QPalette::Highlight, QColor(QLatin1String(highlight)));
    p.setColor(group, QPalette::HighlightedText, QColor(QLatin1String(highlighted)));
  }
  return p;
}

// The roles each kind of control paints its text and background with.
struct Roles {
  QPalette::ColorRole text, background;
};
std::vector<Roles> RolesOf(const QWidget* w) {
  if (qobject_cast<const QLineEdit*>(w))
    return {{QPalette::Text, QPalette::Base}, {QPalette::HighlightedText, QPalette::Highlight}};
  if (qobject_cast<const QPushButton*>(w)) return {{QPalette::ButtonText, QPalette::Button}};
  if (qobject_cast<const QMenu*>(w) || qobject_cast<const QMenuBar*>(w) || qobject_cast<const QTabBar*>(w))
    return {{QPalette::WindowText, QPalette::Window}, {QPalette::Text, QPalette::Base},
            {QPalette::ButtonText, QPalette::Button}, {QPalette::HighlightedText, QPalette::Highlight}};
  return {{QPalette::WindowText, QPalette::Window}};  // labels, frames, check boxes, options
}

// The lowest ratio over every control of the window and its own background.
double LowestContrast(QWidget* window, QString& where) {
  double lowest = 21;
  QList<QWidget*> all = window->findChildren<QWidget*>();
  all.prepend(window);
  for (QWidget* w : all) {
    for (const Roles& r : RolesOf(w)) {
      for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        const double ratio = ContrastRatio(w->palette().color(group, r.text),
                                           w->palette().color(group, r.background));
        if (ratio < lowest) {
          lowest = ratio;
          where = QStringLiteral("%1 (%2) roles %3/%4 group %5: %6")
                      .arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()))
                      .arg(int(r.text))
                      .arg(int(r.background))
                      .arg(int(group))
                      .arg(ratio);
        }
      }
    }
  }
  return lowest;
}

// The colour a widget's background is painted: the commonest pixel of its
// picture, since text covers only a few.
QColor PaintedBackground(QWidget* w) {
  const QImage image = w->grab().toImage();
  QHash<QRgb, int> counts;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) ++counts[image.pixel(x, y)];
  QRgb commonest = 0;
  int most = -1;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it)
    if (it.value() > most) std::tie(commonest, most) = std::pair{it.key(), it.value()};
  return QColor::fromRgb(commonest);
}

// The main window with the second page's results filled in (South, East).
std::unique_ptr<frmMain> WindowShowingAPosition(const TempHome& home) {
  auto w = LoadedMainWindow(home.path());
  w->txtlocatorinv->setText(QStringLiteral("QF56OD"));
  w->cmdcalclocgeo->click();
  return w;
}

QString Heard(QWidget* w) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
  return a ? a->text(QAccessible::Name) + QLatin1Char(' ') + a->text(QAccessible::Value) : QString();
}

}  // namespace

class ReadabilityTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    light_ = QApplication::style()->standardPalette();
  }
  void cleanup() { QApplication::setPalette(light_); }

  void everyTextReads_data() {
    QTest::addColumn<QPalette>("desktop");
    QTest::newRow("light") << light_;
    // GNOME's Adwaita-dark, as its Qt theme hands it over.
    QTest::newRow("dark") << Palette("#353535", "#eeeeec", "#2d2d2d", "#ffffff", "#15539e", "#ffffff");
    QTest::newRow("high contrast") << Palette("#000000", "#ffffff", "#000000", "#ffffff", "#1aebff", "#000000");
    // What the GTK platform theme hands over for Adwaita-dark: boxes on
    // #242424, windows on #323232; then the window colour as the boxes'
    // base, and pure black and white bases under a mid-grey window.
    QTest::newRow("gtk3 Adwaita dark") << Palette("#323232", "#f0f0f0", "#242424", "#f0f0f0", "#308cc6", "#ffffff");
    QTest::newRow("base #353535") << Palette("#353535", "#eeeeec", "#353535", "#ffffff", "#15539e", "#ffffff");
    QTest::newRow("black base") << Palette("#808080", "#000000", "#000000", "#ffffff", "#308cc6", "#ffffff");
    QTest::newRow("white base") << Palette("#808080", "#000000", "#ffffff", "#000000", "#308cc6", "#ffffff");
  }
  void everyTextReads() {
    QFETCH(QPalette, desktop);
    UseReadablePalette(desktop);  // as main() does with the theme's
    TempHome home;
    MessageRecorder messages;
    auto w = WindowShowingAPosition(home);
    frmSplash splash;
    frmAbout about;
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Error"), kLocatorIncorrect, QMessageBox::Ok);
    for (QWidget* window : std::initializer_list<QWidget*>{w.get(), w->mnuaide, &splash, &about, &box}) {
      QString where;
      const double lowest = LowestContrast(window, where);
      qInfo("%s: lowest %.2f:1 at %s", qPrintable(window->objectName()), lowest, qPrintable(where));
      QVERIFY2(lowest >= kWithMargin, qPrintable(where));
    }
    // Light: the colours asked for stay where they read already.
    if (QTest::currentDataTag() == QByteArray("light")) {
      QCOMPARE(w->txtlatdeg->palette().color(QPalette::Text), kNavy);
    }
  }

  // Against what the theme really paints, under whichever platform theme
  // runs the test (ctest also runs this under GTK's Adwaita-dark and light).
  void paintedBackgroundsReadWithAMargin() {
    UseReadablePalette();
    TempHome home;
    MessageRecorder messages;
    auto w = WindowShowingAPosition(home);
    QString lowestAt;
    double lowest = 21;
    for (int page = 0; page < 3; ++page) {
      w->SSTab1->setCurrentIndex(page);
      QCoreApplication::processEvents();
      for (QWidget* control : w->SSTab1->page(page)->findChildren<QWidget*>()) {
        const auto* edit = qobject_cast<QLineEdit*>(control);
        const auto* label = qobject_cast<QLabel*>(control);
        if (!control->isVisible() || (!edit && !(label && !label->text().isEmpty()))) continue;
        const QColor text = control->palette().color(edit ? QPalette::Text : QPalette::WindowText);
        const QColor painted = PaintedBackground(control);
        const double ratio = ContrastRatio(text, painted);
        if (ratio < lowest) {
          lowest = ratio;
          lowestAt = QStringLiteral("%1: %2 on %3").arg(control->objectName(), text.name(), painted.name());
        }
      }
    }
    qInfo("lowest %.2f:1, %s", lowest, qPrintable(lowestAt));
    QVERIFY2(lowest >= kWithMargin, qPrintable(lowestAt));
  }

  void aThemeChangeWhileOpenKeepsTextReadable() {
    TempHome home;
    auto w = LoadedMainWindow(home.path());
    UseReadablePalette(Palette("#353535", "#eeeeec", "#2d2d2d", "#ffffff", "#15539e", "#ffffff"));
    QCoreApplication::processEvents();  // palettes reach the widgets as events
    QString where;
    QVERIFY2(LowestContrast(w.get(), where) >= kWithMargin, qPrintable(where));
  }

  void screenReadersHearWhatLabelsShow() {
    TempHome home;
    auto w = LoadedMainWindow(home.path());
    w->txtlocatorinv->setText(QStringLiteral("fd41ge"));  // South, West
    w->cmdcalclocgeo->click();
    QVERIFY2(Heard(w->lbllatsens).contains(QStringLiteral("Latitude hemisphere: South")),
             qPrintable(Heard(w->lbllatsens)));
    QVERIFY(Heard(w->lbllongsens).contains(QStringLiteral("West")));
    // Every control a handler writes is heard with its new text.
    for (QLineEdit* box : {w->txtlatdeginv, w->txtlatmininv, w->Text1, w->txtlongdeginv,
                           w->txtlongmininv, w->Text2}) {
      QVERIFY(!box->text().isEmpty());
      QVERIFY2(Heard(box).contains(box->text()), qPrintable(box->objectName()));
    }
    w->Command2->click();
    QVERIFY(Heard(w->lbllatsens).contains(QStringLiteral("North")));
    w->Check2->setChecked(true);
    QVERIFY(Heard(w->Label17).contains(QStringLiteral("Distance unit: Miles")));
    w->txtlocator1->setText(QStringLiteral("JN18EU"));
    w->txtlocator2->setText(QStringLiteral("FN20XR"));
    w->Check1->setChecked(false);
    w->txtlocator1->setText(QStringLiteral("JN18EU"));
    w->cmdcalcazidist->click();
    for (QLineEdit* box : {w->txtazimuth, w->txtdistance}) QVERIFY(Heard(box).contains(box->text()));
  }

  void tickSquaresFitTheirBoxes() {
    // "Use Miles" is 13 px high, less than the style's own tick square.
    TempHome home;
    auto w = LoadedMainWindow(home.path());
    for (QCheckBox* box : {w->Check1, w->Check2}) {
      QStyleOptionButton option;
      option.initFrom(box);
      const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
      QVERIFY2(box->rect().contains(indicator), qPrintable(box->objectName()));
    }
  }

  void enterPressesTheFocusedButton() {
    TempHome home;
    MessageRecorder messages;
    auto w = LoadedMainWindow(home.path());
    const struct {
      int page;
      QPushButton* button;
    } buttons[] = {{0, w->Command1}, {0, w->raz},      {0, w->Command5},       {1, w->cmdcalclocgeo},
                   {1, w->Command2}, {2, w->Command3}, {2, w->cmdcalcazidist}};
    for (const auto& b : buttons) {
      w->SSTab1->setCurrentIndex(b.page);
      // The keypad's Enter comes with the keypad modifier.
      for (const auto& [key, modifier] : {std::pair{Qt::Key_Return, Qt::NoModifier}, {Qt::Key_Enter, Qt::KeypadModifier}}) {
        QSignalSpy clicked(b.button, &QPushButton::clicked);
        b.button->setFocus();
        QTest::keyClick(b.button, key, modifier);
        QVERIFY2(clicked.count() == 1, qPrintable(b.button->objectName()));
      }
    }
    // Enter in a text box presses nothing: no button is the default.
    w->SSTab1->setCurrentIndex(0);
    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const auto& b : buttons) spies.push_back(std::make_unique<QSignalSpy>(b.button, &QPushButton::clicked));
    w->txtlatdeg->setFocus();
    QTest::keyClick(w->txtlatdeg, Qt::Key_Return);
    for (const auto& spy : spies) QCOMPARE(spy->count(), 0);

    frmAbout about;
    about.setAttribute(Qt::WA_DeleteOnClose, false);
    about.show();
    QSignalSpy ok(about.cmdOK, &QPushButton::clicked);
    about.cmdOK->setFocus();
    QTest::keyClick(about.cmdOK, Qt::Key_Return);
    QCOMPARE(ok.count(), 1);
  }

 private:
  QPalette light_;
};

QTEST_MAIN(ReadabilityTest)
#include "readability_test.moc"
