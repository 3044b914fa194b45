// Morvane: a QRA locator calculator for radio amateurs.
#include <QApplication>
#include <QStyleFactory>
#include <csignal>

#include "app/module1.h"
#include "ui/readable_colour.h"

int main(int argc, char* argv[]) {
  // Under a file-size limit a save must fail with an error the program
  // reports, not kill it.
  std::signal(SIGXFSZ, SIG_IGN);
  // The menu bar belongs in the window; not probing the desktop for a
  // global menu bar also saves start-up time.
  QCoreApplication::setAttribute(Qt::AA_DontUseNativeMenuBar);
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("morvane"));
  // One look on every desktop; the layout is drawn for it.
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
  // Light or dark as the desktop is, with every text readable on its ground.
  morvane::UseReadablePalette();

  const auto main = morvane::Main(morvane::HomeStore::ForThisProgram());
  return main ? QApplication::exec() : 1;
}
