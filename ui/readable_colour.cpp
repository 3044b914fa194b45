#include "ui/readable_colour.h"

#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <cmath>

namespace morvane {
namespace {

// Dynamic properties of a control with an accent colour.
constexpr const char* kWanted = "morvaneAccentWanted";
constexpr const char* kTextRole = "morvaneAccentText";
constexpr const char* kBackgroundRole = "morvaneAccentBackground";

double Channel(double c) {
  return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(const QColor& c) {
  const QColor rgb = c.toRgb();
  return 0.2126 * Channel(rgb.redF()) + 0.7152 * Channel(rgb.greenF()) +
         0.0722 * Channel(rgb.blueF());
}

// Lightness steps of the search, in HSL lightness (0..1).
constexpr int kLightnessSteps = 200;

void Apply(QWidget* control) {
  const QVariant wanted = control->property(kWanted);
  if (!wanted.isValid()) return;
  const auto text = static_cast<QPalette::ColorRole>(control->property(kTextRole).toInt());
  const auto background = static_cast<QPalette::ColorRole>(control->property(kBackgroundRole).toInt());
  // The window's palette is the theme's (no control in between sets a
  // background, so it is what the control is painted on; a test checks the
  // painted pixels), and it is up to date when the window hears of a change,
  // before its controls are.
  const QPalette inherited = control->window()->palette();
  QColor colour = wanted.value<QColor>();
  if (!colour.isValid()) colour = inherited.color(QPalette::Active, QPalette::Highlight);
  QPalette p = control->palette();
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, text, ReadableOn(colour, inherited.color(group, background)));
  }
  control->setPalette(p);
}

}  // namespace

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a), lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& wanted, const QColor& background) {
  if (ContrastRatio(wanted, background) >= kTextContrastTarget) return wanted;
  const QColor hsl = wanted.toHsl();
  // Away from the background: lighter text on a dark one, darker on a light.
  const bool lighten = Luminance(background) < 0.18;
  const double start = hsl.lightnessF();
  for (int step = 1; step <= kLightnessSteps; ++step) {
    const double l = lighten ? start + (1.0 - start) * step / kLightnessSteps
                             : start * (1.0 - double(step) / kLightnessSteps);
    const QColor candidate = QColor::fromHslF(hsl.hslHueF(), hsl.hslSaturationF(), l).toRgb();
    if (ContrastRatio(candidate, background) >= kTextContrastTarget) return candidate;
  }
  return lighten ? QColor(Qt::white) : QColor(Qt::black);
}

QPalette ReadablePalette(QPalette palette) {
  struct Pair {
    QPalette::ColorRole adjusted, other;
  };
  constexpr Pair kPairs[] = {
      {QPalette::WindowText, QPalette::Window},
      {QPalette::Text, QPalette::Base},
      {QPalette::ButtonText, QPalette::Button},
      {QPalette::Highlight, QPalette::HighlightedText},
  };
  for (const auto group : {QPalette::Active, QPalette::Inactive}) {
    for (const Pair& pair : kPairs)
      palette.setColor(group, pair.adjusted,
                       ReadableOn(palette.color(group, pair.adjusted), palette.color(group, pair.other)));
  }
  return palette;
}

void UseReadablePalette() {
  // An empty palette hands the application back to the theme's own, so the
  // readable one is made from the theme as it is now: roles set from an
  // earlier theme would otherwise survive the change.
  QApplication::setPalette(QPalette());
  UseReadablePalette(QApplication::palette());
}

void UseReadablePalette(const QPalette& desktop) { QApplication::setPalette(ReadablePalette(desktop)); }

void SetAccentText(QWidget* control, QPalette::ColorRole text, QPalette::ColorRole background,
                   const QColor& wanted) {
  control->setProperty(kWanted, wanted);
  control->setProperty(kTextRole, int(text));
  control->setProperty(kBackgroundRole, int(background));
  Apply(control);
}

void RefreshAccentText(QWidget* window) {
  for (QWidget* control : window->findChildren<QWidget*>()) Apply(control);
}

}  // namespace morvane
