#include "qt_files.h"

#include "input_file.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

namespace quorix {

namespace {

QString fromUtf8(const std::string& path) {
  return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

// Writes into a temporary file next to the target; QSaveFile renames it over
// the target on commit and removes it when destroyed uncommitted.
class SaveFileWriter final : public LineWriter {
 public:
  explicit SaveFileWriter(const QString& path) : file_(path) {}
  SaveFileWriter(const SaveFileWriter&) = delete;
  SaveFileWriter& operator=(const SaveFileWriter&) = delete;
  SaveFileWriter(SaveFileWriter&&) = delete;
  SaveFileWriter& operator=(SaveFileWriter&&) = delete;
  ~SaveFileWriter() override = default;

  bool open() { return file_.open(QIODevice::WriteOnly); }

  bool writeLine(std::string_view line) override {
    line_.clear();
    line_.append(line.data(), static_cast<qsizetype>(line.size()));
    line_.append("\r\n", 2);
    return file_.write(line_) == line_.size();
  }

  // A write that failed earlier makes the commit fail too.
  bool commit() override { return file_.commit(); }

 private:
  QSaveFile file_;
  QByteArray line_;
};

}  // namespace

FileContents QtFiles::readFile(const std::string& path) { return readInputFile(path); }

std::optional<std::uintmax_t> QtFiles::fileLength(const std::string& path) {
  const QFileInfo info(fromUtf8(path));
  if (!info.exists() || info.isDir()) return std::nullopt;
  return static_cast<std::uintmax_t>(info.size());
}

std::unique_ptr<LineWriter> QtFiles::replaceFile(const std::string& path) {
  if (path.empty()) return nullptr;
  const QString target = fromUtf8(path);
  // A directory cannot be replaced by a file.
  if (QFileInfo(target).isDir()) return nullptr;
  auto writer = std::make_unique<SaveFileWriter>(target);
  if (!writer->open()) return nullptr;
  return writer;
}

}  // namespace quorix
