// Boundaries in the byte text, without layout or widget: characters (a surrogate pair counts as
// one), words (Ctrl+arrows jump over a run of non-blanks and the blanks behind it), cells (the
// run of non-blanks, or of blanks, around a character: what a double-click selects; in byte text
// a cell is one byte) and lines (between line breaks: what a triple-click selects and what
// Ctrl+K deletes to). Rows, which depend on the width, are the layout's.
#pragma once

#include "gap_buffer.h"

#include <QChar>

#include <algorithm>
#include <utility>

namespace quorix {

class TextNavigation {
 public:
  explicit TextNavigation(const GapBuffer& text) : text_(text) {}

  [[nodiscard]] static bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

  [[nodiscard]] int nextChar(int pos) const {
    const int n = text_.size();
    if (pos >= n) return n;
    if (QChar::isHighSurrogate(text_.at(pos)) && pos + 1 < n && QChar::isLowSurrogate(text_.at(pos + 1)))
      return pos + 2;
    return pos + 1;
  }

  [[nodiscard]] int previousChar(int pos) const {
    if (pos <= 0) return 0;
    if (QChar::isLowSurrogate(text_.at(pos - 1)) && pos >= 2 && QChar::isHighSurrogate(text_.at(pos - 2)))
      return pos - 2;
    return pos - 1;
  }

  [[nodiscard]] int nextWord(int pos) const {
    const int n = text_.size();
    while (pos < n && !isBlank(text_.at(pos))) ++pos;
    while (pos < n && isBlank(text_.at(pos))) ++pos;
    return pos;
  }

  [[nodiscard]] int previousWord(int pos) const {
    while (pos > 0 && isBlank(text_.at(pos - 1))) --pos;
    while (pos > 0 && !isBlank(text_.at(pos - 1))) --pos;
    return pos;
  }

  // The cell around the character at `index`: [start, end). A line break is a cell of none.
  [[nodiscard]] std::pair<int, int> cellAround(int index) const {
    const int n = text_.size();
    if (n == 0) return {0, 0};
    index = std::clamp(index, 0, n - 1);
    const char16_t c = text_.at(index);
    if (c == u'\n') return {index, index};
    const bool blank = isBlank(c);
    const auto same = [&](int i) {
      const char16_t u = text_.at(i);
      return u != u'\n' && isBlank(u) == blank;
    };
    int a = index;
    int b = index + 1;
    while (a > 0 && same(a - 1)) --a;
    while (b < n && same(b)) ++b;
    return {a, b};
  }

  // A selection grown by whole cells from the cell [start, end) to take in `pos`, as dragging
  // after a double-click grows it: {anchor, cursor}.
  [[nodiscard]] std::pair<int, int> growByCells(int start, int end, int pos) const {
    if (pos < start) return {end, cellAround(pos).first};
    if (pos > end) return {start, cellAround(pos - 1).second};
    return {start, end};
  }

  // The line around the character at `index`, without its line break (the whole text when it has
  // none): [start, end).
  [[nodiscard]] std::pair<int, int> lineAround(int index) const {
    const int start = index > 0 ? text_.lastIndexOf(u'\n', index) + 1 : 0;
    return {start, text_.indexOf(u'\n', start)};
  }

  // Where deleting to the end of the line from `pos` stops: at the next line break, or behind it
  // when `pos` stands right before it.
  [[nodiscard]] int deleteToLineEnd(int pos) const {
    int to = text_.indexOf(u'\n', pos);
    if (to == pos && to < text_.size()) ++to;
    return to;
  }

 private:
  const GapBuffer& text_;
};

}  // namespace quorix
