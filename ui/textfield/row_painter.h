// Paints the byte text field's rows as the layout places them: the text in pieces between tabs,
// so that tabs land on the layout's stops, and a selection as a band in the highlight colours;
// and the text an input method is composing.
#pragma once

#include "caret.h"
#include "gap_buffer.h"
#include "text_layout.h"

#include <QPalette>
#include <QRect>
#include <QString>

class QPainter;

namespace quorix {

class RowPainter {
 public:
  RowPainter(const GapBuffer& text, const TextLayout& layout, const QPalette& palette)
      : text_(text), layout_(layout), palette_(palette) {}

  // The rows that meet `clip` in a viewport of the given height whose first row is `top`, with
  // the caret's selection.
  void paintRows(QPainter& p, const QRect& clip, int top, int height, Caret caret) const;
  // Row `row` with its top at `y`; [selStart, selEnd) is the selection.
  void paintRow(QPainter& p, int row, int y, int selStart, int selEnd) const;
  // The composed text over the text at `caret`, underlined, with a caret of its own at `cursor`.
  void paintPreedit(QPainter& p, const QRect& caret, const QString& preedit, int cursor) const;

 private:
  void drawText(QPainter& p, const QString& str, int baseline) const;

  const GapBuffer& text_;
  const TextLayout& layout_;
  const QPalette& palette_;
};

}  // namespace quorix
