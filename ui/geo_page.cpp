// Page "Geo coord. to Locator": a typed position to its locator.
#include <QLineEdit>
#include <QRadioButton>

#include "locator/encode.h"
#include "ui/frmMain.h"
#include "ui/message_seam.h"
#include "ui/number_text.h"

namespace morvane {
namespace {

struct RangeCheck {
  QLineEdit* box;
  double limit;
  bool refuseAtLimit;  // minutes and seconds: 60 is refused; degrees: only above
  const char* message;
};

}  // namespace

void frmMain::Command1_Click() {
  // Empty boxes become "0", in this order; a text of blanks is not empty.
  for (QLineEdit* box : {txtlonsec, txtlatsec, txtlonmin, txtlatmin, txtlondeg, txtlatdeg}) {
    if (box->text().isEmpty()) box->setText(QStringLiteral("0"));
  }

  // Degrees latitude before longitude; minutes and seconds longitude first.
  const RangeCheck checks[] = {
      {txtlatdeg, 89, false, "Introduced Latitude higher than 89°"},
      {txtlondeg, 179, false, "Introduced Longitude higher than 179°"},
      {txtlonmin, 60, true, "Introduced Minutes for longitude higher than 60'"},
      {txtlatmin, 60, true, "Introduced Minutes for latitude higher than 60'"},
      {txtlonsec, 60, true, "Introduced seconds for longitude higher than 60'"},
      {txtlatsec, 60, true, "Introduced seconds for latitude higher than 60'"},
  };
  double values[std::size(checks)];
  for (std::size_t i = 0; i < std::size(checks); ++i) {
    const RangeCheck& check = checks[i];
    const std::optional<double> value = ReadNumber(check.box->text());
    if (!value) {
      RefuseInput(this, check.box,
             QStringLiteral("Introduced value for %1 is not a number")
                 .arg(check.box->accessibleName().toLower()));
      return;
    }
    if (check.refuseAtLimit ? *value >= check.limit : *value > check.limit) {
      RefuseInput(this, check.box, QString::fromUtf8(check.message));
      return;
    }
    values[i] = *value;
  }

  // In the order of the checks: latdeg, londeg, lonmin, latmin, lonsec, latsec.
  const TypedAxis latitude{values[0], values[3], values[5]};
  const TypedAxis longitude{values[1], values[2], values[4]};
  const bool south = optlatsud->isChecked();
  const bool west = optlonouest->isChecked();

  // Negative degrees, and minutes and seconds that add up past the pole or
  // the 180 degree meridian, pass the checks above but lie outside the grid.
  // Latitude is tested alone first so the message can name the axis; the box
  // emptied is the one whose value took the position over the edge, so that
  // Compute does not refuse the same valid degrees again.
  const auto inGrid = [&](TypedAxis lat, TypedAxis lon) {
    return EncodeLocator(lat, south, lon, west).has_value();
  };
  constexpr TypedAxis kOrigin{0, 0, 0};
  if (!inGrid(latitude, kOrigin)) {
    QLineEdit* box = !inGrid({latitude.degrees, 0, 0}, kOrigin)                  ? txtlatdeg
                     : !inGrid({latitude.degrees, latitude.minutes, 0}, kOrigin) ? txtlatmin
                                                                                 : txtlatsec;
    RefuseInput(this, box,
                QStringLiteral("Introduced Latitude outside the locator grid (90° South to 90° North)"));
    return;
  }
  if (!inGrid(latitude, longitude)) {
    QLineEdit* box = !inGrid(latitude, {longitude.degrees, 0, 0})                    ? txtlondeg
                     : !inGrid(latitude, {longitude.degrees, longitude.minutes, 0}) ? txtlonmin
                                                                                    : txtlonsec;
    RefuseInput(this, box,
                QStringLiteral("Introduced Longitude outside the locator grid (180° West to 180° East)"));
    return;
  }
  const std::optional<std::string> locator = EncodeLocator(latitude, south, longitude, west);
  txtresultloc->setText(QString::fromStdString(*locator));
}

void frmMain::raz_Click() {
  for (QLineEdit* box : {txtlondeg, txtlonmin, txtlonsec, txtlatdeg, txtlatmin, txtlatsec, txtresultloc})
    box->clear();
  optlonest->setChecked(true);
  optlatnord->setChecked(true);
}

}  // namespace morvane
