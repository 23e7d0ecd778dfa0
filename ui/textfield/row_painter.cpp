#include "row_painter.h"

#include <QPainter>

#include <algorithm>

namespace quorix {

void RowPainter::drawText(QPainter& p, const QString& str, int baseline) const {
  const CharAdvances& adv = layout_.advances();
  double x = 0.0;
  int segStart = 0;
  double segX = 0.0;
  for (int i = 0; i <= str.size(); ++i) {
    const bool tab = i < str.size() && str.at(i) == u'\t';
    if (i == str.size() || tab) {
      if (i > segStart) p.drawText(QPointF(TextLayout::kMargin + segX, baseline), str.mid(segStart, i - segStart));
      if (tab) {
        x = CharAdvances::nextTab(x);
        segStart = i + 1;
        segX = x;
      }
      continue;
    }
    const char16_t next = i + 1 < str.size() ? str.at(i + 1).unicode() : u'\0';
    x += adv.of(str.at(i).unicode(), next);
  }
}

void RowPainter::paintRows(QPainter& p, const QRect& clip, int top, int height, Caret caret) const {
  p.setFont(layout_.font());
  const int rows = layout_.rowCount();
  const int rowHeight = layout_.rowHeight();
  for (int row = top, y = TextLayout::kMargin; row < rows && y < height; ++row, y += rowHeight) {
    if (y + rowHeight <= clip.top() || y > clip.bottom()) continue;
    paintRow(p, row, y, caret.start(), caret.end());
  }
}

void RowPainter::paintRow(QPainter& p, int row, int y, int selStart, int selEnd) const {
  const int s = layout_.rowStart(row);
  const int e = layout_.rowEnd(row);
  int visibleEnd = e;
  if (visibleEnd > s && text_.at(visibleEnd - 1) == u'\n') --visibleEnd;
  const QString str = text_.mid(s, visibleEnd - s);
  const int baseline = y + layout_.ascent();

  p.setPen(palette_.text().color());
  drawText(p, str, baseline);

  if (selStart < selEnd && selStart < e && selEnd > s) {
    const double x0 = layout_.xOf(row, std::max(selStart, s));
    double x1 = layout_.xOf(row, std::min(selEnd, e));
    if (selEnd > visibleEnd && visibleEnd < e) x1 += layout_.advances().ascii(u' ');  // selected line break
    const QRectF band(TextLayout::kMargin + x0, y, std::max(1.0, x1 - x0), layout_.rowHeight());
    p.fillRect(band, palette_.highlight());
    p.save();
    p.setClipRect(band);
    p.setPen(palette_.highlightedText().color());
    drawText(p, str, baseline);
    p.restore();
  }
}

void RowPainter::paintPreedit(QPainter& p, const QRect& caret, const QString& preedit, int cursor) const {
  const QFontMetricsF& fm = layout_.advances().metrics();
  const int height = layout_.rowHeight();
  const QRectF box(caret.x(), caret.y(), fm.horizontalAdvance(preedit) + 1, height);
  p.fillRect(box, palette_.base());
  p.setPen(palette_.text().color());
  p.drawText(QPointF(box.x(), caret.y() + layout_.ascent()), preedit);
  p.drawLine(QPointF(box.left(), box.bottom()), QPointF(box.right(), box.bottom()));
  const double cx = box.x() + fm.horizontalAdvance(preedit.left(cursor));
  p.fillRect(QRectF(cx, caret.y(), 1, height), palette_.text());
}

}  // namespace quorix
