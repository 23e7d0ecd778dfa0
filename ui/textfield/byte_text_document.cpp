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
  const Availability was = availability();
  GapBuffer former;
  former.swap(text_);
  text_.assign(normalized(std::move(text)));
  removedBuffer_ = &former;
  emit changed(0, former.size(), text_.size());
  removedBuffer_ = nullptr;
  history_.recordWholeText(std::move(former), before);
  announce(was);
}

int ByteTextDocument::replace(int start, int end, const QString& text, EditKind kind, Caret before) {
  const QString normal = normalized(text);
  const int inserted = static_cast<int>(normal.size());
  if (start == end && inserted == 0) return end;
  const Availability was = availability();
  QString removed = text_.mid(start, end - start);
  history_.record(start, removed, inserted, kind, before);
  replaceText(start, end - start, normal, removed);
  announce(was);
  return start + inserted;
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
  const Availability was = availability();
  const std::optional<Caret> caret = history_.undo(*this);
  announce(was);
  return caret;
}

std::optional<Caret> ByteTextDocument::redo() {
  const Availability was = availability();
  const std::optional<Caret> caret = history_.redo(*this);
  announce(was);
  return caret;
}

void ByteTextDocument::clearHistory() {
  const Availability was = availability();
  history_.clear();
  announce(was);
}

void ByteTextDocument::announce(Availability before) {
  if (before.undo != canUndo()) emit undoAvailable(canUndo());
  if (before.redo != canRedo()) emit redoAvailable(canRedo());
}

void ByteTextDocument::replaceText(int pos, int count, const QString& text, const QString& removed) {
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
