// The window services bound to the main window's Qt widgets.
#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "binding/dialogs.h"
#include "output_file.h"
#include "services.h"

class QLineEdit;
class QWidget;

namespace quorix {

class ByteTextField;
class FloatProgressBar;

class QtServices final : public WindowServices {
 public:
  struct Widgets {
    ByteTextField* text1;
    QLineEdit* text2;
    QLineEdit* text3;
    QLineEdit* text5;
    FloatProgressBar* bar1;
    QWidget* window;  // parent of the dialogs and message boxes
  };

  explicit QtServices(const Widgets& widgets);
  ~QtServices() override;
  Q_DISABLE_COPY_MOVE(QtServices)

  void setFileDialogs(std::unique_ptr<FileDialogs> dialogs);
  void setMessageBoxes(std::unique_ptr<MessageBoxes> boxes);

  // Hands collected Text1 changes to the widget and brings Bar1 up to date.
  void flush();

  // What the commands have done so far, for the window to tell how one ended.
  struct Tally {
    std::uint64_t committedFiles = 0;  // files put in place whole
    std::uint64_t notices = 0;         // message boxes with OK alone: failures and warnings
  };
  [[nodiscard]] Tally tally() const { return tally_; }

  // Where a new Text1 text shows its caret: behind the text appended to it,
  // as the appends leave it, or at the start with the first row in view, as a
  // file read should be seen.
  enum class NewText { CaretBehindAppends, ShowFromStart };

  // Wraps one command: whatever the command leaves collected is shown when it ends.
  class CommandScope {
   public:
    explicit CommandScope(QtServices& services, NewText newText = NewText::CaretBehindAppends) : services_(services) {
      services_.newText_ = newText;
    }
    ~CommandScope() {
      services_.flush();
      services_.newText_ = NewText::CaretBehindAppends;
    }
    Q_DISABLE_COPY_MOVE(CommandScope)

   private:
    QtServices& services_;
  };

  [[nodiscard]] std::string text(Field field) override;
  void setText(Field field, std::string_view text) override;
  void setSelText(std::string_view text) override;

  void setBarMax(float max) override;
  void setBarValue(float value) override;

  void setFilter(std::string_view filter) override;
  [[nodiscard]] DialogOutcome showOpen() override;
  [[nodiscard]] DialogOutcome showSave() override;
  [[nodiscard]] std::string fileName() override;
  void setFileName(std::string_view path) override;

  Answer messageBox(std::string_view prompt, Buttons buttons, std::optional<std::string_view> title) override;

  [[nodiscard]] FileContents readFile(const std::string& path) override;
  [[nodiscard]] std::optional<std::uintmax_t> fileLength(const std::string& path) override;
  [[nodiscard]] std::unique_ptr<LineWriter> replaceFile(const std::string& path) override;
  [[nodiscard]] std::string replaceRefusal(const std::string& path) override;

  void clearClipboard() override;
  void setClipboardText(std::string_view text) override;
  [[nodiscard]] std::string clipboardText() override;

 private:
  [[nodiscard]] QLineEdit* lineEdit(Field field) const;
  void flushText1();
  // Keeps the path a dialog ended with as the file name; nothing means cancelled.
  DialogOutcome remember(const std::optional<QString>& chosen);

  Widgets widgets_;
  std::unique_ptr<FileDialogs> fileDialogs_;
  std::unique_ptr<MessageBoxes> messageBoxes_;
  QString nameFilter_;
  std::string fileName_;
  StartFailure startFailure_;

  // Text1 changes not yet shown: a whole new text, if one was set, and the
  // text inserted at the caret since (the caret is at the start after a set,
  // so the field shows inserted + base).
  std::optional<QString> pendingBase_;
  QString pendingInserted_;
  NewText newText_ = NewText::CaretBehindAppends;
  Tally tally_;
};

}  // namespace quorix
