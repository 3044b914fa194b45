// Renders each window of Morvane, with a worked example on each page, to
// PNG files for the README:  build/morvane_screenshots docs
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QTemporaryDir>

#include "ui/frmAbout.h"
#include "ui/frmMain.h"
#include "ui/frmSplash.h"
#include "ui/readable_colour.h"
#include "ui/tab_control.h"

using namespace morvane;

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  UseReadablePalette();
  const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs"));
  const auto save = [&](QWidget* w, const char* name) {
    w->show();
    QApplication::processEvents();
    return w->grab().save(out.filePath(QString::fromLatin1(name)));
  };
  bool ok = true;

  frmSplash splash;
  ok &= save(&splash, "splash.png");
  splash.hide();

  QTemporaryDir home;
  frmMain main(HomeStore(home.filePath(QStringLiteral("user.ini")).toStdString()));
  main.Form_Load();
  main.txtlatdeg->setText(QStringLiteral("48"));
  main.txtlatmin->setText(QStringLiteral("51"));
  main.txtlondeg->setText(QStringLiteral("2"));
  main.txtlonmin->setText(QStringLiteral("21"));
  main.Command1->click();
  ok &= save(&main, "page-geo-to-locator.png");
  main.SSTab1->setCurrentIndex(1);
  main.txtlocatorinv->setText(QStringLiteral("jn18eu"));
  main.cmdcalclocgeo->click();
  ok &= save(&main, "page-locator-to-geo.png");
  main.SSTab1->setCurrentIndex(2);
  main.Check1->setChecked(false);
  main.txtlocator1->setText(QStringLiteral("JN18EU"));
  main.txtlocator2->setText(QStringLiteral("FN20XR"));
  main.Check2->setChecked(true);
  main.cmdcalcazidist->click();
  ok &= save(&main, "page-azimuth-distance.png");

  frmAbout about;
  ok &= save(&about, "about.png");
  return ok ? 0 : 1;
}
