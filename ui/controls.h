// Builders for the controls of the three windows. Positions and sizes are
// given in twips, as the layout was designed; 15 twips make one logical pixel
// and Qt's high-DPI scaling covers other screens.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace morvane {

inline constexpr int kTwipsPerPixel = 15;

constexpr int Px(int twips) { return twips / kTwipsPerPixel; }
constexpr QRect TwipsRect(int left, int top, int width, int height) {
  return {Px(left), Px(top), Px(width), Px(height)};
}

// The program's two faces. "MS Sans Serif" and "Arial" where the desktop
// has them, else metric-compatible or close sans faces. Sizes in points at
// 96 dpi, turned into pixels so that text keeps its size relative to the
// boxes, which are laid out in pixels.
enum class Face { SansSerif, Arial };
QFont MakeFont(Face face, double points, bool bold = false, bool italic = false,
               bool underline = false);

inline const QColor kNavy{0, 0, 128};
inline const QColor kRed{255, 0, 0};

enum class Align { Left, Centre };

// Each builder creates the control, names it, places it and gives it its
// accessible name (empty for frames and captions: their text says it).
QGroupBox* MakeFrame(QWidget* parent, const char* name, const QString& caption, QRect twips);
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QRect twips,
                  Align align = Align::Left);
QLineEdit* MakeTextBox(QWidget* parent, const char* name, QRect twips, const QString& accessible,
                       bool readOnly, Align align, const QColor* textColour);
// A label whose caption is a value (a hemisphere word, a unit). Screen
// readers hear what it is and what it shows ("Latitude hemisphere: South");
// SetValueText changes the caption and the name together, and Qt announces
// the new name.
void MakeValueLabel(QLabel* label, const QString& what);
void SetValueText(QLabel* label, const QString& text);

// A command button: Space, and also Enter or Return while it has the focus,
// press it. No button is the window's default, so Enter in a text box does
// nothing.
QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect twips);
QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& caption, QRect twips,
                        bool ticked);
QRadioButton* MakeOption(QWidget* parent, const char* name, const QString& caption, QRect twips,
                         const QString& accessible, bool selected);
// A picture in a sunken border that can take the focus.
inline constexpr int kPictureBorderPx = 2;
QLabel* MakePictureBox(QWidget* parent, const char* name, QRect pixels, const QString& accessible);

// Moves a top-level window to the centre of its screen's available area.
void CentreOnScreen(QWidget* window);
// Where a frame's top left goes so that it is centred on the screen's area
// that panels leave free.
QPoint CentredTopLeft(QRect frame, QRect available);

}  // namespace morvane
