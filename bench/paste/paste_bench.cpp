// A 10 MB paste into each text box of the main window: the time the paste
// and the next Compute take, and the resident memory they add. Run on any
// Qt platform (offscreen will do):
//   QT_QPA_PLATFORM=offscreen build/paste_bench [MEGABYTES]
#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>
#include <fstream>
#include <string>

#include "ui/frmMain.h"
#include "ui/message_seam.h"

namespace {

long ResidentKiB() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  const int megabytes = argc > 1 ? std::atoi(argv[1]) : 10;
  QTemporaryDir home;
  morvane::SetMessageSink([](const QString&, const QString&) {});
  morvane::frmMain w(morvane::HomeStore(home.filePath(QStringLiteral("user.ini")).toStdString()));
  w.Form_Load();
  w.show();

  // Digits: the worst case for the number checks.
  QApplication::clipboard()->setText(QString(megabytes << 20, QLatin1Char('7')));
  std::printf("%-14s %10s %12s %14s\n", "box", "paste ms", "compute ms", "added KiB");
  struct Box {
    QLineEdit* edit;
    QPushButton* compute;
  } boxes[] = {{w.txtlatdeg, w.Command1}, {w.txtlatmin, w.Command1}, {w.txtlatsec, w.Command1},
               {w.txtlondeg, w.Command1}, {w.txtlonmin, w.Command1}, {w.txtlonsec, w.Command1},
               {w.txtlocatorinv, w.cmdcalclocgeo}, {w.txtlocator1, w.cmdcalcazidist},
               {w.txtlocator2, w.cmdcalcazidist}};
  for (int round = 0; round < 2; ++round) {  // the second round shows whether memory is kept
    for (const Box& b : boxes) {
      b.edit->clear();
      const long before = ResidentKiB();
      QElapsedTimer t;
      t.start();
      b.edit->setFocus();
      b.edit->paste();
      const double pasteMs = t.nsecsElapsed() / 1e6;
      t.restart();
      b.compute->click();
      const double computeMs = t.nsecsElapsed() / 1e6;
      QCoreApplication::processEvents();
      std::printf("%-14s %10.2f %12.2f %14ld\n", qPrintable(b.edit->objectName()), pasteMs,
                  computeMs, ResidentKiB() - before);
    }
  }
  std::printf("resident at the end: %ld KiB\n", ResidentKiB());
  return 0;
}
