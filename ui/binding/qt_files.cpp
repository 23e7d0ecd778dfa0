#include "binding/qt_files.h"

#include <QByteArray>
#include <QFileInfo>
#include <QSaveFile>
#include <QString>

#include "input_file.h"

namespace quorix::files {

namespace {

// Writes into a temporary file next to the target; QSaveFile renames it over
// the target on commit and removes it when destroyed uncommitted.
class SaveFileWriter final : public LineWriter {
 public:
  explicit SaveFileWriter(const QString& path) : file_(path) {}
  Q_DISABLE_COPY_MOVE(SaveFileWriter)
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

FileContents readFile(const std::string& path) { return readInputFile(path); }

std::optional<std::uintmax_t> fileLength(const std::string& path) {
  const QFileInfo info(QString::fromStdString(path));
  if (!info.exists() || info.isDir()) return std::nullopt;
  return static_cast<std::uintmax_t>(info.size());
}

std::unique_ptr<LineWriter> replaceFile(const std::string& path) {
  if (path.empty()) return nullptr;
  const QString target = QString::fromStdString(path);
  // A directory cannot be replaced by a file.
  if (QFileInfo(target).isDir()) return nullptr;
  auto writer = std::make_unique<SaveFileWriter>(target);
  if (!writer->open()) return nullptr;
  return writer;
}

}  // namespace quorix::files
