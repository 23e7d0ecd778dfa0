#include "console_services.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <utility>

#include "input_file.h"
#include "intel_hex.h"
#include "save_command.h"

namespace quorix::cli {

namespace {

// Pending output is written in pieces of this size.
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;
// Text1 grows in pieces of this size. Only the pages written count as
// memory in use, so a large piece costs no more than a small one.
constexpr std::size_t kTextChunk = std::size_t{64} << 20;
constexpr std::size_t kSmallText = std::size_t{2} << 20;
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kProgram = "quorix-cli";

bool isStandardStream(std::string_view path) { return path == kStandardStream; }

// Output that must not appear before the run has succeeded and cannot be
// replaced by renaming: standard output, or an existing target that is not a
// regular file (a terminal, a pipe, /dev/null). Kept whole and written on commit.
class BufferedWriter final : public LineWriter {
 public:
  // `expectedSize`: about what the records will take, to hold them without
  // growing.
  BufferedWriter(const ConsoleServices& ui, std::string path, std::size_t expectedSize)
      : ui_(ui), path_(std::move(path)) {
    reserveLarge(buffer_, expectedSize);
  }
  BufferedWriter(const BufferedWriter&) = delete;
  BufferedWriter& operator=(const BufferedWriter&) = delete;
  BufferedWriter(BufferedWriter&&) = delete;
  BufferedWriter& operator=(BufferedWriter&&) = delete;
  ~BufferedWriter() override = default;

  bool writeLine(std::string_view line) override {
    buffer_.append(line).append(kLineEnd);
    return true;
  }

  bool commit() override {
    // A run that has failed keeps nothing; the commit counts as done so that
    // no second message follows the one that made the run fail.
    if (ui_.failed()) return true;
    if (isStandardStream(path_)) return writeAll(STDOUT_FILENO, buffer_);
    const int fd = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    const bool written = writeAll(fd, buffer_);
    return ::close(fd) == 0 && written;
  }

 private:
  const ConsoleServices& ui_;
  std::string path_;
  std::string buffer_;
};

// A regular file (or a new one): written to a temporary file beside it, which
// takes its place by rename(2) on commit and is removed otherwise, so the old
// file survives any failure.
class ReplacingWriter final : public LineWriter {
 public:
  ReplacingWriter(const ConsoleServices& ui, std::string target, std::string temp, int fd, mode_t mode)
      : ui_(ui), target_(std::move(target)), temp_(std::move(temp)), fd_(fd), mode_(mode) {}
  ReplacingWriter(const ReplacingWriter&) = delete;
  ReplacingWriter& operator=(const ReplacingWriter&) = delete;
  ReplacingWriter(ReplacingWriter&&) = delete;
  ReplacingWriter& operator=(ReplacingWriter&&) = delete;
  ~ReplacingWriter() override {
    if (fd_ >= 0) ::close(fd_);
    if (!renamed_) ::unlink(temp_.c_str());
  }

  // Nullptr when no temporary file can be made beside `target`.
  static std::unique_ptr<LineWriter> start(const ConsoleServices& ui, const std::string& path) {
    std::string target = path;
    // Replacing a symbolic link replaces the file it points to, not the link.
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode)) {
      if (char* resolved = ::realpath(path.c_str(), nullptr)) {
        target = resolved;
        std::free(resolved);  // NOLINT(cppcoreguidelines-no-malloc): realpath's buffer
      }
    }
    // A new file gets the mode that creating it would give; an old one keeps its own.
    mode_t mode = 0;
    if (::stat(target.c_str(), &info) == 0) {
      mode = info.st_mode & 07777U;
    } else {
      const mode_t mask = ::umask(0);
      ::umask(mask);
      mode = 0666U & ~mask;
    }
    std::string temp = target + ".XXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return nullptr;
    return std::make_unique<ReplacingWriter>(ui, std::move(target), std::move(temp), fd, mode);
  }

  bool writeLine(std::string_view line) override {
    pending_.append(line).append(kLineEnd);
    return pending_.size() < kWriteChunk || flush();
  }

  bool commit() override {
    if (ui_.failed()) return true;  // as BufferedWriter::commit: nothing is kept
    if (!flush() || ::fchmod(fd_, mode_) != 0 || ::fsync(fd_) != 0) return false;
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 || ::rename(temp_.c_str(), target_.c_str()) != 0) return false;
    renamed_ = true;
    return true;
  }

 private:
  bool flush() {
    const bool written = writeAll(fd_, pending_);
    pending_.clear();
    return written;
  }

  const ConsoleServices& ui_;
  std::string target_;
  std::string temp_;
  int fd_;
  mode_t mode_;
  std::string pending_;
  bool renamed_ = false;
};

}  // namespace

bool writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    const ssize_t done = ::write(fd, data.data(), std::min<std::size_t>(data.size(), SSIZE_MAX));
    if (done < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

ConsoleServices::ConsoleServices(std::string inputName, int errorFd)
    : inputName_(std::move(inputName)), errorFd_(errorFd) {}

void ConsoleServices::preloadInput(FileContents contents) { preloaded_ = std::move(contents); }

void ConsoleServices::setByteText(std::string text) {
  byteText_.clear();
  byteText_.push_back(std::move(text));
}

bool ConsoleServices::writeByteText(int fd) const {
  return std::all_of(byteText_.begin(), byteText_.end(),
                     [fd](const std::string& chunk) { return writeAll(fd, chunk); });
}

void ConsoleServices::appendByteText(std::string_view text) {
  if (text.empty()) return;
  if (byteText_.empty() || byteText_.back().capacity() - byteText_.back().size() < text.size()) {
    std::string& chunk = byteText_.emplace_back();
    // Small texts keep small pages: a huge page is zeroed whole when first touched.
    reserveLarge(chunk, text.size() < kSmallText ? kSmallText : std::max(kTextChunk, text.size()));
  }
  byteText_.back().append(text);
}

std::string ConsoleServices::text(Field field) {
  if (field != Field::Text1) return fields_[field];
  std::size_t size = 0;
  for (const std::string& chunk : byteText_) size += chunk.size();
  std::string whole;
  reserveLarge(whole, size);  // one allocation: a byte text can be 50 MB
  for (const std::string& chunk : byteText_) whole.append(chunk);
  return whole;
}

void ConsoleServices::setText(Field field, std::string_view text) {
  if (field != Field::Text1) {
    fields_[field] = std::string(text);
    return;
  }
  byteText_.clear();
  appendByteText(text);
}

void ConsoleServices::setSelText(std::string_view text) { appendByteText(text); }

DialogOutcome ConsoleServices::showOpen() {
  fileName_ = inputName_;
  return DialogOutcome::Chosen;
}

DialogOutcome ConsoleServices::showSave() {
  fileName_ = output_;
  return DialogOutcome::Chosen;
}

Answer ConsoleServices::messageBox(std::string_view prompt, Buttons buttons,
                                   std::optional<std::string_view> /*title*/) {
  // A question (whether to overwrite a file) is answered yes, as cp does; every
  // other message makes the run fail.
  if (buttons == Buttons::OkCancel) return Answer::Ok;
  failed_ = true;
  std::string line;
  line.append(kProgram).append(": ").append(inputName_).append(": ").append(prompt).push_back('\n');
  writeAll(errorFd_, line);
  return Answer::Ok;
}

FileContents ConsoleServices::readFile(const std::string& path) {
  if (preloaded_ && path == inputName_) {
    FileContents contents = std::move(*preloaded_);
    preloaded_.reset();
    return contents;
  }
  return readInputFile(path);
}

std::string ConsoleServices::target(const std::string& path) const {
  return path != output_ && path == withHexExtension(output_) ? output_ : path;
}

std::optional<std::uintmax_t> ConsoleServices::fileLength(const std::string& path) {
  const std::string file = target(path);
  struct stat info {};
  if (isStandardStream(file) || ::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  return static_cast<std::uintmax_t>(info.st_size);
}

std::unique_ptr<LineWriter> ConsoleServices::replaceFile(const std::string& path) {
  const std::string file = target(path);
  if (file.empty()) return nullptr;
  // Records take no more characters than the byte text they come from, but
  // for short blocks and the end-of-file record.
  std::size_t expectedSize = kEndOfFileRecord.size() + kLineEnd.size();
  for (const std::string& chunk : byteText_) expectedSize += chunk.size();
  if (isStandardStream(file)) return std::make_unique<BufferedWriter>(*this, file, expectedSize);
  struct stat info {};
  if (::stat(file.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    // A directory cannot be replaced by a file; a device or a pipe is written into.
    if (S_ISDIR(info.st_mode)) return nullptr;
    return std::make_unique<BufferedWriter>(*this, file, expectedSize);
  }
  return ReplacingWriter::start(*this, file);
}

}  // namespace quorix::cli
