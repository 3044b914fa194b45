// Page "Locator to geo coord.": a locator to the centre of its sub-square.
#include <QLabel>
#include <QLineEdit>

#include "locator/grid.h"
#include "ui/controls.h"
#include "ui/frmMain.h"
#include "ui/locator_text.h"
#include "ui/message_seam.h"

namespace morvane {

void frmMain::cmdcalclocgeo_Click() {
  const QString text = UpperCaseInPlace(txtlocatorinv);
  const std::string bytes = text.toStdString();
  if (!CheckLocator(bytes)) {
    RefuseInput(this, txtlocatorinv, kLocatorIncorrect);
    return;
  }
  const DmsPosition p = LocatorToDms(bytes);
  SetValueText(lbllatsens, QString::fromLatin1(p.latitude.hemisphere));
  txtlatdeginv->setText(QString::number(p.latitude.degrees));
  txtlatmininv->setText(QString::number(p.latitude.minutes));
  Text1->setText(QString::number(p.latitude.seconds));
  SetValueText(lbllongsens, QString::fromLatin1(p.longitude.hemisphere));
  txtlongdeginv->setText(QString::number(p.longitude.degrees));
  txtlongmininv->setText(QString::number(p.longitude.minutes));
  Text2->setText(QString::number(p.longitude.seconds));
}

void frmMain::Command2_Click() {
  for (QLineEdit* box : {txtlongdeginv, txtlongmininv, txtlatdeginv, txtlatmininv, Text1, Text2})
    box->clear();
  SetValueText(lbllatsens, QStringLiteral("North"));
  SetValueText(lbllongsens, QStringLiteral("East"));
  txtlocatorinv->clear();
  txtlocatorinv->setFocus();
}

}  // namespace morvane
