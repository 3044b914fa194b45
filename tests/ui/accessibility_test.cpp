// Screen readers: every control that takes the focus has a name that says
// what it holds, and message boxes are announced.
#include <QAbstractButton>
#include <QAccessible>
#include <QCheckBox>
#include <QRadioButton>
#include <QLabel>
#include <QMessageBox>

#include "ui/frmAbout.h"
#include "ui/frmSplash.h"
#include "test_support.h"

using namespace morvane;
using namespace morvane::testing;

namespace {

QString AccessibleName(QWidget* w) {
  QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
  return a ? a->text(QAccessible::Name) : QString();
}

void EveryFocusableControlHasAName(QWidget* window) {
  int checked = 0;
  for (QWidget* w : window->findChildren<QWidget*>()) {
    if (w->focusPolicy() == Qt::NoFocus || w->focusProxy()) continue;
    if (w->objectName().startsWith(QLatin1String("qt_"))) continue;  // Qt's own parts
    const QString name = AccessibleName(w);
    QVERIFY2(!name.trimmed().isEmpty(),
             qPrintable(QStringLiteral("%1 (%2) has no accessible name")
                            .arg(w->objectName(), QString::fromLatin1(w->metaObject()->className()))));
    ++checked;
  }
  QVERIFY(checked > 0);
}

}  // namespace

class AccessibilityTest : public QObject {
  Q_OBJECT
 private slots:
  void mainWindow() {
    TempHome home;
    auto w = LoadedMainWindow(home.path());
    EveryFocusableControlHasAName(w.get());
  }
  void namesSayWhatTheBoxesHold() {
    TempHome home;
    auto w = LoadedMainWindow(home.path());
    const struct {
      QWidget* control;
      const char* name;
    } names[] = {
        {w->txtlatdeg, "Latitude degrees"},       {w->txtlonsec, "Longitude seconds"},
        {w->txtresultloc, "QRA Locator result"},  {w->txtlocatorinv, "QRA Locator"},
        {w->Text1, "Latitude seconds"},           {w->txtlocator1, "QRA Locator Base"},
        {w->txtdistance, "Distance Base - Target"}, {w->Check1, "Always use my QRA locator as base"},
        {w->optlonouest, "Longitude West"},
    };
    for (const auto& n : names) QCOMPARE(AccessibleName(n.control), QString::fromLatin1(n.name));
  }
  void splashAndAbout() {
    frmSplash splash;
    EveryFocusableControlHasAName(&splash);
    frmAbout about;
    EveryFocusableControlHasAName(&about);
  }
  void messageBoxesAreAlerts() {
    // The real box, as the seam shows it without a sink: Qt announces it to
    // screen readers as an alert when it opens.
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Error"),
                    QStringLiteral("Introduced QRA locator incorrect"), QMessageBox::Ok);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(&box);
    QVERIFY(a);
    QCOMPARE(a->role(), QAccessible::AlertMessage);
  }
};

QTEST_MAIN(AccessibilityTest)
#include "accessibility_test.moc"
