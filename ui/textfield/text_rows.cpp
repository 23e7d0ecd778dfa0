#include "text_rows.h"

#include <QChar>
#include <QString>

#include <algorithm>
#include <cmath>

namespace quorix {

void CharAdvances::setFont(const QFont& font) {
  metrics_ = QFontMetricsF(font);
  for (char16_t c = 0; c < 128; ++c) ascii_[c] = metrics_.horizontalAdvance(QChar(c));
  other_.clear();
}

double CharAdvances::other(char16_t c, char16_t next) const {
  if (QChar::isLowSurrogate(c)) return 0.0;
  char32_t key = c;
  QString probe(QChar{c});
  if (QChar::isHighSurrogate(c) && QChar::isLowSurrogate(next)) {
    key = QChar::surrogateToUcs4(c, next);
    probe.append(QChar{next});
  }
  const auto it = other_.constFind(key);
  if (it != other_.cend()) return *it;
  const double a = metrics_.horizontalAdvance(probe);
  other_.insert(key, a);
  return a;
}

double CharAdvances::nextTab(double x) { return (std::floor(x / kTabStop) + 1.0) * kTabStop; }

int TextRows::rowEnd(const GapBuffer& text, const CharAdvances& adv, int s) const {
  const int n = text.size();
  double x = 0.0;
  int lastBreak = -1;  // just behind the latest blank of this row
  for (int i = s; i < n; ++i) {
    const char16_t c = text.at(i);
    double a = 0.0;
    if (c < 128) {
      if (c == u'\n') return i + 1;
      if (c == u' ' || c == u'\t') {
        // Blanks may hang over the right edge; the row can break behind them.
        x = c == u' ' ? x + adv.ascii(c) : CharAdvances::nextTab(x);
        lastBreak = i + 1;
        continue;
      }
      a = adv.ascii(c);
    } else {
      if (QChar::isLowSurrogate(c)) continue;  // never split a surrogate pair
      a = adv.at(text, i);
    }
    if (x + a > width_ && i > s) return lastBreak > s ? lastBreak : i;
    x += a;
  }
  return n;
}

void TextRows::rebuild(const GapBuffer& text, const CharAdvances& adv) {
  const int n = text.size();
  length_ = n;
  starts_.clear();
  starts_.reserve(static_cast<std::size_t>(n) / 32 + 1);
  starts_.push_back(0);
  int s = 0;
  for (;;) {
    const int e = rowEnd(text, adv, s);
    if (e >= n) {
      if (n > 0 && text.at(n - 1) == u'\n') starts_.push_back(n);  // empty row after a final line break
      break;
    }
    starts_.push_back(e);
    s = e;
  }
  starts_.shrink_to_fit();
}

int TextRows::rowOf(int pos) const {
  const auto it = std::upper_bound(starts_.begin(), starts_.end(), pos);
  return static_cast<int>(it - starts_.begin()) - 1;
}

void TextRows::update(const GapBuffer& text, const CharAdvances& adv, int pos, int removed, int inserted) {
  const int oldLength = length_;
  const int n = text.size();
  length_ = n;
  const int delta = inserted - removed;
  const int r = std::max(0, rowOf(pos));
  // A row's end depends on the text up to the first character of the row after next, so the
  // edit can move the two row ends before its own row. Appending touches only the last row.
  const int startRow = (removed == 0 && pos == oldLength) ? r : std::max(0, r - 2);
  const int editEndOld = pos + removed;

  std::vector<std::int32_t> fresh;
  std::size_t j = static_cast<std::size_t>(startRow) + 1;
  int s = start(startRow);
  std::size_t keepFrom = starts_.size();  // first old row start that is kept (shifted by delta)
  for (;;) {
    const int e = rowEnd(text, adv, s);
    if (e >= n) {
      if (n > 0 && text.at(n - 1) == u'\n') fresh.push_back(n);
      break;
    }
    while (j < starts_.size() && (starts_[j] < editEndOld || starts_[j] + delta < e)) ++j;
    if (j < starts_.size() && starts_[j] + delta == e) {
      keepFrom = j;  // same text from here on, so the same rows
      break;
    }
    fresh.push_back(e);
    s = e;
  }

  const auto first = starts_.begin() + startRow + 1;
  const auto replaced = static_cast<std::ptrdiff_t>(keepFrom) - (startRow + 1);
  if (replaced == static_cast<std::ptrdiff_t>(fresh.size())) {
    std::copy(fresh.begin(), fresh.end(), first);
  } else {
    starts_.erase(first, first + replaced);
    starts_.insert(starts_.begin() + startRow + 1, fresh.begin(), fresh.end());
  }
  if (delta != 0) {
    for (auto k = static_cast<std::size_t>(startRow) + 1 + fresh.size(); k < starts_.size(); ++k) starts_[k] += delta;
  }
}

}  // namespace quorix
