// The help menu: two links handed to the desktop, and the About window.
#pragma once

#include <QUrl>
#include <functional>

namespace morvane {

class frmAbout;

// The link constants of the help menu.
inline const QUrl kMailLink{QStringLiteral("mailto:morvane@example.org")};
inline const QUrl kHomePageLink{QStringLiteral("https://morvane.example.org/")};

// Hands a link to the desktop without waiting; failures are not reported.
// Tests replace the opener so that nothing is launched.
using LinkOpener = std::function<void(const QUrl&)>;
void SetLinkOpener(LinkOpener opener);

void mnumail_Click();
void mnuhome_Click();
// Opens the About window, or brings the open one to the front.
void mnusujet_Click();
// The open About window, or nullptr.
frmAbout* OpenAboutWindow();

}  // namespace morvane
