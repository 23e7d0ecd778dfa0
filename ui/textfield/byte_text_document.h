// The editing model of the byte text field: the text in a gap buffer and its undo history. It
// keeps its own rules: every text it is given is normalised on the way in, every change of the
// text, whether an edit, an undo or a redo, is announced by one changed() signal, which the
// field's view, row layout and accessibility follow, and undoAvailable()/redoAvailable() say
// when undo or redo becomes possible or impossible. The document knows nothing of carets beyond
// the one each edit hands in, which undo gives back.
#pragma once

#include "edit_history.h"
#include "gap_buffer.h"

#include <QObject>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <optional>

namespace quorix {

class ByteTextDocument : public QObject, private StepTarget {
  Q_OBJECT
 public:
  explicit ByteTextDocument(QObject* parent = nullptr);
  ~ByteTextDocument() override;
  Q_DISABLE_COPY_MOVE(ByteTextDocument)

  // Line breaks of every kind ("\r\n", "\r", U+2028, U+2029) become "\n" and no-break spaces
  // become blanks, so that the text reads back the way Qt's plain-text widgets return it.
  [[nodiscard]] static QString normalized(QString text);

  [[nodiscard]] int length() const { return text_.size(); }
  [[nodiscard]] char16_t at(int i) const { return text_.at(i); }
  [[nodiscard]] QString mid(int pos, int count) const { return text_.mid(pos, count); }
  [[nodiscard]] QString text() const { return text_.mid(0, text_.size()); }
  [[nodiscard]] const GapBuffer& buffer() const override { return text_; }

  // Replaces everything by `text`, normalised, as one undo step, taking over its characters; the
  // former text is kept for undo, within the whole-text budget.
  void setText(QString text, Caret before);
  // Replaces [start, end) by `text`, normalised, as one undo step, merged with the previous one
  // where `kind` allows; `before` is the caret that undo gives back. Returns where the inserted
  // text ends.
  int replace(int start, int end, const QString& text, EditKind kind, Caret before);

  // Moves [start, end) to `to` (an offset outside that range, in the text before the move) as
  // one undo step; returns where the moved text starts afterwards.
  int moveText(int start, int end, int to, Caret before);

  [[nodiscard]] bool canUndo() const { return history_.canUndo(); }
  [[nodiscard]] bool canRedo() const { return history_.canRedo(); }
  // The caret to show after the step, or nothing when there was no step.
  std::optional<Caret> undo();
  std::optional<Caret> redo();
  // The next edit starts a step of its own (the caret moved).
  void closeMerge() { history_.closeMerge(); }
  void clearHistory();
  // The text's revision: equal numbers mean the same text (see EditHistory::revision).
  [[nodiscard]] std::uint64_t revision() const { return history_.revision(); }
  // How many characters the former texts of whole-text steps may hold together (the newest
  // such step is kept whatever its size).
  void setWholeTextBudget(qsizetype characters) { history_.setWholeTextBudget(characters); }

  // The characters that the change being announced removed; valid only inside changed().
  [[nodiscard]] QString removedText() const;

  // Bytes held for the text and the undo history.
  [[nodiscard]] std::size_t memoryUsage() const { return text_.capacityBytes() + history_.memoryBytes(); }

 signals:
  // `removed` characters at `position` were replaced by `inserted` ones.
  void changed(int position, int removed, int inserted);
  void undoAvailable(bool available);
  void redoAvailable(bool available);

 private:
  struct Availability {
    bool undo;
    bool redo;
  };
  [[nodiscard]] Availability availability() const { return {canUndo(), canRedo()}; }
  // Announces what an operation changed of undo and redo being available.
  void announce(Availability before);
  void replaceText(int pos, int count, const QString& text, const QString& removed) override;
  void exchangeWholeText(GapBuffer& other) override;

  GapBuffer text_;
  EditHistory history_;
  // What the change being announced removed: a piece of text, or a whole former text.
  const QString* removedString_ = nullptr;
  const GapBuffer* removedBuffer_ = nullptr;
};

}  // namespace quorix
