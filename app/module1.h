// The start-up routine: splash, counting wait, main window loaded, splash
// gone, main window shown. The program then lives on window events.
#pragma once

#include <QPointer>

#include "settings/home_store.h"
#include "ui/frmMain.h"

namespace morvane {

class frmMain;

// Passes of the start-up wait's loop body: the counter runs from 1 to
// 3,500,000 and the body adds 1 as well, so 1,750,000 passes.
int CountingWait();

// Observes the start-up steps in order (tests); may be empty.
struct StartupObserver {
  virtual ~StartupObserver() = default;
  virtual void SplashShown() {}
  virtual void WaitDone(int /*passes*/) {}
  virtual void MainLoaded(frmMain*) {}
  virtual void SplashGone() {}
};

// Module1's start-up routine. Returns once the main window is shown; the
// returned pointer is the one main window of the run (it clears itself when
// the window is closed).
QPointer<frmMain> Main(HomeStore store, StartupObserver* observer = nullptr);

}  // namespace morvane
