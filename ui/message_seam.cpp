#include "ui/message_seam.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QMessageBox>

namespace morvane {
namespace {
MessageSink& Sink() {
  static MessageSink sink;
  return sink;
}
}  // namespace

void SetMessageSink(MessageSink sink) { Sink() = std::move(sink); }

void ShowError(QWidget* parent, const QString& text) {
  const QString title = QStringLiteral("Error");
  if (Sink()) {
    Sink()(title, text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
  box.button(QMessageBox::Ok)->setIcon(QIcon());  // some desktop themes add one
  box.exec();
}

void RefuseInput(QWidget* parent, QLineEdit* box, const QString& text) {
  ShowError(parent, text);
  box->clear();
  box->setFocus();
}

}  // namespace morvane
