#include "qt_files.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

namespace quorix {

std::optional<std::string> QtFiles::readFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray bytes = file.readAll();
  return bytes.toStdString();
}

std::optional<std::uintmax_t> QtFiles::fileLength(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  if (!info.exists()) return std::nullopt;
  return static_cast<std::uintmax_t>(info.size());
}

std::unique_ptr<LineWriter> QtFiles::replaceFile(const std::string& /*path*/) { return nullptr; }

}  // namespace quorix
