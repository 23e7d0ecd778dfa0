// Text storage of the byte text field: UTF-16 code units with a movable gap, so that typing or
// appending at one place costs only the characters inserted (plus moving the gap once when the
// edit point jumps elsewhere). The units live in a QString so that a whole new text is taken
// over without a copy of its characters.
#pragma once

#include <QString>
#include <QStringView>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string_view>
#include <utility>

namespace quorix {

class GapBuffer {
 public:
  [[nodiscard]] int size() const { return static_cast<int>(total() - gapLength()); }

  [[nodiscard]] char16_t at(int i) const {
    const auto u = static_cast<std::size_t>(i);
    return u < gapStart_ ? units()[u] : units()[u + gapLength()];
  }

  // Replaces everything by `text`, taking over its characters: when nothing else shares them,
  // the gap at the end for further typing or appending is added by growing that block in place
  // (which the allocator does without copying for large blocks).
  void assign(QString text) {
    const auto n = static_cast<std::size_t>(text.size());
    const std::size_t withGap = n + spareFor(n);
    buf_ = std::move(text);
    buf_.reserve(static_cast<qsizetype>(withGap));
    buf_.resize(static_cast<qsizetype>(withGap));
    gapStart_ = n;
    gapEnd_ = total();
  }

  void insert(int pos, QStringView text) {
    const auto n = static_cast<std::size_t>(text.size());
    if (n == 0) return;
    moveGap(static_cast<std::size_t>(pos));
    reserveGap(n);
    std::memcpy(data() + gapStart_, text.utf16(), n * sizeof(char16_t));
    gapStart_ += n;
  }

  void remove(int pos, int count) {
    if (count <= 0) return;
    moveGap(static_cast<std::size_t>(pos));
    gapEnd_ += static_cast<std::size_t>(count);
  }

  // Copies [pos, pos + count) into dst.
  void copyOut(int pos, int count, char16_t* dst) const {
    auto p = static_cast<std::size_t>(pos);
    auto n = static_cast<std::size_t>(count);
    if (p < gapStart_) {
      const std::size_t head = std::min(n, gapStart_ - p);
      std::memcpy(dst, units() + p, head * sizeof(char16_t));
      dst += head;
      p += head;
      n -= head;
    }
    if (n != 0) std::memcpy(dst, units() + p + gapLength(), n * sizeof(char16_t));
  }

  // The longest stretch of [pos, pos + count) from `pos` that lies in one piece of storage.
  [[nodiscard]] std::u16string_view piece(int pos, int count) const {
    const auto p = static_cast<std::size_t>(pos);
    const auto n = static_cast<std::size_t>(count);
    if (p < gapStart_) return {units() + p, std::min(n, gapStart_ - p)};
    return {units() + p + gapLength(), n};
  }

  // Index of the first c at or after `from`, or size().
  [[nodiscard]] int indexOf(char16_t c, int from) const {
    const auto f = static_cast<std::size_t>(from);
    if (f < gapStart_) {
      const qsizetype i = QStringView(units() + f, static_cast<qsizetype>(gapStart_ - f)).indexOf(QChar(c));
      if (i >= 0) return from + static_cast<int>(i);
    }
    const std::size_t tailFrom = std::max(f, gapStart_);
    const qsizetype i = QStringView(units() + tailFrom + gapLength(),
                                    static_cast<qsizetype>(total() - gapEnd_ - (tailFrom - gapStart_)))
                            .indexOf(QChar(c));
    return i >= 0 ? static_cast<int>(tailFrom + static_cast<std::size_t>(i)) : size();
  }

  // Index of the last c before `before`, or -1.
  [[nodiscard]] int lastIndexOf(char16_t c, int before) const {
    const auto b = static_cast<std::size_t>(before);
    if (b > gapStart_) {
      const qsizetype i = QStringView(units() + gapEnd_, static_cast<qsizetype>(b - gapStart_)).lastIndexOf(QChar(c));
      if (i >= 0) return static_cast<int>(gapStart_) + static_cast<int>(i);
    }
    return static_cast<int>(QStringView(units(), static_cast<qsizetype>(std::min(b, gapStart_))).lastIndexOf(QChar(c)));
  }

  [[nodiscard]] QString mid(int pos, int count) const {
    QString s(count, Qt::Uninitialized);
    if (count > 0) copyOut(pos, count, reinterpret_cast<char16_t*>(s.data()));
    return s;
  }

  void swap(GapBuffer& other) noexcept {
    buf_.swap(other.buf_);
    std::swap(gapStart_, other.gapStart_);
    std::swap(gapEnd_, other.gapEnd_);
  }

  [[nodiscard]] std::size_t capacityBytes() const {
    return static_cast<std::size_t>(buf_.capacity()) * sizeof(char16_t);
  }

 private:
  [[nodiscard]] std::size_t total() const { return static_cast<std::size_t>(buf_.size()); }
  [[nodiscard]] std::size_t gapLength() const { return gapEnd_ - gapStart_; }
  [[nodiscard]] const char16_t* units() const { return reinterpret_cast<const char16_t*>(buf_.constData()); }
  char16_t* data() { return reinterpret_cast<char16_t*>(buf_.data()); }
  static std::size_t spareFor(std::size_t n) { return std::max<std::size_t>(1024, n / 32); }

  void moveGap(std::size_t pos) {
    if (pos < gapStart_) {
      const std::size_t n = gapStart_ - pos;
      std::memmove(data() + gapEnd_ - n, data() + pos, n * sizeof(char16_t));
      gapStart_ -= n;
      gapEnd_ -= n;
    } else if (pos > gapStart_) {
      const std::size_t n = pos - gapStart_;
      std::memmove(data() + gapStart_, data() + gapEnd_, n * sizeof(char16_t));
      gapStart_ += n;
      gapEnd_ += n;
    }
  }

  // Grows the block in place (large blocks are remapped, not copied) and moves the text behind
  // the gap to its new end. At the end of the text the gap grows by half the text, which keeps
  // appends amortised O(1) per character and costs nothing until the room is used; elsewhere
  // every unit of room added is a unit of text moved, so the gap grows by what the insertion
  // needs plus a little.
  void reserveGap(std::size_t n) {
    if (gapLength() >= n) return;
    const std::size_t used = total() - gapLength();
    const std::size_t tail = total() - gapEnd_;
    const std::size_t newSize = used + n + (tail == 0 ? std::max(spareFor(used), used / 2) : spareFor(used));
    buf_.reserve(static_cast<qsizetype>(newSize));
    buf_.resize(static_cast<qsizetype>(newSize));
    if (tail != 0) std::memmove(data() + newSize - tail, data() + gapEnd_, tail * sizeof(char16_t));
    gapEnd_ = newSize - tail;
  }

  QString buf_;
  std::size_t gapStart_ = 0;
  std::size_t gapEnd_ = 0;
};

}  // namespace quorix
