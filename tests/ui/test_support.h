// Shared by the window tests: a recorder on the message seam, a user.ini in a
// temporary directory, and a loaded main window.
#pragma once

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "ui/frmMain.h"
#include "ui/message_seam.h"
#include "ui/tab_control.h"

namespace morvane::testing {

struct Message {
  QString title;
  QString text;
};

// Records every message box instead of showing it.
class MessageRecorder {
 public:
  MessageRecorder() {
    SetMessageSink([this](const QString& title, const QString& text) {
      messages.push_back({title, text});
    });
  }
  ~MessageRecorder() { SetMessageSink({}); }
  QStringList texts() const {
    QStringList out;
    for (const Message& m : messages) out << m.text;
    return out;
  }
  std::vector<Message> messages;
};

// A directory of its own for user.ini.
class TempHome {
 public:
  TempHome() { QVERIFY2(dir.isValid(), "temporary directory"); }
  QString path() const { return dir.filePath(QStringLiteral("user.ini")); }
  void write(const QByteArray& bytes) const {
    QFile f(path());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray read() const {
    QFile f(path());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  QTemporaryDir dir;
};

// Nine lines as the program writes them, with the locator in line 9.
inline QByteArray HomeFileWith(const QByteArray& locator) {
  return "48\r\n51\r\n0\r\nTrue\r\n2\r\n21\r\n0\r\nTrue\r\n" + locator + "\r\n";
}

// A main window on the given user.ini, loaded as start-up loads it, shown
// and active so that focus can be checked.
inline std::unique_ptr<frmMain> LoadedMainWindow(const QString& homePath) {
  auto w = std::make_unique<frmMain>(HomeStore(homePath.toStdString()));
  w->setAttribute(Qt::WA_DeleteOnClose, false);  // the test owns it
  w->Form_Load();
  w->show();
  w->activateWindow();
  if (!QTest::qWaitForWindowActive(w.get())) qWarning("main window not active");
  return w;
}

// A page test's world: its own user.ini, a loaded main window, and the
// messages it shows.
struct PageWorld {
  explicit PageWorld(const QByteArray& homeFile = QByteArray()) {
    if (!homeFile.isNull()) home.write(homeFile);
    window = LoadedMainWindow(home.path());
  }
  TempHome home;
  std::unique_ptr<frmMain> window;
  MessageRecorder messages;
};

inline void Type(QLineEdit* box, const QString& text) { box->setText(text); }

}  // namespace morvane::testing
