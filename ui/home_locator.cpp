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

void frmMain::readHomeFile() { store_.Read(home_); }

QString frmMain::storedLocator() const {
  const std::string& slot = home_[kHomeLocatorSlot];
  return QString::fromLatin1(slot.data(), static_cast<qsizetype>(slot.size()));
}

void frmMain::Form_Load() {
  readHomeFile();
  txtlocator1->setText(storedLocator());
  Check1->setChecked(true);  // ticked already: its handler does not run
  repaint();
}

void frmMain::Command5_Click() {
  const HomeTable table = {
      ToFileText(txtlatdeg->text()), ToFileText(txtlatmin->text()), ToFileText(txtlatsec->text()),
      TruthText(optlatnord->isChecked()),
      ToFileText(txtlondeg->text()), ToFileText(txtlonmin->text()), ToFileText(txtlonsec->text()),
      TruthText(optlonest->isChecked()),
      ToFileText(txtresultloc->text()),
  };
  if (const auto slot = FirstUnstorableSlot(table)) {
    const QLineEdit* boxes[] = {txtlatdeg, txtlatmin, txtlatsec, nullptr, txtlondeg,
                                txtlonmin, txtlonsec, nullptr, txtresultloc};
    const QLineEdit* box = boxes[*slot];
    ShowError(this, QStringLiteral("The %1 box holds a double quote (\"), which cannot be saved. "
                                   "Nothing was saved.")
                        .arg(box ? box->accessibleName() : QString()));
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
    readHomeFile();
    txtlocator1->setText(storedLocator());
    repaint();
  } else {
    txtlocator1->clear();
  }
}

}  // namespace morvane
