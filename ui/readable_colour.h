// Text colours that stay readable on whatever background the desktop's
// palette gives. A control asks for a colour (navy, red, the highlight); on a
// light background it gets exactly that, and where the pair would be hard to
// read (a dark theme, high contrast) it gets the same hue made lighter or
// darker until the pair reaches the contrast that normal-size text needs.
#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

namespace morvane {

// WCAG 2 contrast ratio of two colours, 1 (same) to 21 (black on white).
double ContrastRatio(const QColor& a, const QColor& b);

// WCAG 2 level AA for normal-size text.
inline constexpr double kMinimumTextContrast = 4.5;
// What colours are chosen to reach: antialiased strokes come out a little
// softer than their colour (a screenshot of 4.51:1 text measured 4.48:1), so
// a margin keeps what is painted above the level.
inline constexpr double kTextContrastTarget = 4.6;

// wanted when it reads on background; else the same hue, lightened or
// darkened, the least that reaches kTextContrastTarget.
QColor ReadableOn(const QColor& wanted, const QColor& background);

// The text/background pairs that the windows, menus and message boxes paint
// with, each made readable: the text role adjusted, except for selections,
// where the highlight (a background) is. Roles that read already are kept.
QPalette ReadablePalette(QPalette palette);
// The desktop theme's palette made readable and used by the application;
// run at start, after the style, and again when the theme changes.
void UseReadablePalette();
// The same from a given desktop palette.
void UseReadablePalette(const QPalette& desktop);

// Gives a control's text role a colour of its own, kept readable on its
// background role now and whenever the palette changes. With an invalid
// colour, the colour wanted is the window palette's Highlight.
void SetAccentText(QWidget* control, QPalette::ColorRole text, QPalette::ColorRole background,
                   const QColor& wanted);

// Recomputes the accent colours of every control under window. Windows call
// it when the desktop's palette changes.
void RefreshAccentText(QWidget* window);

}  // namespace morvane
