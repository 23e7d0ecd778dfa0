#include "binding/qt_files.h"

#include "input_file.h"
#include "output_file.h"

namespace quorix::files {

FileContents readFile(const std::string& path) { return readInputFile(path); }

std::optional<std::uintmax_t> fileLength(const std::string& path) { return existingFileLength(path); }

std::unique_ptr<LineWriter> replaceFile(const std::string& path, std::string& reason) {
  OutputFile::Started started = OutputFile::start(path);
  reason = std::move(started.reason);
  return std::move(started.file);
}

std::string replaceRefusal(const std::string& path) { return outputRefusal(path); }

}  // namespace quorix::files
