// A tab control whose pages are placed from the control's own top-left
// corner, tab strip included, as the main window's layout is drawn: three
// tabs in one row sharing the width, a strip 520 twips high, one page shown
// at a time.
#pragma once

#include <QStringList>
#include <QWidget>
#include <vector>

class QTabBar;

namespace morvane {

class TabControl : public QWidget {
  Q_OBJECT
 public:
  TabControl(QWidget* parent, const QStringList& captions, QRect geometry);

  // The page widget; controls built on it use the tab control's coordinates.
  QWidget* page(int index) const { return pages_.at(static_cast<std::size_t>(index)); }
  int currentIndex() const;
  void setCurrentIndex(int index);
  QTabBar* tabBar() const { return bar_; }

 private:
  void showPage(int index);
  QTabBar* bar_;
  std::vector<QWidget*> pages_;
};

}  // namespace morvane
