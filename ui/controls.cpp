#include "ui/controls.h"

#include "ui/readable_colour.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QProxyStyle>
#include <QStyleFactory>
#include <algorithm>
#include <QFontDatabase>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

namespace morvane {
namespace {

// No position or locator needs more than a few dozen characters, yet a box
// must not refuse a long paste outright (the pages decide what is valid).
// Far above any real input, this keeps a pasted file of megabytes from
// freezing the window and holding its memory: the rest is cut off, and a cut
// number is still refused or range-checked, a locator still uses its first
// six characters.
constexpr int kMaxTypedLength = 1000;

// Places twips given relative to the container's top-left corner. A page of
// the tab control is itself placed below the tab strip, so its controls are
// moved up by that much to land where the layout puts them.
void Place(QWidget* w, QWidget* parent, const char* name, QRect twips) {
  w->setObjectName(QString::fromLatin1(name));
  const QPoint shift = parent->property("morvaneOrigin").toPoint();
  w->setGeometry(twips.translated(-shift));
}

// The substitutes for "MS Sans Serif" (Liberation Sans and the like) are
// Arial-metric, about 8% wider; condensed by that much, every caption fits
// the control it was drawn for.
constexpr int kSubstituteStretch = 92;

// The first installed face of a list of candidates. Asking the font database
// is cheap; asking for a missing family makes fontconfig search for
// fallbacks at every font the windows create, which slows start-up.
QString FirstInstalled(std::initializer_list<const char*> candidates) {
  for (const char* family : candidates)
    if (QFontDatabase::hasFamily(QString::fromLatin1(family))) return QString::fromLatin1(family);
  return {};
}

const QString& SansSerifFamily() {
  static const QString family = FirstInstalled(
      {"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arimo", "DejaVu Sans"});
  return family;
}

const QString& ArialFamily() {
  static const QString family =
      FirstInstalled({"Arial", "Liberation Sans", "Arimo", "DejaVu Sans"});
  return family;
}

bool HaveMsSansSerif() { return SansSerifFamily().endsWith(QStringLiteral("Sans Serif")); }

// Check boxes and option buttons answer a click anywhere in their rectangle,
// not only on the indicator and the text: the layout gives them wide areas.
template <typename Button>
class WholeAreaButton : public Button {
 public:
  using Button::Button;

 protected:
  bool hitButton(const QPoint& pos) const override { return this->rect().contains(pos); }
};

// Check boxes are as low as 13 px, less than some styles' tick square:
// the square is kept inside the control instead of being cut at the bottom.
class FittingIndicatorStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;
  int pixelMetric(PixelMetric metric, const QStyleOption* option,
                  const QWidget* widget) const override {
    const int size = QProxyStyle::pixelMetric(metric, option, widget);
    if (widget && (metric == PM_IndicatorHeight || metric == PM_IndicatorWidth))
      return std::min(size, widget->height() - 1);
    return size;
  }
};

QStyle* CheckBoxStyle() {
  // One for all check boxes, on top of the program's style; lives as long
  // as the program.
  static QStyle* const style =
      new FittingIndicatorStyle(QStyleFactory::create(QApplication::style()->name()));
  return style;
}

class CommandButton : public QPushButton {
 public:
  using QPushButton::QPushButton;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
      if (!event->isAutoRepeat()) click();
      return;
    }
    QPushButton::keyPressEvent(event);
  }
};

constexpr const char* kValueWhat = "morvaneValueWhat";

}  // namespace

QFont MakeFont(Face face, double points, bool bold, bool italic, bool underline) {
  QFont f;
  const QString& family = face == Face::Arial ? ArialFamily() : SansSerifFamily();
  if (!family.isEmpty()) f.setFamily(family);
  f.setStyleHint(QFont::SansSerif);
  // Set in both cases: a font that leaves it unset inherits the window's.
  f.setStretch(face == Face::SansSerif && !HaveMsSansSerif() ? kSubstituteStretch
                                                              : int(QFont::Unstretched));
  f.setPixelSize(qRound(points * 96.0 / 72.0));
  f.setBold(bold);
  f.setItalic(italic);
  f.setUnderline(underline);
  return f;
}

QGroupBox* MakeFrame(QWidget* parent, const char* name, const QString& caption, QRect twips) {
  auto* frame = new QGroupBox(caption, parent);
  Place(frame, parent, name, twips);
  return frame;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QRect twips,
                  Align align) {
  auto* label = new QLabel(caption, parent);
  Place(label, parent, name, twips);
  // No background of its own: the frame's shows through, so a label always
  // has its frame's colour.
  label->setAlignment((align == Align::Centre ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
  label->setTextFormat(Qt::PlainText);
  return label;
}

QLineEdit* MakeTextBox(QWidget* parent, const char* name, QRect twips, const QString& accessible,
                       bool readOnly, Align align, const QColor* textColour) {
  auto* box = new QLineEdit(parent);
  Place(box, parent, name, twips);
  box->setMaxLength(kMaxTypedLength);
  box->setReadOnly(readOnly);
  box->setAlignment(align == Align::Centre ? Qt::AlignCenter : (Qt::AlignLeft | Qt::AlignVCenter));
  box->setAccessibleName(accessible);
  box->setTextMargins(0, 0, 0, 0);
  if (textColour) SetAccentText(box, QPalette::Text, QPalette::Base, *textColour);
  return box;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect twips) {
  auto* button = new CommandButton(caption, parent);
  Place(button, parent, name, twips);
  button->setAutoDefault(false);
  return button;
}

void MakeValueLabel(QLabel* label, const QString& what) {
  label->setProperty(kValueWhat, what);
  SetValueText(label, label->text());
}

void SetValueText(QLabel* label, const QString& text) {
  const QString name = label->property(kValueWhat).toString() + QStringLiteral(": ") + text;
  label->setText(text);
  if (label->accessibleName() == name) return;
  label->setAccessibleName(name);
  // Announced, so that a reader on the label says the new value.
  QAccessibleEvent changed(label, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&changed);
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& caption, QRect twips,
                        bool ticked) {
  auto* box = new WholeAreaButton<QCheckBox>(caption, parent);
  Place(box, parent, name, twips);
  box->setStyle(CheckBoxStyle());
  box->setChecked(ticked);
  return box;
}

QRadioButton* MakeOption(QWidget* parent, const char* name, const QString& caption, QRect twips,
                         const QString& accessible, bool selected) {
  auto* option = new WholeAreaButton<QRadioButton>(caption, parent);
  Place(option, parent, name, twips);
  option->setChecked(selected);
  option->setAccessibleName(accessible);
  return option;
}

QLabel* MakePictureBox(QWidget* parent, const char* name, QRect pixels, const QString& accessible) {
  auto* picture = new QLabel(parent);
  picture->setObjectName(QString::fromLatin1(name));
  picture->setGeometry(pixels);
  picture->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  picture->setLineWidth(kPictureBorderPx);
  picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  picture->setFocusPolicy(Qt::StrongFocus);
  picture->setAccessibleName(accessible);
  return picture;
}

QPoint CentredTopLeft(QRect frame, QRect available) {
  frame.moveCenter(available.center());
  return frame.topLeft();
}

void CentreOnScreen(QWidget* window) {
  QScreen* screen = window->screen();
  if (!screen) return;
  window->move(CentredTopLeft(window->frameGeometry(), screen->availableGeometry()));
}

}  // namespace morvane
