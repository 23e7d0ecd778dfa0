#include "byte_text_document.h"

#include <algorithm>
#include <utility>

namespace quorix {

ByteTextDocument::ByteTextDocument(QObject* parent) : QObject(parent) {}

ByteTextDocument::~ByteTextDocument() = default;

QString ByteTextDocument::normalized(QString text) {
  const auto needs = [](QChar c) {
    const char16_t u = c.unicode();
    return u == u'\r' || u == 0x2028 || u == 0x2029 || u == 0x00A0;
  };
  const auto first = std::find_if(text.cbegin(), text.cend(), needs);
  if (first == text.cend()) return text;
  // In place: the result is never longer, and a whole new text is not copied once more.
  const qsizetype n = text.size();
  qsizetype out = first - text.cbegin();
  QChar* d = text.data();
  for (qsizetype i = out; i < n; ++i) {
    const char16_t u = d[i].unicode();
    if (u == u'\r') {
      d[out++] = u'\n';
      if (i + 1 < n && d[i + 1] == u'\n') ++i;
    } else if (u == 0x2028 || u == 0x2029) {
      d[out++] = u'\n';
    } else if (u == 0x00A0) {
      d[out++] = u' ';
    } else {
      d[out++] = d[i];
    }
  }
  text.resize(out);
  return text;
}

void ByteTextDocument::setText(QString text, Caret before) {
  if (text.isEmpty() && text_.size() == 0) return;
  GapBuffer former;
  former.swap(text_);
  text_.assign(std::move(text));
  removedBuffer_ = &former;
  emit changed(0, former.size(), text_.size());
  removedBuffer_ = nullptr;
  history_.recordWholeText(std::move(former), before);
}

void ByteTextDocument::replace(int start, int end, const QString& text, EditKind kind, Caret before) {
  if (start == end && text.isEmpty()) return;
  QString removed = text_.mid(start, end - start);
  history_.record(start, removed, static_cast<int>(text.size()), kind, before);
  apply(start, end - start, text, removed);
}

int ByteTextDocument::moveText(int start, int end, int to, Caret before) {
  const QString moved = text_.mid(start, end - start);
  replace(start, end, QString(), EditKind::Other, before);
  const int dest = to > start ? to - (end - start) : to;
  replace(dest, dest, moved, EditKind::Other, before);
  history_.joinLast();
  return dest;
}

std::optional<Caret> ByteTextDocument::undo() {
  std::optional<Caret> caret = undoOne();
  while (caret && history_.nextRedoIsJoined()) caret = undoOne();
  return caret;
}

std::optional<Caret> ByteTextDocument::redo() {
  std::optional<Caret> caret = redoOne();
  while (caret && history_.nextRedoIsJoined()) caret = redoOne();
  return caret;
}

std::optional<Caret> ByteTextDocument::undoOne() {
  if (!history_.canUndo()) return std::nullopt;
  EditStep& step = history_.stepToUndo();
  if (step.kind == EditKind::WholeText) {
    exchangeWholeText(step.whole);
  } else {
    if (step.insertedLength > 0 && step.inserted.isEmpty()) step.inserted = text_.mid(step.pos, step.insertedLength);
    apply(step.pos, step.insertedLength, step.removed, step.inserted);
  }
  return Caret{std::clamp(step.before.anchor, 0, length()), std::clamp(step.before.cursor, 0, length())};
}

std::optional<Caret> ByteTextDocument::redoOne() {
  if (!history_.canRedo()) return std::nullopt;
  EditStep& step = history_.stepToRedo();
  if (step.kind == EditKind::WholeText) {
    exchangeWholeText(step.whole);
    return Caret{};  // where setting the text leaves it
  }
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

void ByteTextDocument::exchangeWholeText(GapBuffer& other) {
  text_.swap(other);
  removedBuffer_ = &other;
  emit changed(0, other.size(), text_.size());
  removedBuffer_ = nullptr;
}

QString ByteTextDocument::removedText() const {
  if (removedString_ != nullptr) return *removedString_;
  if (removedBuffer_ != nullptr) return removedBuffer_->mid(0, removedBuffer_->size());
  return {};
}

}  // namespace quorix
