#include "status_row.h"

#include <QHelpEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolTip>
#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

#include "hex.h"
#include "messages.h"
#include "textfield/byte_text_field.h"
#include "utf8.h"

namespace quorix {

namespace {

// After the last change, the row waits this long before it reads the text:
// a keystroke that follows sooner starts the wait again.
constexpr int kQuietMs = 40;

// A large text is taken this many characters at a time, first into UTF-8 and
// then read, with the window's events in between: a 16 MiB image's text has
// 50 million. Each stretch takes a few milliseconds.
constexpr int kSliceChars = 1 << 22;
// The checks of a selection take this many bytes at a time.
constexpr std::size_t kCheckSlice = 1 << 20;

// Characters converted at a time: byte text is ASCII as a rule, and a stretch
// of ASCII is narrowed in one loop the compiler vectorises.
constexpr std::size_t kAsciiBlock = 256;

// Appends the UTF-8 of `t`, which begins at field position `base`, noting
// where each character beyond ASCII ends in both.
void appendUtf8(std::u16string_view t, int base, std::string& utf8, std::vector<std::pair<int, std::size_t>>& wide) {
  std::size_t i = 0;
  while (i < t.size()) {
    const std::size_t block = std::min(kAsciiBlock, t.size() - i);
    char16_t any = 0;
    for (std::size_t k = 0; k < block; ++k) any |= t[i + k];
    if (any < 0x80) {
      const std::size_t at = utf8.size();
      utf8.resize(at + block);
      char* out = utf8.data() + at;
      for (std::size_t k = 0; k < block; ++k) out[k] = static_cast<char>(t[i + k]);
      i += block;
      continue;
    }
    for (const std::size_t end = i + block; i < end; ++i) {
      const char16_t c = t[i];
      if (c < 0x80) {
        utf8.push_back(static_cast<char>(c));
        continue;
      }
      char32_t code = c;
      if (QChar::isHighSurrogate(c) && i + 1 < t.size() && QChar::isLowSurrogate(t[i + 1])) {
        code = QChar::surrogateToUcs4(c, t[i + 1]);
        ++i;
      } else if (QChar::isSurrogate(c)) {
        code = 0xFFFD;  // as QString's own conversion writes a lone half
      }
      if (code < 0x800) {
        utf8.push_back(static_cast<char>(0xC0 | (code >> 6U)));
      } else if (code < 0x10000) {
        utf8.push_back(static_cast<char>(0xE0 | (code >> 12U)));
        utf8.push_back(static_cast<char>(0x80 | ((code >> 6U) & 0x3FU)));
      } else {
        utf8.push_back(static_cast<char>(0xF0 | (code >> 18U)));
        utf8.push_back(static_cast<char>(0x80 | ((code >> 12U) & 0x3FU)));
        utf8.push_back(static_cast<char>(0x80 | ((code >> 6U) & 0x3FU)));
      }
      utf8.push_back(static_cast<char>(0x80 | (code & 0x3FU)));
      wide.emplace_back(base + static_cast<int>(i) + 1, utf8.size());
    }
  }
}

// Storage of the last text kept for the next when it fits without wasting
// more than half of it.
template <typename Storage>
Storage reuse(Storage& old, std::size_t needed) {
  Storage kept = std::move(old);
  kept.clear();
  if (kept.capacity() > 2 * needed) kept = Storage{};
  return kept;
}

}  // namespace

StatusRow::StatusRow(ByteTextField* field, QLineEdit* startAddress, QWidget* parent)
    : QLabel(parent), field_(field), startAddress_(startAddress) {
  setTextFormat(Qt::PlainText);
  setTextInteractionFlags(Qt::NoTextInteraction);
  timer_.setSingleShot(true);
  timer_.setInterval(kQuietMs);
  connect(&timer_, &QTimer::timeout, this, &StatusRow::step);
  connect(field_, &ByteTextField::textChanged, this, &StatusRow::schedule);
  connect(field_, &ByteTextField::cursorPositionChanged, this, &StatusRow::schedule);
  connect(field_, &ByteTextField::selectionChanged, this, &StatusRow::schedule);
  connect(startAddress_, &QLineEdit::textChanged, this, &StatusRow::schedule);
  viewport_ = field_->viewport();
  viewport_->installEventFilter(this);
  schedule();
}

void StatusRow::schedule() { timer_.start(kQuietMs); }

bool StatusRow::isCurrent() const {
  return read_ && revision_ == field_->document().revision() && start_ == startAddress_->text();
}

void StatusRow::startReading() {
  const ByteTextDocument& doc = field_->document();
  const auto length = static_cast<std::size_t>(doc.length());
  // The last text's places mean nothing from here on: their storage is reused.
  read_ = false;
  placing_.reset();
  utf8_ = reuse(places_.bytes.digits, length);
  utf8_.reserve(length);
  placesStorage_ = reuse(places_.bytes.places, length / kCellWidth);
  places_ = TextPlaces{};
  wide_.clear();
  reading_ = true;
  jobRevision_ = doc.revision();
  jobStart_ = startAddress_->text();
  converted_ = 0;
}

bool StatusRow::convertSlice(int limit) {
  const ByteTextDocument& doc = field_->document();
  int end = doc.length() - converted_ > limit ? converted_ + limit : doc.length();
  // A character of two halves is converted whole.
  if (end < doc.length() && QChar::isHighSurrogate(doc.at(end - 1))) --end;
  while (converted_ < end) {
    std::u16string_view piece = doc.buffer().piece(converted_, end - converted_);
    if (converted_ + static_cast<int>(piece.size()) < end && QChar::isHighSurrogate(piece.back())) {
      // The piece ends at the gap of the field's storage, between the halves of a character.
      if (piece.size() > 1) {
        piece.remove_suffix(1);
      } else {
        const std::array<char16_t, 2> pair{piece.front(), doc.at(converted_ + 1)};
        appendUtf8({pair.data(), pair.size()}, converted_, utf8_, wide_);
        converted_ += 2;
        continue;
      }
    }
    appendUtf8(piece, converted_, utf8_, wide_);
    converted_ += static_cast<int>(piece.size());
  }
  return converted_ == doc.length();
}

bool StatusRow::readSlice(std::size_t chars) {
  if (isCurrent()) return true;
  if (!reading_ || jobRevision_ != field_->document().revision() || jobStart_ != startAddress_->text()) {
    startReading();
  }
  if (!placing_) {
    if (!convertSlice(static_cast<int>(std::min<std::size_t>(chars, INT_MAX)))) return false;
    placing_.emplace(std::move(utf8_), jobStart_.toStdString(), std::move(placesStorage_));
    return false;
  }
  if (!placing_->advance(chars)) return false;
  places_ = placing_->finish();
  placing_.reset();
  reading_ = false;
  read_ = true;
  revision_ = jobRevision_;
  start_ = jobStart_;
  return true;
}

void StatusRow::read() {
  while (!readSlice(SIZE_MAX)) {
  }
}

std::pair<std::size_t, std::size_t> StatusRow::selectedCells() const {
  if (!field_->hasSelection()) return {0, 0};
  return places_.cellsIn(toTextOffset(field_->selectionStart()), toTextOffset(field_->selectionEnd()));
}

bool StatusRow::checkSlice(std::size_t cells) {
  if (places_.refusal) return true;
  const auto [first, end] = selectedCells();
  if (first >= end) return true;
  if (checkRevision_ != revision_ || checkFirst_ != first || checkEnd_ != end) {
    checkRevision_ = revision_;
    checkFirst_ = first;
    checkEnd_ = end;
    checked_ = first;
    checks_ = ByteChecks{};
  }
  const std::size_t to = end - checked_ > cells ? checked_ + cells : end;
  checks_.addDigits(std::string_view(places_.bytes.digits).substr(2 * checked_, 2 * (to - checked_)));
  checked_ = to;
  return checked_ == end;
}

void StatusRow::step() {
  if (!readSlice(kSliceChars) || !checkSlice(kCheckSlice)) {
    timer_.start(0);  // the next stretch after the events waiting
    return;
  }
  display();
}

const TextPlaces& StatusRow::places() {
  read();
  return places_;
}

std::size_t StatusRow::toTextOffset(int position) const {
  const auto after = std::upper_bound(wide_.begin(), wide_.end(), position,
                                      [](int p, const std::pair<int, std::size_t>& w) { return p < w.first; });
  if (after == wide_.begin()) return static_cast<std::size_t>(position);
  const auto& [field, text] = *(after - 1);
  return text + static_cast<std::size_t>(position - field);
}

int StatusRow::toFieldPosition(std::size_t offset) const {
  const auto after = std::upper_bound(wide_.begin(), wide_.end(), offset,
                                      [](std::size_t o, const std::pair<int, std::size_t>& w) { return o < w.second; });
  if (after == wide_.begin()) return static_cast<int>(offset);
  const auto& [field, text] = *(after - 1);
  return field + static_cast<int>(offset - text);
}

std::optional<std::string> StatusRow::addressAt(int position) {
  const TextPlaces& p = places();
  if (p.refusal) return std::nullopt;
  const std::size_t at = toTextOffset(position);
  const std::optional<std::size_t> cell = p.cellAt(at);
  // On its digits, or just behind them.
  if (!cell || at < p.placeOf(*cell) || at > p.placeOf(*cell) + 2) return std::nullopt;
  return p.addressText(p.addressOf(*cell));
}

QString StatusRow::describe() const {
  const TextPlaces& p = places_;
  if (p.refusal) return toQString(*p.refusal);
  if (p.cells() == 0) return {};
  const auto [first, end] = selectedCells();
  if (end > first) {
    return toQString(selectionPlaceText(end - first, p.addressText(p.addressOf(first)),
                                        p.addressText(p.addressOf(end - 1)), checksText(checks_.values())));
  }
  const std::size_t cell = *p.cellAt(toTextOffset(field_->cursorPosition()));
  return toQString(caretPlaceText(p.addressText(p.addressOf(cell)), cell + 1));
}

void StatusRow::refresh() {
  timer_.stop();
  read();
  while (!checkSlice(SIZE_MAX)) {
  }
  display();
}

void StatusRow::display() {
  const QString text = describe();
  setText(text);
  // A selection's checks run past the window's default width: the tooltip shows them whole.
  setToolTip(text);
  setCursor(places_.refusal ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void StatusRow::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && places().refusal) {
    field_->setCursorPosition(toFieldPosition(places_.refusalAt));
    field_->ensureCursorVisible();
    field_->setFocus();
  }
  QLabel::mouseReleaseEvent(e);
}

bool StatusRow::eventFilter(QObject* watched, QEvent* e) {
  // The type first: the field's viewport also reports events while the field is destroyed.
  if (e->type() == QEvent::ToolTip && watched == viewport_) {
    const auto* help = static_cast<QHelpEvent*>(e);
    // While the row catches up with an edit, no tooltip rather than a wait for it.
    if (const std::optional<std::string> address =
            isCurrent() ? addressAt(field_->positionAt(help->pos())) : std::nullopt) {
      QToolTip::showText(help->globalPos(), toQString(cellAddressTip(*address)), field_->viewport());
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return QLabel::eventFilter(watched, e);
}

}  // namespace quorix
