// What the conversions need from the window and the file system. The commands
// are written against this interface only; ui/ binds it to Qt, the tests to a
// recording fake.
//
// Every string is UTF-8: field texts, prompts and titles. File paths are the
// system's bytes, as the command line and the file system give them.
// Operations that can fail say so in their result; nothing is thrown.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace quorix {

// The text fields that the commands read and write.
enum class Field {
  Text1,  // the byte text
  Text2,  // the record whose checksum is wanted
  Text3,  // the checksum
  Text5,  // the start address of saved data
};

// How a file dialog ended.
enum class DialogOutcome {
  Chosen,     // the user chose a file; fileName() holds it
  Cancelled,  // the user cancelled
  Failed,     // the dialog could not be shown; fileName() is unchanged
};

enum class Buttons { Ok, OkCancel };
enum class Answer { Ok = 1, Cancel = 2 };

// A file being written line by line. Nothing reaches the target path until
// commit() succeeds; a writer destroyed before that leaves the target as it was.
class LineWriter {
 public:
  LineWriter() = default;
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;
  LineWriter(LineWriter&&) = delete;
  LineWriter& operator=(LineWriter&&) = delete;
  virtual ~LineWriter() = default;

  // Writes `line` followed by CR LF. False when the write failed.
  virtual bool writeLine(std::string_view line) = 0;
  // Puts the complete file in place of the target. False when that failed;
  // the target is then untouched.
  virtual bool commit() = 0;
  // Why the last writeLine or commit failed, in the user's words; empty when
  // that is not known.
  [[nodiscard]] virtual std::string failure() const { return {}; }
};

// What reading a whole file gave.
struct FileContents {
  enum class Status {
    Read,        // `bytes` holds every byte of the file
    Unreadable,  // missing, not a regular file, or a read failed
    TooLarge,    // larger than the reader takes; nothing was read
  };
  Status status = Status::Unreadable;
  std::string bytes;
  // Why an Unreadable file was not read, in the user's words (the missing
  // file, the permission, the kind of file); empty when that is not known.
  std::string reason{};
};

class WindowServices {
 public:
  WindowServices() = default;
  WindowServices(const WindowServices&) = delete;
  WindowServices& operator=(const WindowServices&) = delete;
  WindowServices(WindowServices&&) = delete;
  WindowServices& operator=(WindowServices&&) = delete;
  virtual ~WindowServices() = default;

  // Text fields. setText replaces the whole contents and leaves the caret at
  // the start with nothing selected. setSelText replaces the selection of
  // Text1 and leaves the caret behind the new text, so calls after
  // setText(Field::Text1, "") append in order.
  [[nodiscard]] virtual std::string text(Field field) = 0;
  virtual void setText(Field field, std::string_view text) = 0;
  virtual void setSelText(std::string_view text) = 0;

  // The progress bar Bar1; its minimum is 0. A value above the maximum is
  // accepted and shown as a full bar.
  virtual void setBarMax(float max) = 0;
  virtual void setBarValue(float value) = 0;

  // The file dialog shared by the open and save commands. The filter is one
  // description and one pattern joined by '|'. The file name is the full path
  // of the last choice and presets the next dialog.
  virtual void setFilter(std::string_view filter) = 0;
  [[nodiscard]] virtual DialogOutcome showOpen() = 0;
  [[nodiscard]] virtual DialogOutcome showSave() = 0;
  [[nodiscard]] virtual std::string fileName() = 0;
  virtual void setFileName(std::string_view path) = 0;

  // A modal message box. Without a title it carries the application's title.
  virtual Answer messageBox(std::string_view prompt, Buttons buttons,
                            std::optional<std::string_view> title = std::nullopt) = 0;

  // Files. readFile gives every byte of a regular file, or says why not; the
  // file is closed either way. fileLength gives nothing
  // for a missing or unreadable file. replaceFile starts a new file that
  // replaces `path` on commit; nullptr when it cannot even be started.
  // replaceRefusal says why replaceFile(path) would be refused, before anything
  // is written (an existing file the user may not write, a folder, a link to
  // nothing, a missing folder), or why its last start failed; empty when
  // nothing stands in the way that can be known.
  [[nodiscard]] virtual FileContents readFile(const std::string& path) = 0;
  [[nodiscard]] virtual std::optional<std::uintmax_t> fileLength(const std::string& path) = 0;
  [[nodiscard]] virtual std::unique_ptr<LineWriter> replaceFile(const std::string& path) = 0;
  [[nodiscard]] virtual std::string replaceRefusal(const std::string& /*path*/) { return {}; }

  // The system clipboard, plain text only. clipboardText is empty when the
  // clipboard holds no text.
  virtual void clearClipboard() = 0;
  virtual void setClipboardText(std::string_view text) = 0;
  [[nodiscard]] virtual std::string clipboardText() = 0;
};

}  // namespace quorix
