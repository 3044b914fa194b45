#include "settings/home_store.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace morvane {
namespace {
const QString kFileName = QStringLiteral("user.ini");
// The file is far smaller; anything larger is not ours and is not read whole.
constexpr qint64 kMaxFileBytes = 1 << 20;
}  // namespace

HomeStore HomeStore::ForThisProgram() {
  return Choose(QCoreApplication::applicationDirPath(),
                QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
}

HomeStore HomeStore::Choose(const QString& programDir, const QString& configDir) {
  const QFileInfo dir(programDir);
  if (dir.isDir() && dir.isWritable()) return HomeStore(QDir(programDir).filePath(kFileName));
  QDir().mkpath(configDir);
  return HomeStore(QDir(configDir).filePath(kFileName));
}

void HomeStore::Read(HomeTable& table) const {
  QFile file(path_);
  if (!file.open(QIODevice::ReadOnly)) return;
  const QByteArray bytes = file.read(kMaxFileBytes);
  ParseHomeFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), table);
}

std::optional<QString> HomeStore::Write(const HomeTable& table) const {
  const std::string bytes = FormatHomeFile(table);
  QSaveFile file(path_);
  if (!file.open(QIODevice::WriteOnly)) return file.errorString();
  if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
    const QString reason = file.errorString();
    file.cancelWriting();
    return reason;
  }
  if (!file.commit()) return file.errorString();
  return std::nullopt;
}

}  // namespace morvane
