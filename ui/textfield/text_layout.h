// The geometry of the byte text field, without the widget: the font and its metrics, the rows
// the text wraps into (kept up to date around each change), and the way between positions in
// the text and pixels. Pixels are those of the field's viewport, whose top row is `top` (the
// scroll position); the text sits within a margin.
#pragma once

#include "gap_buffer.h"
#include "text_rows.h"

#include <QFont>
#include <QPoint>
#include <QRect>

#include <algorithm>
#include <cstddef>

namespace quorix {

class TextLayout {
 public:
  static constexpr int kMargin = 4;  // around the text, as in Qt's own text widgets

  explicit TextLayout(const GapBuffer& text) : text_(text) {}

  // The font is drawn without kerning and shaping, so that a row's glyphs sit exactly at the
  // summed advances, which the wrapping, the caret and the mouse all rely on. The rows must be
  // wrapped afresh afterwards.
  void setFont(const QFont& font);
  [[nodiscard]] const QFont& font() const { return font_; }
  [[nodiscard]] const CharAdvances& advances() const { return adv_; }
  [[nodiscard]] int rowHeight() const { return rowHeight_; }
  [[nodiscard]] int ascent() const { return ascent_; }

  // The width rows wrap at in a viewport of the given width, and the rows that a viewport of the
  // given height shows.
  [[nodiscard]] static double wrapWidthFor(int viewportWidth) { return std::max(1, viewportWidth - 2 * kMargin); }
  [[nodiscard]] int rowsShownIn(int viewportHeight) const {
    return std::max(1, (viewportHeight - kMargin) / rowHeight_);
  }

  // Rows. They are wrapped afresh (at `width`) only when invalid; a change of the text updates
  // them around the change, or invalidates them when the whole text changed.
  [[nodiscard]] bool isValid() const { return valid_; }
  void invalidate() { valid_ = false; }
  void ensure(double width);
  void textChanged(int pos, int removed, int inserted);
  [[nodiscard]] double width() const { return rows_.width(); }
  [[nodiscard]] int rowCount() const { return rows_.count(); }
  [[nodiscard]] int rowStart(int row) const { return rows_.start(row); }
  [[nodiscard]] int rowEnd(int row) const { return rows_.end(row); }
  [[nodiscard]] int rowOf(int pos) const { return rows_.rowOf(pos); }
  // Where the caret goes at the end of a row: before the blank or line break it wraps after.
  [[nodiscard]] int rowEndCaret(int row) const;

  // Within a row, from its left edge: the x of a position, and the position at an x (the caret
  // position nearest to it, or the character under it).
  [[nodiscard]] double xOf(int row, int pos) const;
  [[nodiscard]] int positionAtX(int row, double x, bool nearest) const;
  // The caret position at `x` in the row `rows` rows below (above, when negative) the row of
  // `pos`; the start or the end of the text beyond the first or last row.
  [[nodiscard]] int positionRowsAway(int pos, int rows, double x) const;

  // In the viewport, with row `top` shown first.
  [[nodiscard]] int rowAtY(int y, int top) const;
  [[nodiscard]] int positionAt(QPoint p, int top) const;  // the caret position nearest to p
  [[nodiscard]] int indexAt(QPoint p, int top) const;     // the character under p
  [[nodiscard]] QRect caretRect(int pos, int top, int viewportWidth) const;
  [[nodiscard]] QRect characterRect(int pos, int top, int viewportWidth) const;

  [[nodiscard]] std::size_t memoryBytes() const { return rows_.capacityBytes(); }

 private:
  const GapBuffer& text_;
  CharAdvances adv_;
  TextRows rows_;
  bool valid_ = false;
  QFont font_;
  int rowHeight_ = 1;
  int ascent_ = 0;
};

}  // namespace quorix
