#include "byte_text_document.h"

#include <algorithm>
#include <utility>

namespace quorix {

ByteTextDocument::ByteTextDocument(QObject* parent) : QObject(parent) {}

ByteTextDocument::~ByteTextDocument() = default;

QString ByteTextDocument::normalized(const QString& text) {
  const auto needs = [](QChar c) {
    const char16_t u = c.unicode();
    return u == u'\r' || u == 0x2028 || u == 0x2029 || u == 0x00A0;
  };
  if (std::none_of(text.cbegin(), text.cend(), needs)) return text;
  QString out;
  out.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text.at(i).unicode();
    if (u == u'\r') {
      out.append(u'\n');
      if (i + 1 < text.size() && text.at(i + 1) == u'\n') ++i;
    } else if (u == 0x2028 || u == 0x2029) {
      out.append(u'\n');
    } else if (u == 0x00A0) {
      out.append(u' ');
    } else {
      out.append(QChar{u});
    }
  }
  return out;
}

void ByteTextDocument::resetText(const QString& text) {
  GapBuffer old;
  old.swap(text_);
  history_.clear();
  text_.assign(text);
  removedBuffer_ = &old;
  emit changed(0, old.size(), text_.size());
  removedBuffer_ = nullptr;
}

void ByteTextDocument::replace(int start, int end, const QString& text, EditKind kind, Caret before) {
  if (start == end && text.isEmpty()) return;
  QString removed = text_.mid(start, end - start);
  history_.record(start, removed, static_cast<int>(text.size()), kind, before);
  apply(start, end - start, text, removed);
}

std::optional<Caret> ByteTextDocument::undo() {
  if (!history_.canUndo()) return std::nullopt;
  EditStep& step = history_.stepToUndo();
  if (step.insertedLength > 0 && step.inserted.isEmpty()) step.inserted = text_.mid(step.pos, step.insertedLength);
  apply(step.pos, step.insertedLength, step.removed, step.inserted);
  return Caret{std::clamp(step.before.anchor, 0, length()), std::clamp(step.before.cursor, 0, length())};
}

std::optional<Caret> ByteTextDocument::redo() {
  if (!history_.canRedo()) return std::nullopt;
  EditStep& step = history_.stepToRedo();
  apply(step.pos, static_cast<int>(step.removed.size()), step.inserted, step.removed);
  step.inserted = QString();  // the text holds it again
  const int caret = step.pos + step.insertedLength;
  return Caret{caret, caret};
}

void ByteTextDocument::apply(int pos, int count, const QString& text, const QString& removed) {
  text_.remove(pos, count);
  text_.insert(pos, text);
  removedString_ = &removed;
  emit changed(pos, count, static_cast<int>(text.size()));
  removedString_ = nullptr;
}

QString ByteTextDocument::removedText() const {
  if (removedString_ != nullptr) return *removedString_;
  if (removedBuffer_ != nullptr) return removedBuffer_->mid(0, removedBuffer_->size());
  return {};
}

}  // namespace quorix
