#include "status_row.h"

#include <QHelpEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolTip>
#include <algorithm>
#include <limits>

#include "byte_checks.h"
#include "messages.h"
#include "textfield/byte_text_field.h"
#include "utf8.h"

namespace quorix {

namespace {

// After the last change, the row waits this long before it reads the text:
// a keystroke that follows sooner starts the wait again.
constexpr int kQuietMs = 40;

// The text is turned into UTF-8 this many characters at a time, with the
// window's events in between: a 16 MiB image's text has 50 million.
constexpr int kSliceChars = 1 << 22;

// Appends the UTF-8 of `t[0, size)`, which begin at field position `base`,
// noting where each character beyond ASCII ends in both.
void appendUtf8(const char16_t* t, int size, int base, std::string& utf8,
                std::vector<std::pair<int, std::size_t>>& wide) {
  for (int i = 0; i < size; ++i) {
    const char16_t c = t[i];
    if (c < 0x80) {
      utf8.push_back(static_cast<char>(c));
      continue;
    }
    char32_t code = c;
    if (QChar::isHighSurrogate(c) && i + 1 < size && QChar::isLowSurrogate(t[i + 1])) {
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
    wide.emplace_back(base + i + 1, utf8.size());
  }
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

bool StatusRow::convertSlice(int limit) {
  const ByteTextDocument& doc = field_->document();
  if (!converting_ || convertingRevision_ != doc.revision()) {
    converting_ = true;
    convertingRevision_ = doc.revision();
    converted_ = 0;
    utf8_.clear();
    utf8_.reserve(static_cast<std::size_t>(doc.length()));
    wide_.clear();
  }
  int end = doc.length() - converted_ > limit ? converted_ + limit : doc.length();
  // A character of two halves is converted whole.
  if (end < doc.length() && QChar::isHighSurrogate(doc.at(end - 1))) --end;
  chunk_.resize(static_cast<std::size_t>(end - converted_));
  doc.buffer().copyOut(converted_, end - converted_, chunk_.data());
  appendUtf8(chunk_.data(), end - converted_, converted_, utf8_, wide_);
  converted_ = end;
  return converted_ == doc.length();
}

void StatusRow::place() {
  start_ = startAddress_->text();
  places_ = placeText(utf8_, start_.toStdString());
  revision_ = convertingRevision_;
  read_ = true;
  converting_ = false;
  std::string().swap(utf8_);
  std::vector<char16_t>().swap(chunk_);
}

void StatusRow::read() {
  if (isCurrent()) return;
  while (!convertSlice(std::numeric_limits<int>::max())) {
  }
  place();
}

void StatusRow::step() {
  if (!isCurrent()) {
    if (!convertSlice(kSliceChars)) {
      timer_.start(0);  // the next slice after the events waiting
      return;
    }
    place();
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

QString StatusRow::describe() {
  const TextPlaces& p = places();
  if (p.refusal) return toQString(*p.refusal);
  if (p.cells() == 0) return {};
  if (field_->hasSelection()) {
    const auto [first, end] = p.cellsIn(toTextOffset(field_->selectionStart()), toTextOffset(field_->selectionEnd()));
    if (end > first) {
      ByteChecks checks;
      checks.addDigits(std::string_view(p.bytes.digits).substr(2 * first, 2 * (end - first)));
      return toQString(selectionPlaceText(end - first, p.addressText(p.addressOf(first)),
                                          p.addressText(p.addressOf(end - 1)), checksText(checks.values())));
    }
  }
  const std::size_t cell = *p.cellAt(toTextOffset(field_->cursorPosition()));
  return toQString(caretPlaceText(p.addressText(p.addressOf(cell)), cell + 1));
}

void StatusRow::refresh() {
  timer_.stop();
  read();
  display();
}

void StatusRow::display() {
  setText(describe());
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
    if (const std::optional<std::string> address = addressAt(field_->positionAt(help->pos()))) {
      QToolTip::showText(help->globalPos(), toQString(cellAddressTip(*address)), field_->viewport());
    } else {
      QToolTip::hideText();
    }
    return true;
  }
  return QLabel::eventFilter(watched, e);
}

}  // namespace quorix
