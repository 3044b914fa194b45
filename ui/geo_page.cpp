// Page "Geo coord. to Locator": a typed position to its locator.
#include <QLineEdit>
#include <QRadioButton>

#include "locator/typed_position.h"
#include "ui/frmMain.h"
#include "ui/message_seam.h"
#include "ui/number_text.h"

namespace morvane {
namespace {

QString Message(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

void frmMain::Command1_Click() {
  // Empty boxes become "0", in this order; a text of blanks is not empty.
  for (QLineEdit* box : {txtlonsec, txtlatsec, txtlonmin, txtlatmin, txtlondeg, txtlatdeg}) {
    if (box->text().isEmpty()) box->setText(QStringLiteral("0"));
  }
  QLineEdit* const boxOf[] = {txtlatdeg, txtlatmin, txtlatsec, txtlondeg, txtlonmin, txtlonsec};
  const auto box = [&](TypedField f) { return boxOf[static_cast<int>(f)]; };

  // Each box in the order of the range rules: first whether it holds a
  // number, then whether the number is in range.
  double values[std::size(boxOf)] = {};
  for (const RangeRule& rule : kRangeRules) {
    QLineEdit* edit = box(rule.field);
    const std::optional<double> value = ReadNumber(edit->text());
    if (!value) {
      RefuseInput(this, edit,
                  QStringLiteral("Introduced value for %1 is not a number")
                      .arg(edit->accessibleName().toLower()));
      return;
    }
    if (Breaks(rule, *value)) {
      RefuseInput(this, edit, Message(rule.message));
      return;
    }
    values[static_cast<int>(rule.field)] = *value;
  }

  const TypedAxis latitude{values[0], values[1], values[2]};
  const TypedAxis longitude{values[3], values[4], values[5]};
  const bool south = optlatsud->isChecked();
  const bool west = optlonouest->isChecked();
  if (const auto refusal = CheckInGrid(latitude, south, longitude, west)) {
    RefuseInput(this, box(refusal->field), Message(refusal->message));
    return;
  }
  // The window keeps the step-by-step encoder (EncodeLocator), not the exact
  // cell. Should the check and the encoder ever disagree, the position is
  // off the grid: a refusal, never a dereferenced empty result.
  const auto locator = EncodeLocator(latitude, south, longitude, west);
  if (!locator) {
    RefuseInput(this, txtlatdeg, Message(kLatitudeOffGrid));
    return;
  }
  txtresultloc->setText(QString::fromStdString(*locator));
}

void frmMain::raz_Click() {
  for (QLineEdit* box : {txtlondeg, txtlonmin, txtlonsec, txtlatdeg, txtlatmin, txtlatsec, txtresultloc})
    box->clear();
  optlonest->setChecked(true);
  optlatnord->setChecked(true);
}

}  // namespace morvane
