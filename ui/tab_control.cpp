#include "ui/tab_control.h"

#include <QFrame>
#include <QTabBar>

#include "ui/controls.h"

namespace morvane {
namespace {

constexpr int kStripTwips = 520;
const int kStripPx = qRound(double(kStripTwips) / kTwipsPerPixel);

// Tabs that share the bar's width evenly and fill the strip's height.
class EvenTabBar : public QTabBar {
 public:
  using QTabBar::QTabBar;

 protected:
  QSize tabSizeHint(int index) const override {
    const int n = count() > 0 ? count() : 1;
    const int w = width() / n + (index == count() - 1 ? width() % n : 0);
    return {w, kStripPx};
  }
  QSize minimumTabSizeHint(int index) const override { return tabSizeHint(index); }
};

}  // namespace

TabControl::TabControl(QWidget* parent, const QStringList& captions, QRect geometry)
    : QWidget(parent) {
  setGeometry(geometry);
  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::StyledPanel | QFrame::Raised);
  panel->setGeometry(0, kStripPx - 1, width(), height() - kStripPx + 1);

  bar_ = new EvenTabBar(this);
  bar_->setDrawBase(false);
  bar_->setExpanding(true);
  bar_->setUsesScrollButtons(false);
  bar_->setGeometry(0, 0, width(), kStripPx);
  for (const QString& caption : captions) {
    bar_->addTab(caption);
    auto* page = new QWidget(this);
    page->setGeometry(0, kStripPx, width(), height() - kStripPx);
    page->setProperty("morvaneOrigin", QPoint(0, kStripPx));
    pages_.push_back(page);
  }
  bar_->setAccessibleName(QStringLiteral("Calculator pages"));
  setFocusProxy(bar_);
  connect(bar_, &QTabBar::currentChanged, this, &TabControl::showPage);
  showPage(0);
}

int TabControl::currentIndex() const { return bar_->currentIndex(); }

void TabControl::setCurrentIndex(int index) { bar_->setCurrentIndex(index); }

void TabControl::showPage(int index) {
  for (std::size_t i = 0; i < pages_.size(); ++i) pages_[i]->setVisible(int(i) == index);
}

}  // namespace morvane
