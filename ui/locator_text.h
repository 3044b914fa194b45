// What the two locator pages share about typed locators.
#pragma once

#include <QLineEdit>
#include <QString>

namespace morvane {

inline const QString kLocatorIncorrect = QStringLiteral("Introduced QRA locator incorrect");

// Upper-cases the box's whole text and writes it back before any check, so
// the box shows upper case even when the check then fails.
inline QString UpperCaseInPlace(QLineEdit* box) {
  const QString upper = box->text().toUpper();
  box->setText(upper);
  return upper;
}

}  // namespace morvane
