#include "app/help_menu.h"

#include <QDesktopServices>
#include <QPointer>

#include "ui/controls.h"
#include "ui/frmAbout.h"

namespace morvane {
namespace {

LinkOpener& Opener() {
  static LinkOpener opener = [](const QUrl& url) { QDesktopServices::openUrl(url); };
  return opener;
}

QPointer<frmAbout>& About() {
  static QPointer<frmAbout> about;
  return about;
}

}  // namespace

void SetLinkOpener(LinkOpener opener) { Opener() = std::move(opener); }

void mnumail_Click() { Opener()(kMailLink); }
void mnuhome_Click() { Opener()(kHomePageLink); }

void mnusujet_Click() {
  // A window of its own, not a child of the main window: it outlives "Exit".
  if (!About()) {
    About() = new frmAbout;
    CentreOnScreen(About());
    About()->show();
  }
  About()->raise();
  About()->activateWindow();
}

frmAbout* OpenAboutWindow() { return About(); }

}  // namespace morvane
