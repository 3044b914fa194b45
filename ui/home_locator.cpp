// The stored home locator as the main window uses it: load step, "Save my QRA
// Locator" and "Always use my QRA locator as base".
#include <QCheckBox>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/frmMain.h"
#include "ui/message_seam.h"

namespace morvane {
namespace {

std::string TruthText(bool value) { return value ? "True" : "False"; }

// Where the first character lies that user.ini cannot hold: anything outside
// Latin-1 (the file is single-byte text; it would be stored as "?"), or what
// the format itself refuses. -1 when there is none.
qsizetype FirstUnstorableChar(const QString& text, const std::string& bytes) {
  qsizetype at = 0;
  while (at < text.size() && text[at].unicode() <= 0xff) ++at;
  // Up to there, characters and bytes stand at the same places.
  const std::size_t refused = UnstorableAt(bytes);
  if (refused != std::string::npos && static_cast<qsizetype>(refused) < at) at = static_cast<qsizetype>(refused);
  return at < text.size() ? at : -1;
}

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
  QLineEdit* const boxes[kHomeSlots] = {txtlatdeg, txtlatmin, txtlatsec, nullptr, txtlondeg,
                                              txtlonmin, txtlonsec, nullptr, txtresultloc};
  HomeTable table;
  for (std::size_t i = 0; i < kHomeSlots; ++i) {
    if (!boxes[i]) continue;
    const QString text = boxes[i]->text();
    std::string bytes = text.toLatin1().toStdString();  // user.ini is Latin-1 text
    if (const qsizetype at = FirstUnstorableChar(text, bytes); at >= 0) {
      const QString what = text[at] == QLatin1Char('"')
                               ? QStringLiteral("a double quote (\")")
                               : QStringLiteral("the character %1").arg(text.mid(at, 1));
      ShowError(this, QStringLiteral("The %1 box holds %2, which cannot be saved. Nothing was saved.")
                          .arg(boxes[i]->accessibleName(), what));
      // Focused with the character selected, as every other refusal points
      // at what to retype.
      boxes[i]->setFocus();
      boxes[i]->setSelection(static_cast<int>(at), 1);
      return;
    }
    table[i] = std::move(bytes);
  }
  table[3] = TruthText(optlatnord->isChecked());
  table[7] = TruthText(optlonest->isChecked());
  if (const auto failure = store_.Write(table)) {
    ShowError(this, QStringLiteral("My QRA Locator could not be saved to %1: %2")
                        .arg(QString::fromStdString(store_.savePath()),
                             QString::fromLocal8Bit(failure->c_str())));
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
