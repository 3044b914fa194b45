// Morvane: a QRA locator calculator for radio amateurs.
#include <QApplication>
#include <QStyleFactory>

#include "app/module1.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("morvane"));
  // One look on every desktop; the layout is drawn for it.
  QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

  const auto main = morvane::Main(morvane::HomeStore::ForThisProgram());
  return main ? QApplication::exec() : 1;
}
