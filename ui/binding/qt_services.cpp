#include "qt_services.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>

#include "messages.h"
#include "progress_bar.h"
#include "qt_files.h"

namespace quorix {

namespace {

QString toQString(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

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
  if (pendingBase_) {
    if (pendingBase_->empty()) {
      widgets_.text1->setText(toQString(pendingInserted_),
                              pendingInserted_.empty() ? Text1Access::Caret::Start : Text1Access::Caret::End);
    } else {
      widgets_.text1->setText(toQString(*pendingBase_), Text1Access::Caret::Start);
      if (!pendingInserted_.empty()) widgets_.text1->replaceSelection(toQString(pendingInserted_));
    }
  } else if (!pendingInserted_.empty()) {
    widgets_.text1->replaceSelection(toQString(pendingInserted_));
  }
  pendingBase_.reset();
  pendingInserted_.clear();
  // Hand back the memory of a big read rather than keep it for the next one.
  pendingInserted_.shrink_to_fit();
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
  if (field == Field::Text1) return widgets_.text1->text().toStdString();
  return lineEdit(field)->text().toStdString();
}

void QtServices::setText(Field field, std::string_view text) {
  if (field == Field::Text1) {
    // A new text supersedes whatever was collected before it.
    pendingBase_ = std::string(text);
    pendingInserted_.clear();
    return;
  }
  flushText1();
  QLineEdit* edit = lineEdit(field);
  edit->setText(toQString(text));
  edit->setCursorPosition(0);
}

void QtServices::setSelText(std::string_view text) { pendingInserted_.append(text); }

void QtServices::setBarMax(float max) { widgets_.bar1->setBarMax(max); }

void QtServices::setBarValue(float value) { widgets_.bar1->setBarValue(value); }

void QtServices::setFilter(std::string_view filter) { nameFilters_ = toQtNameFilters(filter); }

DialogOutcome QtServices::remember(const std::optional<QString>& chosen) {
  if (!chosen) return DialogOutcome::Cancelled;
  fileName_ = chosen->toStdString();
  return DialogOutcome::Chosen;
}

DialogOutcome QtServices::showOpen() {
  flush();
  return remember(fileDialogs_->open(widgets_.window, toQString(fileName_), nameFilters_));
}

DialogOutcome QtServices::showSave() {
  flush();
  return remember(fileDialogs_->save(widgets_.window, toQString(fileName_), nameFilters_));
}

std::string QtServices::fileName() { return fileName_; }

void QtServices::setFileName(std::string_view path) { fileName_ = std::string(path); }

Answer QtServices::messageBox(std::string_view prompt, Buttons buttons, std::optional<std::string_view> title) {
  flush();
  return messageBoxes_->show(widgets_.window, toQString(prompt), buttons, toQString(title.value_or(kAppTitle)));
}

FileContents QtServices::readFile(const std::string& path) { return QtFiles::readFile(path); }

std::optional<std::uintmax_t> QtServices::fileLength(const std::string& path) { return QtFiles::fileLength(path); }

std::unique_ptr<LineWriter> QtServices::replaceFile(const std::string& path) { return QtFiles::replaceFile(path); }

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
