// Page "Azimuth and Distance": where to point the antenna, and how far.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "locator/locator.h"
#include "ui/controls.h"
#include "ui/frmMain.h"
#include "ui/locator_text.h"
#include "ui/message_seam.h"
#include "ui/number_text.h"

namespace morvane {
namespace {

const QString kLocatorsEqual = QStringLiteral(
    "The two QRA locators are equal. No calculation can be done\r\n"
    "The two values are set to zero");

}  // namespace

void frmMain::cmdcalcazidist_Click() {
  if (Check1->isChecked()) readHomeFileIntoBase();
  const QString base = UpperCaseInPlace(txtlocator1);
  const QString target = UpperCaseInPlace(txtlocator2);

  if (base == target) {
    ShowError(this, kLocatorsEqual);
    if (Check1->isChecked()) {
      // Slot 9 as held in memory: the file is not read again here.
      txtlocator2->clear();
      txtlocator1->setText(storedLocator());
      txtlocator2->setFocus();
    } else {
      txtlocator1->clear();
      txtlocator2->clear();
      txtlocator1->setFocus();
    }
    return;
  }

  const std::string baseBytes = base.toStdString();
  if (!CheckLocator(baseBytes)) {
    RefuseInput(this, txtlocator1, kLocatorIncorrect);
    return;
  }
  const GeoRadians basePosition = LocatorToRadians(baseBytes);

  const std::string targetBytes = target.toStdString();
  if (!CheckLocator(targetBytes)) {
    RefuseInput(this, txtlocator2, kLocatorIncorrect);
    return;
  }
  const GeoRadians targetPosition = LocatorToRadians(targetBytes);

  const AzimuthDistance result = ComputeAzimuthDistance(basePosition, targetPosition);
  txtazimuth->setText(FormatNumber(result.azimuth));
  txtdistance->setText(FormatNumber(result.kilometres));
  if (Check2->isChecked()) txtdistance->setText(FormatNumber(KmToMiles(result.kilometres)));
}

void frmMain::Check2_Click() {
  // Only the unit label: the number shown is not converted.
  SetValueText(Label17, Check2->isChecked() ? QStringLiteral("Miles") : QStringLiteral("KMs"));
}

void frmMain::Command3_Click() {
  txtlocator2->clear();
  txtdistance->clear();
  txtazimuth->clear();
  Check1_Click();
}

}  // namespace morvane
