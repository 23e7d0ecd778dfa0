// Row layout of the byte text field: where each visible row starts when the text wraps at blanks
// within the field's width (runs without blanks break at the width). Rows are kept as one compact
// array of start offsets and are recomputed only around an edit.
#pragma once

#include "gap_buffer.h"

#include <QFont>
#include <QFontMetricsF>
#include <QHash>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorix {

// Per-character advances of the field's font. The ASCII range (all of byte text) is a table
// lookup; anything else is measured once and remembered.
class CharAdvances {
 public:
  static constexpr double kTabStop = 80.0;  // same default as Qt's plain-text widgets

  void setFont(const QFont& font);
  [[nodiscard]] const QFontMetricsF& metrics() const { return metrics_; }

  [[nodiscard]] double ascii(char16_t c) const { return ascii_[c]; }
  // Advance of character c followed by `next`; a surrogate pair counts in full at its first
  // unit and zero at its second. Tabs are not handled here (see nextTab).
  [[nodiscard]] double of(char16_t c, char16_t next) const { return c < 128 ? ascii_[c] : other(c, next); }
  [[nodiscard]] double at(const GapBuffer& text, int i) const {
    const char16_t c = text.at(i);
    return c < 128 ? ascii_[c] : other(c, i + 1 < text.size() ? text.at(i + 1) : u'\0');
  }
  static double nextTab(double x);

 private:
  [[nodiscard]] double other(char16_t c, char16_t next) const;

  QFontMetricsF metrics_{QFont()};
  std::array<double, 128> ascii_{};
  mutable QHash<char32_t, double> other_;
};

class TextRows {
 public:
  [[nodiscard]] double width() const { return width_; }
  void setWidth(double width) { width_ = width; }

  void rebuild(const GapBuffer& text, const CharAdvances& adv);
  // Call after the text changed at pos: `removed` characters were replaced by `inserted` ones.
  void update(const GapBuffer& text, const CharAdvances& adv, int pos, int removed, int inserted);

  [[nodiscard]] int count() const { return static_cast<int>(starts_.size()); }
  [[nodiscard]] int start(int row) const { return starts_[static_cast<std::size_t>(row)]; }
  [[nodiscard]] int end(int row) const { return row + 1 < count() ? start(row + 1) : length_; }
  [[nodiscard]] int rowOf(int pos) const;
  [[nodiscard]] std::size_t capacityBytes() const { return starts_.capacity() * sizeof(std::int32_t); }

  // Where the row that starts at `s` ends (the next row's start, or the text's length).
  [[nodiscard]] int rowEnd(const GapBuffer& text, const CharAdvances& adv, int s) const;

 private:
  std::vector<std::int32_t> starts_{0};
  int length_ = 0;
  double width_ = 1.0;
};

}  // namespace quorix
