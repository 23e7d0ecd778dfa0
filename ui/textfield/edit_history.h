// Undo/redo history of the byte text document. Each step replaces `removed` at `pos` by
// `insertedLength` characters, and undoes and redoes itself on the document's text.
//
// A whole-text step (the text set at once: paste, cut, open) keeps the other text entire, the
// former one while the step is done and the newer one while it is undone, and undo and redo
// exchange it with the document's. Those texts can be tens of megabytes each, so the history
// keeps whole-text steps only while their texts add up to at most a budget of characters; the
// newest is always kept, older ones beyond the budget go, with every step older than them.
#pragma once

#include "caret.h"
#include "gap_buffer.h"

#include <QString>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace quorix {

enum class EditKind { Other, Typing, Backspace, DeleteForward, Append, WholeText };

// The text a step is undone and redone on. The document implements it, carrying each change
// out and announcing it.
class StepTarget {
 public:
  [[nodiscard]] virtual const GapBuffer& buffer() const = 0;
  // Replaces `count` characters at `pos` by `text`; `removed` holds the characters replaced.
  virtual void replaceText(int pos, int count, const QString& text, const QString& removed) = 0;
  // Exchanges the whole text with `other`.
  virtual void exchangeWholeText(GapBuffer& other) = 0;

 protected:
  StepTarget() = default;
  ~StepTarget() = default;
  StepTarget(const StepTarget&) = default;
  StepTarget& operator=(const StepTarget&) = default;
  StepTarget(StepTarget&&) = default;
  StepTarget& operator=(StepTarget&&) = default;
};

struct EditStep {
  int pos = 0;
  QString removed;
  QString inserted;  // filled only while the step is undone
  int insertedLength = 0;
  EditKind kind = EditKind::Other;
  Caret before;
  GapBuffer whole;             // WholeText only: the text on the other side of the step
  bool joined = false;         // undone and redone together with the step before it
  std::uint64_t revision = 0;  // of the text this step leaves

  // The inserted characters are not copied while the step is done, since the text holds them:
  // undo takes them from the text just before they leave it, and redo drops them again once the
  // text holds them once more. So appending a megabyte costs no second megabyte of history.

  // Returns the caret the step was made from, within the text as it is again.
  Caret undo(StepTarget& target) {
    if (kind == EditKind::WholeText) {
      target.exchangeWholeText(whole);
    } else {
      if (insertedLength > 0 && inserted.isEmpty()) inserted = target.buffer().mid(pos, insertedLength);
      target.replaceText(pos, insertedLength, removed, inserted);
    }
    const int n = target.buffer().size();
    return Caret{std::clamp(before.anchor, 0, n), std::clamp(before.cursor, 0, n)};
  }

  // Returns the caret behind the inserted text (at the start for a whole text).
  Caret redo(StepTarget& target) {
    if (kind == EditKind::WholeText) {
      target.exchangeWholeText(whole);
      return Caret{};
    }
    target.replaceText(pos, static_cast<int>(removed.size()), inserted, removed);
    inserted = QString();
    const int caret = pos + insertedLength;
    return Caret{caret, caret};
  }
};

class EditHistory {
 public:
  // Room for the text of a 16 MiB image (about 50 M characters) with some to spare.
  static constexpr qsizetype kDefaultWholeTextBudget = qsizetype{64} * 1024 * 1024;
  void setWholeTextBudget(qsizetype characters) { wholeTextBudget_ = characters; }

  void clear() {
    steps_.clear();
    steps_.shrink_to_fit();
    done_ = 0;
    mergeOpen_ = false;
    baseRevision_ = ++revisions_;
  }
  // Names the text as the steps done so far leave it: every edit (merged ones
  // included) gives a new number, and undo and redo give back the number the
  // text had then, so an owner can tell a text it saw before.
  [[nodiscard]] std::uint64_t revision() const { return done_ > 0 ? steps_[done_ - 1].revision : baseRevision_; }
  // The next edit starts a step of its own (the caret moved, or an undo happened).
  void closeMerge() { mergeOpen_ = false; }

  void record(int pos, QString removed, int insertedLength, EditKind kind, Caret before) {
    if (tryMerge(pos, removed, insertedLength, kind)) {
      steps_.back().revision = ++revisions_;
      return;
    }
    steps_.resize(done_);
    steps_.push_back(EditStep{pos, std::move(removed), QString(), insertedLength, kind, before, GapBuffer(), false});
    steps_.back().revision = ++revisions_;
    done_ = steps_.size();
    mergeOpen_ = kind != EditKind::Other;
  }

  // The step just recorded belongs to the one before it (moving text removes, then inserts).
  void joinLast() {
    if (steps_.size() >= 2) steps_.back().joined = true;
  }

  void recordWholeText(GapBuffer former, Caret before) {
    steps_.resize(done_);
    steps_.push_back(EditStep{0, QString(), QString(), 0, EditKind::WholeText, before, std::move(former), false});
    steps_.back().revision = ++revisions_;
    done_ = steps_.size();
    mergeOpen_ = false;
    dropWholeTextsBeyondBudget();
  }

  [[nodiscard]] bool canUndo() const { return done_ > 0; }
  [[nodiscard]] bool canRedo() const { return done_ < steps_.size(); }
  // Undoes the newest done step with the steps joined to it, or returns nothing when none is done.
  std::optional<Caret> undo(StepTarget& target) {
    if (!canUndo()) return std::nullopt;
    mergeOpen_ = false;
    Caret caret;
    do {
      caret = steps_[--done_].undo(target);
    } while (steps_[done_].joined && canUndo());
    return caret;
  }

  // Redoes the oldest undone step with the steps joined to it, or returns nothing when none is.
  std::optional<Caret> redo(StepTarget& target) {
    if (!canRedo()) return std::nullopt;
    mergeOpen_ = false;
    Caret caret;
    do {
      caret = steps_[done_++].redo(target);
    } while (canRedo() && steps_[done_].joined);
    return caret;
  }

  [[nodiscard]] std::size_t memoryBytes() const {
    std::size_t bytes = steps_.capacity() * sizeof(EditStep);
    for (const EditStep& s : steps_)
      bytes += static_cast<std::size_t>(s.removed.capacity() + s.inserted.capacity()) * 2 + s.whole.capacityBytes();
    return bytes;
  }

 private:
  // Called right after a step was recorded, so every step is done.
  void dropWholeTextsBeyondBudget() {
    qsizetype kept = 0;
    bool newestSeen = false;
    for (std::size_t i = steps_.size(); i-- > 0;) {
      if (steps_[i].kind != EditKind::WholeText) continue;
      kept += steps_[i].whole.size();
      if (newestSeen && kept > wholeTextBudget_) {
        baseRevision_ = steps_[i].revision;
        steps_.erase(steps_.begin(), steps_.begin() + static_cast<std::ptrdiff_t>(i) + 1);
        done_ = steps_.size();
        return;
      }
      newestSeen = true;
    }
  }

  bool tryMerge(int pos, const QString& removed, int insertedLength, EditKind kind) {
    if (!mergeOpen_ || kind == EditKind::Other || done_ == 0 || done_ != steps_.size()) return false;
    EditStep& last = steps_.back();
    if (last.kind != kind) return false;
    switch (kind) {
      case EditKind::Typing:
      case EditKind::Append:
        if (!removed.isEmpty() || pos != last.pos + last.insertedLength) return false;
        last.insertedLength += insertedLength;
        return true;
      case EditKind::Backspace:
        if (insertedLength != 0 || last.insertedLength != 0 || pos + removed.size() != last.pos) return false;
        last.pos = pos;
        last.removed.prepend(removed);
        return true;
      case EditKind::DeleteForward:
        if (insertedLength != 0 || last.insertedLength != 0 || pos != last.pos) return false;
        last.removed.append(removed);
        return true;
      case EditKind::Other:
      case EditKind::WholeText:
        break;
    }
    return false;
  }

  std::vector<EditStep> steps_;
  std::size_t done_ = 0;
  bool mergeOpen_ = false;
  std::uint64_t revisions_ = 0;
  std::uint64_t baseRevision_ = 0;
  qsizetype wholeTextBudget_ = kDefaultWholeTextBudget;
};

}  // namespace quorix
