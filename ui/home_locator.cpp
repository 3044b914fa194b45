// The stored home locator as the main window uses it: load step, "Save my QRA
// Locator" and "Always use my QRA locator as base".
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/frmMain.h"
#include "ui/message_seam.h"

namespace morvane {
namespace {

// user.ini is single-byte text, as written on Windows.
std::string ToFileText(const QString& s) { return s.toLatin1().toStdString(); }
std::string TruthText(bool value) { return value ? "True" : "False"; }

}  // namespace

void frmMain::readHomeFileIntoBase() {
  store_.Read(home_);
  txtlocator1->setText(storedLocator());
}

QString frmMain::storedLocator() const {
  const std::string& slot = home_[kHomeLocatorSlot];
  return QString::fromLatin1(slot.data(), static_cast<qsizetype>(slot.size()));
}

void frmMain::Form_Load() {
  readHomeFileIntoBase();
  Check1->setChecked(true);  // ticked already: its handler does not run
  repaint();
}

void frmMain::Command5_Click() {
  // Slots 1..9; slots 4 and 8 are the hemisphere options, not boxes.
  const QLineEdit* const boxes[kHomeSlots] = {txtlatdeg, txtlatmin, txtlatsec, nullptr, txtlondeg,
                                              txtlonmin, txtlonsec, nullptr, txtresultloc};
  HomeTable table;
  for (std::size_t i = 0; i < kHomeSlots; ++i)
    if (boxes[i]) table[i] = ToFileText(boxes[i]->text());
  table[3] = TruthText(optlatnord->isChecked());
  table[7] = TruthText(optlonest->isChecked());
  if (const auto slot = FirstUnstorableSlot(table)) {
    ShowError(this, QStringLiteral("The %1 box holds a double quote (\"), which cannot be saved. "
                                   "Nothing was saved.")
                        .arg(boxes[*slot]->accessibleName()));
    return;
  }
  if (const auto failure = store_.Write(table)) {
    ShowError(this, QStringLiteral("My QRA Locator could not be saved to %1: %2")
                        .arg(store_.path(), *failure));
    return;
  }
  home_ = table;  // the table holds what the file now holds
}

void frmMain::Check1_Click() {
  if (Check1->isChecked()) {
    readHomeFileIntoBase();
    repaint();
  } else {
    txtlocator1->clear();
  }
}

}  // namespace morvane
