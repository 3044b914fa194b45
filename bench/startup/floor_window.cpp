// The floor of the toolkit: the smallest Qt Widgets program that shows one
// window with a tab control of three pages.
#include <QApplication>
#include <QTabWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QTabWidget tabs;
  tabs.setWindowTitle(QStringLiteral("Morvane floor"));
  for (const char* caption : {"One", "Two", "Three"}) tabs.addTab(new QWidget, QString::fromLatin1(caption));
  tabs.resize(547, 240);
  tabs.show();
  return QApplication::exec();
}
