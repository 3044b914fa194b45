#include "ui/number_text.h"

#include <cmath>

namespace morvane {

std::optional<double> ReadNumber(const QString& text, QLocale locale) {
  // "12,5" must not become 125 under a locale whose group separator is ",".
  locale.setNumberOptions(QLocale::RejectGroupSeparator);
  bool ok = false;
  const double value = locale.toDouble(text.trimmed(), &ok);
  // A well-formed number beyond the range of a double ("1e309", 400 digits)
  // comes back as an infinity marked not ok: it is a number, too large for
  // any box, and the range checks say so. A typed "inf" is not a number.
  if (!ok) return std::isinf(value) ? std::optional<double>(value) : std::nullopt;
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

QString FormatNumber(double value, QLocale locale) {
  locale.setNumberOptions(QLocale::OmitGroupSeparator);
  return locale.toString(value, 'g', 15);
}

}  // namespace morvane
