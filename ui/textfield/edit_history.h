// Undo/redo history of the byte text document. Each step replaces `removed` at `pos` by
// `insertedLength` characters. The inserted characters are not copied while the step is done
// (they are in the text); they are taken from the text only when the step is undone, so
// appending a megabyte costs no second megabyte of history.
#pragma once

#include <QString>

#include <cstddef>
#include <utility>
#include <vector>

namespace quorix {

enum class EditKind { Other, Typing, Backspace, DeleteForward, Append };

// Caret and selection, as character offsets; the selection runs between anchor and cursor.
struct Caret {
  int anchor = 0;
  int cursor = 0;
};

struct EditStep {
  int pos = 0;
  QString removed;
  QString inserted;  // filled only while the step is undone
  int insertedLength = 0;
  EditKind kind = EditKind::Other;
  Caret before;
};

class EditHistory {
 public:
  void clear() {
    steps_.clear();
    steps_.shrink_to_fit();
    done_ = 0;
    mergeOpen_ = false;
  }
  // The next edit starts a step of its own (the caret moved, or an undo happened).
  void closeMerge() { mergeOpen_ = false; }

  void record(int pos, QString removed, int insertedLength, EditKind kind, Caret before) {
    if (tryMerge(pos, removed, insertedLength, kind)) return;
    steps_.resize(done_);
    steps_.push_back(EditStep{pos, std::move(removed), QString(), insertedLength, kind, before});
    done_ = steps_.size();
    mergeOpen_ = kind != EditKind::Other;
  }

  [[nodiscard]] bool canUndo() const { return done_ > 0; }
  [[nodiscard]] bool canRedo() const { return done_ < steps_.size(); }
  EditStep& stepToUndo() {
    mergeOpen_ = false;
    return steps_[--done_];
  }
  EditStep& stepToRedo() {
    mergeOpen_ = false;
    return steps_[done_++];
  }

  [[nodiscard]] std::size_t memoryBytes() const {
    std::size_t bytes = steps_.capacity() * sizeof(EditStep);
    for (const EditStep& s : steps_)
      bytes += static_cast<std::size_t>(s.removed.capacity() + s.inserted.capacity()) * 2;
    return bytes;
  }

 private:
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
        break;
    }
    return false;
  }

  std::vector<EditStep> steps_;
  std::size_t done_ = 0;
  bool mergeOpen_ = false;
};

}  // namespace quorix
