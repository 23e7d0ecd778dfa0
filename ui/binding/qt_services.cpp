#include "binding/qt_services.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <algorithm>
#include <utility>

#include "binding/progress_bar.h"
#include "binding/qt_files.h"
#include "input_file.h"
#include "messages.h"
#include "textfield/byte_text_field.h"

namespace quorix {

namespace {

// Text crosses the window services as UTF-8; the widgets hold QString.
QString toQString(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

// Appends without a temporary QString where the text is ASCII, as byte text is.
void appendUtf8(QString& to, std::string_view utf8) {
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80U; })) {
    to.append(QLatin1StringView(utf8.data(), static_cast<qsizetype>(utf8.size())));
  } else {
    to.append(toQString(utf8));
  }
}

// UTF-8 of `text`. Byte text is ASCII: it is copied a character at a time
// into one string reserved up front, without the QByteArray that
// toStdString() makes first; a 16 MiB image's text is 50 MB.
std::string toUtf8String(const QString& text) {
  std::string utf8;
  reserveLarge(utf8, static_cast<std::size_t>(text.size()));
  for (const QChar c : text) {
    if (c.unicode() >= 0x80U) return text.toStdString();
    utf8.push_back(static_cast<char>(c.unicode()));
  }
  return utf8;
}

// Counts the files put in place.
class CountingWriter final : public LineWriter {
 public:
  CountingWriter(std::unique_ptr<LineWriter> writer, std::uint64_t& committed)
      : writer_(std::move(writer)), committed_(committed) {}
  bool writeLine(std::string_view line) override { return writer_->writeLine(line); }
  [[nodiscard]] std::string failure() const override { return writer_->failure(); }
  bool commit() override {
    const bool done = writer_->commit();
    if (done) ++committed_;
    return done;
  }

 private:
  std::unique_ptr<LineWriter> writer_;
  std::uint64_t& committed_;
};

}  // namespace

QtServices::QtServices(const Widgets& widgets)
    : widgets_(widgets),
      fileDialogs_(std::make_unique<QtFileDialogs>()),
      messageBoxes_(std::make_unique<QtMessageBoxes>()) {}

QtServices::~QtServices() = default;

void QtServices::setFileDialogs(std::unique_ptr<FileDialogs> dialogs) { fileDialogs_ = std::move(dialogs); }

void QtServices::setMessageBoxes(std::unique_ptr<MessageBoxes> boxes) { messageBoxes_ = std::move(boxes); }

void QtServices::flush() {
  flushText1();
  widgets_.bar1->sync();
}

void QtServices::flushText1() {
  if (!pendingBase_ && pendingInserted_.isEmpty()) return;
  // Taken out before the field copies them: a whole image's byte text is
  // a hundred megabytes as UTF-16, and should not stay here twice.
  QString inserted = std::exchange(pendingInserted_, QString());
  const std::optional<QString> base = std::exchange(pendingBase_, std::nullopt);
  ByteTextField& field = *widgets_.text1;
  if (!base) {
    field.insertPlainText(inserted);
    return;
  }
  // A new text and what was appended to it become one undoable step: the
  // appends went in at the caret, which a new text puts at its start.
  const auto caret = static_cast<int>(inserted.size());
  field.setPlainText(base->isEmpty() ? std::move(inserted) : inserted + *base);
  if (newText_ == NewText::CaretBehindAppends) field.setCursorPosition(caret);
}

QLineEdit* QtServices::lineEdit(Field field) const {
  switch (field) {
    case Field::Text2:
      return widgets_.text2;
    case Field::Text3:
      return widgets_.text3;
    case Field::Text5:
      return widgets_.text5;
    case Field::Text1:
      break;
  }
  return nullptr;
}

std::string QtServices::text(Field field) {
  flushText1();
  if (field == Field::Text1) return toUtf8String(widgets_.text1->toPlainText());
  return lineEdit(field)->text().toStdString();
}

void QtServices::setText(Field field, std::string_view text) {
  if (field == Field::Text1) {
    // A new text supersedes whatever was collected before it.
    pendingBase_ = toQString(text);
    pendingInserted_.clear();
    return;
  }
  flushText1();
  QLineEdit* edit = lineEdit(field);
  edit->setText(toQString(text));
  edit->setCursorPosition(0);
}

void QtServices::setSelText(std::string_view text) { appendUtf8(pendingInserted_, text); }

void QtServices::setBarMax(float max) { widgets_.bar1->setBarMax(max); }

void QtServices::setBarValue(float value) { widgets_.bar1->setBarValue(value); }

// The program's one filter is "description(pattern)|pattern", and the
// description is the name filter Qt's dialogs want.
void QtServices::setFilter(std::string_view filter) { nameFilter_ = toQString(filter.substr(0, filter.find('|'))); }

DialogOutcome QtServices::remember(const std::optional<QString>& chosen) {
  if (!chosen) return DialogOutcome::Cancelled;
  fileName_ = chosen->toStdString();
  return DialogOutcome::Chosen;
}

DialogOutcome QtServices::showOpen() {
  flush();
  return remember(fileDialogs_->open(widgets_.window, toQString(fileName_), nameFilter_));
}

DialogOutcome QtServices::showSave() {
  flush();
  return remember(fileDialogs_->save(widgets_.window, toQString(fileName_), nameFilter_));
}

std::string QtServices::fileName() { return fileName_; }

void QtServices::setFileName(std::string_view path) { fileName_ = std::string(path); }

Answer QtServices::messageBox(std::string_view prompt, Buttons buttons, std::optional<std::string_view> title) {
  flush();
  if (buttons == Buttons::Ok) ++tally_.notices;
  return messageBoxes_->show(widgets_.window, toQString(prompt), buttons, toQString(title.value_or(kAppTitle)));
}

FileContents QtServices::readFile(const std::string& path) { return files::readFile(path); }

std::optional<std::uintmax_t> QtServices::fileLength(const std::string& path) { return files::fileLength(path); }

std::unique_ptr<LineWriter> QtServices::replaceFile(const std::string& path) {
  std::string reason;
  std::unique_ptr<LineWriter> file = files::replaceFile(path, reason);
  if (!file) {
    startFailure_.note(path, std::move(reason));
    return file;
  }
  return std::make_unique<CountingWriter>(std::move(file), tally_.committedFiles);
}

std::string QtServices::replaceRefusal(const std::string& path) {
  if (std::optional<std::string> reason = startFailure_.take(path)) return *std::move(reason);
  return files::replaceRefusal(path);
}

void QtServices::clearClipboard() {
  flushText1();
  QGuiApplication::clipboard()->clear();
}

void QtServices::setClipboardText(std::string_view text) {
  flushText1();
  QGuiApplication::clipboard()->setText(toQString(text));
}

std::string QtServices::clipboardText() {
  flushText1();
  return QGuiApplication::clipboard()->text().toStdString();
}

}  // namespace quorix
