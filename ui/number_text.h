// Numbers typed and shown in the user's regional settings: QLocale() is the
// system locale (tests may set another default).
#pragma once

#include <QLocale>
#include <QString>
#include <optional>

namespace morvane {

// The number in a box: blanks around it are ignored; thousands separators,
// "inf", "nan" and anything else that is not a number give nullopt. A number
// too large for a double gives an infinity of its sign.
std::optional<double> ReadNumber(const QString& text, QLocale locale = QLocale());

// Up to 15 significant digits, no thousands separators, no trailing zeros,
// no separator for whole numbers, the locale's decimal separator.
QString FormatNumber(double value, QLocale locale = QLocale());

}  // namespace morvane
