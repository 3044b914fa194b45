// Every message box of the program goes through here, so that tests can see
// the text and title without a modal loop blocking them.
#pragma once

#include <QString>
#include <functional>

class QLineEdit;
class QWidget;

namespace morvane {

// Receives a message instead of the modal box. Returns after the "user" has
// pressed OK.
using MessageSink = std::function<void(const QString& title, const QString& text)>;

// Installs a sink (tests); an empty sink restores the real message box.
void SetMessageSink(MessageSink sink);

// A modal box titled "Error", the text, an OK button only and no icon.
void ShowError(QWidget* parent, const QString& text);

// How every page refuses an input: the message, then, once it is closed,
// the offending box emptied and given the focus.
void RefuseInput(QWidget* parent, QLineEdit* box, const QString& text);

}  // namespace morvane
