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
#include "messages.h"
#include "output_file.h"
#include "save_command.h"

namespace quorix::cli {

namespace {

// Text1 grows in pieces of this size. Only the pages written count as
// memory in use, so a large piece costs no more than a small one.
constexpr std::size_t kTextChunk = std::size_t{64} << 20;
constexpr std::size_t kSmallText = std::size_t{2} << 20;
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
    buffer_.append(line).append(kRecordLineEnd);
    return true;
  }

  bool commit() override {
    // A run that has failed keeps nothing; the commit counts as done so that
    // no second message follows the one that made the run fail.
    if (ui_.failed()) return true;
    if (isStandardStream(path_)) return done(writeAll(STDOUT_FILENO, buffer_));
    const int fd = ::open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return done(false);
    const bool written = done(writeAll(fd, buffer_));
    return done(::close(fd) == 0) && written;
  }

  [[nodiscard]] std::string failure() const override { return failure_; }

 private:
  bool done(bool succeeded) {
    if (!succeeded && failure_.empty()) failure_ = saveFailureReason(errno);
    return succeeded;
  }

  const ConsoleServices& ui_;
  std::string path_;
  std::string buffer_;
  std::string failure_;
};

// A regular file (or a new one), replaced whole on commit, unless the run has
// failed: then the old file stays, as after BufferedWriter.
class ReplacingWriter final : public LineWriter {
 public:
  ReplacingWriter(const ConsoleServices& ui, std::unique_ptr<OutputFile> file) : ui_(ui), file_(std::move(file)) {}
  bool writeLine(std::string_view line) override { return file_->writeLine(line); }
  bool commit() override { return ui_.failed() || file_->commit(); }
  [[nodiscard]] std::string failure() const override { return file_->failure(); }

 private:
  const ConsoleServices& ui_;
  std::unique_ptr<OutputFile> file_;
};

// A target that is written into rather than replaced: one that exists and is
// neither a regular file nor a folder.
bool writtenInto(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode);
}

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
  // A failed save concerns the output; every other message the input.
  const bool aboutOutput = prompt.starts_with(kSaveFailedPrompt);
  const std::string& name = aboutOutput ? output_ : inputName_;
  // The reason on the second line of a message follows the first on one line.
  std::string text(prompt);
  if (const std::size_t end = text.find('\n'); end != std::string::npos) text.replace(end, 1, "：");
  std::string line;
  line.append(kProgram).append(": ").append(aboutOutput && isStandardStream(name) ? "standard output" : name);
  line.append(": ").append(text).push_back('\n');
  writeAll(errorFd_, line);
  return Answer::Ok;
}

FileContents ConsoleServices::readFile(const std::string& path) {
  if (preloaded_ && path == inputName_) {
    FileContents contents = std::move(*preloaded_);
    preloaded_.reset();
    return contents;
  }
  return readNamedInput(path);
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
  // Records take no more characters than the byte text they come from, but
  // for short blocks and the end-of-file record.
  std::size_t expectedSize = kEndOfFileRecord.size() + kRecordLineEnd.size();
  for (const std::string& chunk : byteText_) expectedSize += chunk.size();
  // A device or a pipe is written into.
  if (isStandardStream(file) || writtenInto(file)) return std::make_unique<BufferedWriter>(*this, file, expectedSize);
  OutputFile::Started started = OutputFile::start(file);
  if (!started.file) {
    startFailure_.note(file, std::move(started.reason));
    return nullptr;
  }
  return std::make_unique<ReplacingWriter>(*this, std::move(started.file));
}

std::string ConsoleServices::replaceRefusal(const std::string& path) {
  const std::string file = target(path);
  if (std::optional<std::string> reason = startFailure_.take(file)) return *std::move(reason);
  if (isStandardStream(file)) return {};
  if (writtenInto(file)) {
    return ::faccessat(AT_FDCWD, file.c_str(), W_OK, AT_EACCESS) == 0 ? std::string() : saveFailureReason(errno);
  }
  return outputRefusal(file);
}

bool ConsoleServices::saveByteText(const std::function<void(const TextSink&)>& produce) {
  const auto refuse = [this](std::string_view reason) {
    messageBox(withReason(kSaveFailedPrompt, reason), Buttons::Ok, kFileErrorTitle);
    return false;
  };
  if (writtenInto(output_)) {
    const int fd = ::open(output_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return refuse(saveFailureReason(errno));
    bool written = true;
    int error = 0;
    produce([&](std::string_view slice) {
      if (written && !writeAll(fd, slice)) {
        written = false;
        error = errno;
      }
    });
    if (::close(fd) != 0 || !written) return refuse(saveFailureReason(written ? errno : error));
    return true;
  }
  const OutputFile::Started started = OutputFile::start(output_);
  if (!started.file) return refuse(started.reason);
  bool appended = true;
  produce([&](std::string_view slice) { appended = appended && started.file->append(slice); });
  if (!appended) return refuse(started.file->failure());
  return started.file->commit() || refuse(started.file->failure());
}

}  // namespace quorix::cli
