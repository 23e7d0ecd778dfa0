// Writing a file that takes the place of another only once it is complete,
// without a toolkit: the window's file layer and the console converter share it.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "services.h"

namespace quorix {

// Why a file cannot be written at `path`, found before anything is written:
// an existing file the user may not write, a folder, something that is no
// regular file, a link that points to nothing, a missing folder or one the
// user may not write in. Empty when nothing that can be known stands in the
// way. A link counts as the file it points to.
[[nodiscard]] std::string outputRefusal(const std::string& path);

// The reason a save gives for the system's error number `error`.
[[nodiscard]] std::string saveFailureReason(int error);

// What the services keep of an output that could not be started, so that
// replaceRefusal asked after a failed replaceFile can say why.
class StartFailure {
 public:
  void note(std::string path, std::string reason) { failed_ = {std::move(path), std::move(reason)}; }
  // The reason noted for `path`, once; nothing when none was.
  [[nodiscard]] std::optional<std::string> take(const std::string& path) {
    if (!failed_ || failed_->first != path) return std::nullopt;
    return std::exchange(failed_, std::nullopt)->second;
  }

 private:
  std::optional<std::pair<std::string, std::string>> failed_;
};

// A new file written beside its target, which replaces the target by a rename
// on commit(): until then, and for good when it is dropped uncommitted or the
// commit fails, the target stays as it was. The new file keeps the old one's
// mode, and its owner and group where the process may set them; a link keeps
// pointing where it pointed, and the file it points to is replaced.
//
// The new file has no name until the commit (Linux O_TMPFILE), so nothing is
// left behind whenever the program ends. Where the folder's file system cannot
// make one, it is a named file "TARGET.XXXXXX" that SIGINT, SIGTERM and SIGHUP
// remove; only a kill that cannot be caught leaves that one behind. The link
// and the rename run with those signals blocked.
class OutputFile final : public LineWriter {
 public:
  enum class Temporary {
    Unnamed,  // unnamed where the file system allows it, else named
    Named,    // always named, as on a file system without unnamed files
  };

  struct Started {
    std::unique_ptr<OutputFile> file;  // nullptr when the file could not be started
    std::string reason;                // then why, in the user's words
  };
  [[nodiscard]] static Started start(const std::string& path, Temporary temporary = Temporary::Unnamed);

  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  OutputFile(OutputFile&&) = delete;
  OutputFile& operator=(OutputFile&&) = delete;
  ~OutputFile() override;

  // Appends `bytes` as they are. False when a write failed; the file is then
  // never committed.
  bool append(std::string_view bytes);
  // Appends `line` and the record line end.
  bool writeLine(std::string_view line) override;
  bool commit() override;
  [[nodiscard]] std::string failure() const override { return failure_; }

 private:
  OutputFile(std::string target, std::string temporary, int fd);
  bool fail(int error);
  bool writeOut(std::string_view data);
  bool flush();
  bool linkAndRename();

  std::string target_;
  std::string temporary_;  // the named file, or empty while the file has no name
  int fd_;
  std::string pending_;
  std::string failure_;
  bool failed_ = false;
};

}  // namespace quorix
