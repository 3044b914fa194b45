#include "ui/frmAbout.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "ui/controls.h"
#include "ui/credits.h"

namespace morvane {
frmAbout::frmAbout()
    : QDialog(nullptr, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("frmAbout"));
  setWindowTitle(QStringLiteral("About Morvane version 1.11"));
  setWindowIcon(QIcon(kIconResource));
  setAttribute(Qt::WA_DeleteOnClose);
  setFont(MakeFont(Face::SansSerif, 8.25));
  setFixedSize(Px(6240), Px(3465));

  cmdOK = new QPushButton(QStringLiteral("OK"), this);
  cmdOK->setObjectName(QStringLiteral("cmdOK"));
  cmdOK->setGeometry(TwipsRect(4245, 2520, 1260, 345));
  cmdOK->setDefault(true);  // Enter; Esc closes a dialog as its cancel button

  // The picture box sizes itself to the picture plus its border.
  const QPixmap logo(kLogoResource);
  picIcon = MakePictureBox(this, "picIcon",
                           QRect(QPoint(Px(240), Px(240)),
                                 logo.size() + QSize(2 * kPictureBorderPx, 2 * kPictureBorderPx)),
                           QStringLiteral("Morvane logo"));
  picIcon->setPixmap(logo);

  Label1 = MakeLabel(this, "Label1", kProgramName, TwipsRect(2880, 360, 3255, 615), Align::Centre);
  Label1->setFont(MakeFont(Face::SansSerif, 18, true, true));
  Label2 = MakeLabel(this, "Label2", kVersionLine, TwipsRect(2880, 840, 3255, 375), Align::Centre);
  Label2->setFont(MakeFont(Face::Arial, 9.75));
  Label3 = MakeLabel(this, "Label3", kFreewareLine, TwipsRect(2880, 1200, 3255, 375), Align::Centre);
  Label3->setFont(MakeFont(Face::Arial, 9.75));
  Label4 = MakeLabel(this, "Label4", kAuthorCredit, TwipsRect(2880, 1680, 3255, 375));
  Label5 = MakeLabel(this, "Label5", kWebSiteLine, TwipsRect(2880, 2040, 3255, 255));
  Label6 = MakeLabel(this, "Label6", kLogoCredit, TwipsRect(240, 3000, 5415, 375));

  setTabOrder(cmdOK, picIcon);
  connect(cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
  cmdOK->setFocus();
}

void frmAbout::cmdOK_Click() { close(); }

}  // namespace morvane
