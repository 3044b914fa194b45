#include "app/module1.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QWindow>

#include "ui/controls.h"
#include "ui/frmMain.h"
#include "ui/frmSplash.h"
#include "ui/tab_control.h"

namespace morvane {
namespace {

// How long to wait for the window system to put the splash on screen.
constexpr int kSplashExposeTimeoutMs = 2000;

// Returns once the window system has put the window on screen and it has
// been painted, so the wait below does not keep a blank splash.
void ShowAndDraw(QWidget* window) {
  window->show();
  QWindow* handle = window->windowHandle();
  QDeadlineTimer deadline(kSplashExposeTimeoutMs);
  while (handle && !handle->isExposed() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
  window->repaint();
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);  // flush to the screen
}

}  // namespace

int CountingWait() {
  int passes = 0;
  for (int counter = 1; counter <= 3500000; ++counter) {
    counter = counter + 1;  // the body adds 1 to the loop's own counter
    ++passes;
    // An empty barrier that claims to use and change the counter: the
    // compiler must run every pass, yet the counter stays in a register.
    asm volatile("" : "+r"(counter));
  }
  return passes;
}

QPointer<frmMain> Main(HomeStore store, StartupObserver* observer) {
  auto* splash = new frmSplash;
  CentreOnScreen(splash);
  ShowAndDraw(splash);
  if (observer) observer->SplashShown();

  const int passes = CountingWait();
  if (observer) observer->WaitDone(passes);

  QPointer<frmMain> main = new frmMain(std::move(store));
  main->Form_Load();
  if (observer) observer->MainLoaded(main);

  splash->close();
  delete splash;
  if (observer) observer->SplashGone();

  CentreOnScreen(main);
  main->show();
  main->activateWindow();
  main->SSTab1->setFocus();
  return main;
}

}  // namespace morvane
