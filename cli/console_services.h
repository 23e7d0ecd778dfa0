// The window services for a terminal: the same commands the window runs, with
// the dialogs answered from the command line, message boxes turned into error
// lines, and the results kept until the command has succeeded.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "messages.h"
#include "output_file.h"
#include "services.h"

namespace quorix::cli {

// The name that stands for standard input and standard output.
inline constexpr std::string_view kStandardStream = "-";

// Where byte text goes, a slice at a time.
using TextSink = std::function<void(std::string_view)>;

// Writes all of `data` to `fd`, retrying short writes. False on failure.
bool writeAll(int fd, std::string_view data);

class ConsoleServices final : public WindowServices {
 public:
  // `inputName` is what the open dialog answers and what every error line
  // names but those of a failed save, which name the output: a path, or "-"
  // for standard input.
  explicit ConsoleServices(std::string inputName, int errorFd = 2);

  // The bytes of standard input, read before the command runs: the reader
  // gets them when it reads the input's name.
  void preloadInput(FileContents contents);
  // Where the save command writes: a path taken exactly as given, or "-" for
  // standard output.
  void setOutput(std::string path) { output_ = std::move(path); }
  // The byte text without a copy: the text command's input may be large.
  void setByteText(std::string text);

  // Writes the byte text that `produce` hands to its sink, slice by slice, to
  // the output, a named file: a pipe or device is written in place, any other
  // file replaced all or nothing as the save command's are; a failure is
  // reported. False then.
  bool saveByteText(const std::function<void(const TextSink&)>& produce);

  // True once a message was shown: the run has failed and keeps nothing.
  [[nodiscard]] bool failed() const noexcept { return failed_; }

  [[nodiscard]] std::string text(Field field) override;
  void setText(Field field, std::string_view text) override;
  void setSelText(std::string_view text) override;

  void setBarMax(float /*max*/) override {}
  void setBarValue(float /*value*/) override {}

  void setFilter(std::string_view /*filter*/) override {}
  [[nodiscard]] DialogOutcome showOpen() override;
  [[nodiscard]] DialogOutcome showSave() override;
  [[nodiscard]] std::string fileName() override { return fileName_; }
  void setFileName(std::string_view path) override { fileName_ = std::string(path); }

  Answer messageBox(std::string_view prompt, Buttons buttons, std::optional<std::string_view> title) override;

  [[nodiscard]] FileContents readFile(const std::string& path) override;
  [[nodiscard]] std::optional<std::uintmax_t> fileLength(const std::string& path) override;
  [[nodiscard]] std::unique_ptr<LineWriter> replaceFile(const std::string& path) override;
  [[nodiscard]] std::string replaceRefusal(const std::string& path) override;

  // No clipboard in a terminal: the commands that use it are not offered.
  void clearClipboard() override {}
  void setClipboardText(std::string_view /*text*/) override {}
  [[nodiscard]] std::string clipboardText() override { return {}; }

 private:
  // The save command adds ".hex" to the name it is given; the output is
  // named exactly as on the command line, so that name maps back.
  [[nodiscard]] std::string target(const std::string& path) const;
  void appendByteText(std::string_view text);

  std::string inputName_;
  int errorFd_;
  std::optional<FileContents> preloaded_;
  std::string output_{kStandardStream};
  std::string fileName_;
  bool failed_ = false;
  StartFailure startFailure_;

  // Text1 in chunks: appending never copies what is already there, so a
  // large byte text costs its own size and no more.
  std::vector<std::string> byteText_;
  std::map<Field, std::string> fields_{{Field::Text5, std::string(kDefaultStartAddress)}};
};

}  // namespace quorix::cli
