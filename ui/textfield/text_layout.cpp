#include "text_layout.h"

#include "text_navigation.h"

#include <cmath>

namespace quorix {

void TextLayout::setFont(const QFont& font) {
  font_ = font;
  font_.setKerning(false);
  font_.setStyleStrategy(static_cast<QFont::StyleStrategy>(font_.styleStrategy() | QFont::PreferNoShaping));
  adv_.setFont(font_);
  rowHeight_ = std::max(1, static_cast<int>(std::ceil(adv_.metrics().lineSpacing())));
  ascent_ = static_cast<int>(std::ceil(adv_.metrics().ascent()));
}

void TextLayout::ensure(double width) {
  if (valid_) return;
  rows_.setWidth(width);
  rows_.rebuild(text_, adv_);
  valid_ = true;
}

void TextLayout::textChanged(int pos, int removed, int inserted) {
  if (pos == 0 && inserted == text_.size()) {
    valid_ = false;  // the whole text: wrapping it afresh is cheaper than matching rows
  } else if (valid_) {
    rows_.update(text_, adv_, pos, removed, inserted);
  }
}

int TextLayout::rowEndCaret(int row) const {
  const int s = rows_.start(row);
  const int e = rows_.end(row);
  if (row + 1 < rows_.count() && e > s) {
    const char16_t c = text_.at(e - 1);
    if (c == u'\n' || c == u' ' || c == u'\t') return e - 1;
  }
  return e;
}

double TextLayout::xOf(int row, int pos) const {
  const int s = rows_.start(row);
  const int e = std::min(pos, rows_.end(row));
  double x = 0.0;
  for (int i = s; i < e; ++i) {
    const char16_t c = text_.at(i);
    if (c == u'\t') {
      x = CharAdvances::nextTab(x);
    } else if (c != u'\n') {
      x += adv_.at(text_, i);
    }
  }
  return x;
}

int TextLayout::positionAtX(int row, double x, bool nearest) const {
  const int s = rows_.start(row);
  const int end = rowEndCaret(row);
  double cur = 0.0;
  for (int i = s; i < end; ++i) {
    const char16_t c = text_.at(i);
    if (QChar::isLowSurrogate(c)) continue;
    const double next = c == u'\t' ? CharAdvances::nextTab(cur) : cur + adv_.at(text_, i);
    const double split = nearest ? (cur + next) / 2.0 : next;
    if (x < split) return i;
    cur = next;
  }
  return end;
}

int TextLayout::positionRowsAway(int pos, int rows, double x) const {
  const int to = rows_.rowOf(pos) + rows;
  if (to < 0) return 0;
  if (to >= rows_.count()) return text_.size();
  return positionAtX(to, x, true);
}

int TextLayout::rowAtY(int y, int top) const {
  const int offset = y - kMargin;
  const int rel = offset < 0 ? -((rowHeight_ - 1 - offset) / rowHeight_) : offset / rowHeight_;
  return std::clamp(top + rel, 0, rows_.count() - 1);
}

int TextLayout::positionAt(QPoint p, int top) const { return positionAtX(rowAtY(p.y(), top), p.x() - kMargin, true); }

int TextLayout::indexAt(QPoint p, int top) const { return positionAtX(rowAtY(p.y(), top), p.x() - kMargin, false); }

QRect TextLayout::caretRect(int pos, int top, int viewportWidth) const {
  pos = std::clamp(pos, 0, text_.size());
  const int row = rows_.rowOf(pos);
  const int x = kMargin + static_cast<int>(std::floor(xOf(row, pos)));
  const int y = kMargin + (row - top) * rowHeight_;
  return {std::min(x, std::max(kMargin, viewportWidth - 2)), y, 1, rowHeight_};
}

QRect TextLayout::characterRect(int pos, int top, int viewportWidth) const {
  pos = std::clamp(pos, 0, text_.size());
  const QRect caret = caretRect(pos, top, viewportWidth);
  double w = 0.0;
  if (pos < text_.size()) {
    const int row = rows_.rowOf(pos);
    w = xOf(row, TextNavigation(text_).nextChar(pos)) - xOf(row, pos);
  }
  return {caret.x(), caret.y(), std::max(1, static_cast<int>(std::ceil(w))), rowHeight_};
}

}  // namespace quorix
