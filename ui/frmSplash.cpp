#include "ui/frmSplash.h"

#include <QLabel>
#include <QPixmap>

#include "ui/controls.h"
#include "ui/credits.h"

namespace morvane {

frmSplash::frmSplash() : QFrame(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
  setObjectName(QStringLiteral("frmSplash"));
  setFont(MakeFont(Face::SansSerif, 8.25));
  // A fixed dialog frame without a title bar.
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(2);
  setFixedSize(Px(5820), Px(2700));

  Picture1 = MakePictureBox(this, "Picture1", TwipsRect(120, 120, 2415, 2415), QStringLiteral("Morvane logo"));
  Picture1->setPixmap(QPixmap(kLogoResource));
  Label1 = MakeLabel(this, "Label1", kProgramName, TwipsRect(2640, 240, 2895, 375), Align::Centre);
  Label1->setFont(MakeFont(Face::SansSerif, 13.5, true, true));
  Label2 = MakeLabel(this, "Label2", kVersionLine, TwipsRect(2640, 720, 2895, 255), Align::Centre);
  Label2->setFont(MakeFont(Face::SansSerif, 9.75));
  Label3 = MakeLabel(this, "Label3", kFreewareLine, TwipsRect(2640, 1080, 2895, 375), Align::Centre);
  Label3->setFont(MakeFont(Face::SansSerif, 9.75));
  Label4 = MakeLabel(this, "Label4", kAuthorCredit, TwipsRect(2640, 1800, 3015, 375));
  Label5 = MakeLabel(this, "Label5", kWebSiteLine, TwipsRect(2640, 2040, 3015, 375));
}

}  // namespace morvane
