#include "byte_text_field.h"

#include "byte_text_field_accessible.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QCursor>
#include <QDrag>
#include <QDropEvent>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QStyleHints>
#include <QTimerEvent>

#include <algorithm>
#include <array>
#include <cmath>

namespace quorix {

namespace {

constexpr int kMargin = 4;  // around the text, as in Qt's own text widgets

bool isBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

// Identifies a drag that started in this field of this process.
const QString kFieldDragFormat = QStringLiteral("application/x-quorix-byte-text-field");

QByteArray dragIdentity(const ByteTextField* field) {
  return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
         QByteArray::number(reinterpret_cast<quintptr>(field));
}

bool acceptsDrop(const QMimeData* mime) {
  // File URLs are for the window (it opens them); the field takes text only.
  return mime != nullptr && mime->hasText() && !mime->hasUrls();
}

// The field's offer of the X11 primary selection. The text is taken from the field only when
// another program asks for it, so extending a selection of megabytes by keyboard or mouse costs
// nothing per step.
class SelectionMimeData : public QMimeData {
 public:
  SelectionMimeData(const ByteTextField* field, int start, int end) : field_(field), start_(start), end_(end) {}
  void setRange(int start, int end) {
    start_ = start;
    end_ = end;
  }
  [[nodiscard]] QStringList formats() const override { return {QStringLiteral("text/plain")}; }
  [[nodiscard]] bool hasFormat(const QString& mimeType) const override {
    return mimeType == QLatin1String("text/plain");
  }

 protected:
  [[nodiscard]] QVariant retrieveData(const QString& mimeType, QMetaType /*type*/) const override {
    if (field_ == nullptr || mimeType != QLatin1String("text/plain")) return {};
    return field_->textRange(start_, end_);
  }

 private:
  QPointer<const ByteTextField> field_;
  int start_;
  int end_;
};

QString actionText(const char* source, QKeySequence::StandardKey key) {
  // Qt's own translation context for these texts, so a loaded Qt translation applies here too.
  QString text = QCoreApplication::translate("QWidgetTextControl", source);
  if (!QCoreApplication::testAttribute(Qt::AA_DontShowShortcutsInContextMenus) &&
      QGuiApplication::styleHints()->showShortcutsInContextMenus()) {
    const QString keys = QKeySequence(key).toString(QKeySequence::NativeText);
    if (!keys.isEmpty()) text += u'\t' + keys;
  }
  return text;
}

}  // namespace

ByteTextField::ByteTextField(QWidget* parent) : QAbstractScrollArea(parent) {
  installByteTextFieldAccessibility();
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_InputMethodEnabled);
  setAttribute(Qt::WA_KeyCompression, false);
  viewport()->setCursor(Qt::IBeamCursor);
  viewport()->setBackgroundRole(QPalette::Base);
  viewport()->setAutoFillBackground(true);
  viewport()->setAcceptDrops(true);
  verticalScrollBar()->setSingleStep(1);
  connect(&doc_, &ByteTextDocument::changed, this, &ByteTextField::documentChanged);
  updateFontMetrics();
}

ByteTextField::~ByteTextField() = default;

// ---------------------------------------------------------------------------------------------
// Contents

QString ByteTextField::toPlainText() const { return doc_.mid(0, doc_.length()); }

QString ByteTextField::textRange(int start, int end) const {
  start = std::clamp(start, 0, length());
  end = std::clamp(end, start, length());
  return doc_.mid(start, end - start);
}

QString ByteTextField::selectedText() const { return doc_.mid(selectionStart(), selectionEnd() - selectionStart()); }

void ByteTextField::setPlainText(QString text) {
  const bool couldUndo = doc_.canUndo();
  const bool hadSelection = hasSelection();
  const int oldCursor = cursor_;

  const Caret before{anchor_, cursor_};
  anchor_ = cursor_ = 0;
  goalX_ = -1.0;
  preedit_.clear();
  doc_.setText(ByteTextDocument::normalized(std::move(text)), before);
  verticalScrollBar()->setValue(0);
  if (isVisible()) syncNow();
  restartBlink();

  emit textChanged();
  if (oldCursor != 0) emit cursorPositionChanged();
  if (hadSelection) emit selectionChanged();
  if (couldUndo != doc_.canUndo()) emit undoAvailable(doc_.canUndo());
}

void ByteTextField::clearHistory() {
  const bool couldUndo = doc_.canUndo();
  doc_.clearHistory();
  if (couldUndo) emit undoAvailable(false);
}

void ByteTextField::insertPlainText(const QString& text) {
  edit(selectionStart(), selectionEnd(), ByteTextDocument::normalized(text), EditKind::Append);
}

void ByteTextField::replaceRange(int start, int end, const QString& text) {
  start = std::clamp(start, 0, length());
  end = std::clamp(end, start, length());
  edit(start, end, ByteTextDocument::normalized(text), EditKind::Other);
}

void ByteTextField::edit(int start, int end, const QString& text, EditKind kind) {
  if (start == end && text.isEmpty()) return;
  const bool couldUndo = doc_.canUndo();
  doc_.replace(start, end, text, kind, Caret{anchor_, cursor_});
  const int caret = start + static_cast<int>(text.size());
  setCaret(caret, caret, true);
  emit textChanged();
  if (!couldUndo) emit undoAvailable(true);
}

// The view, the row layout and screen readers follow every change of the text.
void ByteTextField::documentChanged(int pos, int removed, int inserted) {
  if (pos == 0 && inserted == doc_.length()) {
    layoutValid_ = false;  // the whole text: wrapping it afresh is cheaper than matching rows
  } else if (layoutValid_) {
    rows_.update(doc_.buffer(), adv_, pos, removed, inserted);
  }
  scrollDirty_ = true;
  requestUpdate();
  scheduleSync();
  if (QAccessible::isActive()) {
    if (removed > 0) {
      QAccessibleTextRemoveEvent ev(this, pos, doc_.removedText());
      QAccessible::updateAccessibility(&ev);
    }
    if (inserted > 0) {
      QAccessibleTextInsertEvent ev(this, pos, doc_.mid(pos, inserted));
      QAccessible::updateAccessibility(&ev);
    }
  }
}

void ByteTextField::undo() {
  const std::optional<Caret> caret = doc_.undo();
  if (!caret) return;
  setCaret(caret->anchor, caret->cursor, true);
  emit textChanged();
  if (!doc_.canUndo()) emit undoAvailable(false);
}

void ByteTextField::redo() {
  const bool couldUndo = doc_.canUndo();
  const std::optional<Caret> caret = doc_.redo();
  if (!caret) return;
  setCaret(caret->anchor, caret->cursor, true);
  emit textChanged();
  if (!couldUndo) emit undoAvailable(true);
}

// ---------------------------------------------------------------------------------------------
// Caret and selection

void ByteTextField::setCursorPosition(int pos) {
  pos = std::clamp(pos, 0, length());
  setCaret(pos, pos);
}

void ByteTextField::setSelection(int anchor, int position) {
  setCaret(std::clamp(anchor, 0, length()), std::clamp(position, 0, length()));
}

void ByteTextField::selectAll() {
  setCaret(0, length());
  setSelectionClipboard();
}

void ByteTextField::setCaret(int anchor, int cursor, bool fromEdit, bool keepGoal) {
  const int oldCursor = cursor_;
  const int oldStart = selectionStart();
  const int oldEnd = selectionEnd();
  const bool hadSelection = hasSelection();
  anchor_ = anchor;
  cursor_ = cursor;
  if (!fromEdit) doc_.closeMerge();
  if (!keepGoal) goalX_ = -1.0;
  ensureVisiblePending_ = true;
  scheduleSync();
  restartBlink();
  if (oldCursor != cursor_ || hadSelection || hasSelection()) requestUpdate();

  if (oldCursor != cursor_) {
    if (QAccessible::isActive()) {
      QAccessibleTextCursorEvent ev(this, cursor_);
      QAccessible::updateAccessibility(&ev);
    }
    emit cursorPositionChanged();
  }
  if ((hadSelection || hasSelection()) && (oldStart != selectionStart() || oldEnd != selectionEnd())) {
    if (QAccessible::isActive()) {
      QAccessibleTextSelectionEvent ev(this, selectionStart(), selectionEnd());
      QAccessible::updateAccessibility(&ev);
    }
    emit selectionChanged();
  }
  if (!preedit_.isEmpty() && !fromEdit) preedit_.clear();
}

int ByteTextField::nextCharPos(int pos) const {
  if (pos >= length()) return length();
  if (QChar::isHighSurrogate(doc_.at(pos)) && pos + 1 < length() && QChar::isLowSurrogate(doc_.at(pos + 1)))
    return pos + 2;
  return pos + 1;
}

int ByteTextField::previousCharPos(int pos) const {
  if (pos <= 0) return 0;
  if (QChar::isLowSurrogate(doc_.at(pos - 1)) && pos >= 2 && QChar::isHighSurrogate(doc_.at(pos - 2))) return pos - 2;
  return pos - 1;
}

int ByteTextField::nextWordPos(int pos) const {
  const int n = length();
  while (pos < n && !isBlank(doc_.at(pos))) ++pos;
  while (pos < n && isBlank(doc_.at(pos))) ++pos;
  return pos;
}

int ByteTextField::previousWordPos(int pos) const {
  while (pos > 0 && isBlank(doc_.at(pos - 1))) --pos;
  while (pos > 0 && !isBlank(doc_.at(pos - 1))) --pos;
  return pos;
}

// The run of non-blank characters (a cell of byte text) or of blanks around index.
std::pair<int, int> ByteTextField::wordAround(int index) const {
  const int n = length();
  if (n == 0) return {0, 0};
  index = std::clamp(index, 0, n - 1);
  const char16_t c = doc_.at(index);
  if (c == u'\n') return {index, index};
  const bool blank = isBlank(c);
  const auto same = [&](int i) {
    const char16_t u = doc_.at(i);
    return u != u'\n' && isBlank(u) == blank;
  };
  int a = index;
  int b = index + 1;
  while (a > 0 && same(a - 1)) --a;
  while (b < n && same(b)) ++b;
  return {a, b};
}

int ByteTextField::rowEndCaret(int row) const {
  const int s = rows_.start(row);
  const int e = rows_.end(row);
  if (row + 1 < rows_.count() && e > s) {
    const char16_t c = doc_.at(e - 1);
    if (c == u'\n' || c == u' ' || c == u'\t') return e - 1;
  }
  return e;
}

void ByteTextField::moveCaret(Move move, bool select) {
  ensureLayout();
  int target = cursor_;
  bool keepGoal = false;
  const bool collapse = hasSelection() && !select;
  switch (move) {
    case Move::NextChar:
      target = collapse ? selectionEnd() : nextCharPos(cursor_);
      break;
    case Move::PreviousChar:
      target = collapse ? selectionStart() : previousCharPos(cursor_);
      break;
    case Move::NextWord:
      target = nextWordPos(cursor_);
      break;
    case Move::PreviousWord:
      target = previousWordPos(cursor_);
      break;
    case Move::StartOfRow:
      target = rows_.start(rows_.rowOf(cursor_));
      break;
    case Move::EndOfRow:
      target = rowEndCaret(rows_.rowOf(cursor_));
      break;
    case Move::StartOfText:
      target = 0;
      break;
    case Move::EndOfText:
      target = length();
      break;
    case Move::NextRow:
    case Move::PreviousRow:
    case Move::NextPage:
    case Move::PreviousPage: {
      const int row = rows_.rowOf(cursor_);
      if (goalX_ < 0) goalX_ = xOf(row, cursor_);
      keepGoal = true;
      const bool page = move == Move::NextPage || move == Move::PreviousPage;
      const int step = page ? visibleRowCount() : 1;
      const bool down = move == Move::NextRow || move == Move::NextPage;
      const int to = down ? row + step : row - step;
      if (to < 0) {
        target = 0;
      } else if (to >= rows_.count()) {
        target = length();
      } else {
        target = positionAtX(to, goalX_, true);
      }
      if (page) {
        if (scrollDirty_) updateScrollBar();
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(bar->value() + (down ? step : -step));
      }
      break;
    }
  }
  setCaret(select ? anchor_ : target, target, false, keepGoal);
  if (select) setSelectionClipboard();
}

// ---------------------------------------------------------------------------------------------
// Clipboard

void ByteTextField::copy() {
  if (hasSelection()) QGuiApplication::clipboard()->setText(selectedText());
}

void ByteTextField::cut() {
  if (!hasSelection()) return;
  copy();
  edit(selectionStart(), selectionEnd(), QString(), EditKind::Other);
}

void ByteTextField::paste() {
  const QString text = QGuiApplication::clipboard()->text();
  if (text.isEmpty()) return;
  edit(selectionStart(), selectionEnd(), ByteTextDocument::normalized(text), EditKind::Other);
}

void ByteTextField::setSelectionClipboard() {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!hasSelection() || !clipboard->supportsSelection()) return;
  if (primary_ != nullptr && clipboard->ownsSelection() && clipboard->mimeData(QClipboard::Selection) == primary_) {
    static_cast<SelectionMimeData*>(primary_.data())->setRange(selectionStart(), selectionEnd());
    return;
  }
  auto* mime = new SelectionMimeData(this, selectionStart(), selectionEnd());
  primary_ = mime;
  clipboard->setMimeData(mime, QClipboard::Selection);
}

QMimeData* ByteTextField::createMimeDataFromSelection() const {
  auto* mime = new QMimeData;
  mime->setText(selectedText());
  mime->setData(kFieldDragFormat, dragIdentity(this));
  return mime;
}

// ---------------------------------------------------------------------------------------------
// Layout and scrolling

double ByteTextField::wrapWidth() const { return std::max(1, viewport()->width() - 2 * kMargin); }

void ByteTextField::ensureLayout() const {
  if (layoutValid_) return;
  rows_.setWidth(wrapWidth());
  rows_.rebuild(doc_.buffer(), adv_);
  layoutValid_ = true;
}

int ByteTextField::rowCount() const {
  ensureLayout();
  return rows_.count();
}

int ByteTextField::rowStart(int row) const {
  ensureLayout();
  return rows_.start(std::clamp(row, 0, rows_.count() - 1));
}

int ByteTextField::rowOfPosition(int pos) const {
  ensureLayout();
  return rows_.rowOf(std::clamp(pos, 0, length()));
}

int ByteTextField::visibleRowCount() const { return std::max(1, (viewport()->height() - kMargin) / rowHeight_); }

int ByteTextField::firstVisibleRow() const {
  ensureLayout();
  return std::clamp(verticalScrollBar()->value(), 0, rows_.count() - 1);
}

void ByteTextField::updateScrollBar() {
  ensureLayout();
  scrollDirty_ = false;
  QScrollBar* bar = verticalScrollBar();
  const int visible = visibleRowCount();
  bar->setPageStep(visible);
  bar->setRange(0, std::max(0, rows_.count() - visible));
}

void ByteTextField::ensureCursorVisible() { scrollToPosition(cursor_); }

void ByteTextField::scrollToPosition(int pos) {
  ensureLayout();
  if (scrollDirty_) updateScrollBar();
  ensureVisiblePending_ = false;
  const int row = rows_.rowOf(std::clamp(pos, 0, length()));
  QScrollBar* bar = verticalScrollBar();
  const int visible = visibleRowCount();
  if (row < bar->value()) {
    bar->setValue(row);
  } else if (row >= bar->value() + visible) {
    bar->setValue(row - visible + 1);
  }
}

void ByteTextField::scheduleSync() {
  if (syncQueued_) return;
  syncQueued_ = true;
  QMetaObject::invokeMethod(
      this,
      [this] {
        syncQueued_ = false;
        if (isVisible()) syncNow();
      },
      Qt::QueuedConnection);
}

void ByteTextField::syncNow() {
  ensureLayout();
  if (scrollDirty_) updateScrollBar();
  if (ensureVisiblePending_) ensureCursorVisible();
}

void ByteTextField::requestUpdate() {
  if (updateQueued_) return;
  updateQueued_ = true;
  viewport()->update();
}

void ByteTextField::relayoutKeepingView() {
  if (!layoutValid_) return;
  const int topPos = rows_.start(firstVisibleRow());
  layoutValid_ = false;
  if (!isVisible()) return;
  ensureLayout();
  updateScrollBar();
  verticalScrollBar()->setValue(rows_.rowOf(topPos));
}

void ByteTextField::updateFontMetrics() {
  drawFont_ = font();
  // Without kerning and shaping a row's glyphs sit exactly at the summed advances, which the
  // wrapping, the caret and the mouse all rely on.
  drawFont_.setKerning(false);
  drawFont_.setStyleStrategy(static_cast<QFont::StyleStrategy>(drawFont_.styleStrategy() | QFont::PreferNoShaping));
  adv_.setFont(drawFont_);
  rowHeight_ = std::max(1, static_cast<int>(std::ceil(adv_.metrics().lineSpacing())));
  ascent_ = static_cast<int>(std::ceil(adv_.metrics().ascent()));
  relayoutKeepingView();
  scrollDirty_ = true;
  requestUpdate();
}

void ByteTextField::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  if (wrapWidth() != rows_.width()) relayoutKeepingView();
  scrollDirty_ = true;
  if (isVisible()) syncNow();
}

void ByteTextField::showEvent(QShowEvent* e) {
  QAbstractScrollArea::showEvent(e);
  syncNow();
}

void ByteTextField::changeEvent(QEvent* e) {
  QAbstractScrollArea::changeEvent(e);
  if (e->type() == QEvent::FontChange) updateFontMetrics();
}

void ByteTextField::scrollContentsBy(int /*dx*/, int /*dy*/) {
  if (!inPaint_) viewport()->update();
}

// ---------------------------------------------------------------------------------------------
// Geometry of positions

double ByteTextField::xOf(int row, int pos) const {
  const int s = rows_.start(row);
  const int e = std::min(pos, rows_.end(row));
  double x = 0.0;
  for (int i = s; i < e; ++i) {
    const char16_t c = doc_.at(i);
    if (c == u'\t') {
      x = CharAdvances::nextTab(x);
    } else if (c != u'\n') {
      x += adv_.at(doc_.buffer(), i);
    }
  }
  return x;
}

int ByteTextField::positionAtX(int row, double x, bool nearest) const {
  const int s = rows_.start(row);
  const int end = rowEndCaret(row);
  double cur = 0.0;
  for (int i = s; i < end; ++i) {
    const char16_t c = doc_.at(i);
    if (QChar::isLowSurrogate(c)) continue;
    const double next = c == u'\t' ? CharAdvances::nextTab(cur) : cur + adv_.at(doc_.buffer(), i);
    const double split = nearest ? (cur + next) / 2.0 : next;
    if (x < split) return i;
    cur = next;
  }
  return end;
}

int ByteTextField::rowAtY(int y) const {
  const int offset = y - kMargin;
  const int rel = offset < 0 ? -((rowHeight_ - 1 - offset) / rowHeight_) : offset / rowHeight_;
  return std::clamp(firstVisibleRow() + rel, 0, rows_.count() - 1);
}

// The character under the point (not the caret position nearest to it).
int ByteTextField::indexAt(QPoint p) const {
  ensureLayout();
  return positionAtX(rowAtY(p.y()), p.x() - kMargin, false);
}

int ByteTextField::positionAt(QPoint p) const {
  ensureLayout();
  const int row = rowAtY(p.y());
  return positionAtX(row, p.x() - kMargin, true);
}

QRect ByteTextField::caretRect(int pos) const {
  ensureLayout();
  pos = std::clamp(pos, 0, length());
  const int row = rows_.rowOf(pos);
  const int x = kMargin + static_cast<int>(std::floor(xOf(row, pos)));
  const int y = kMargin + (row - firstVisibleRow()) * rowHeight_;
  return {std::min(x, std::max(kMargin, viewport()->width() - 2)), y, 1, rowHeight_};
}

QRect ByteTextField::characterRect(int pos) const {
  ensureLayout();
  pos = std::clamp(pos, 0, length());
  const QRect caret = caretRect(pos);
  double w = 0.0;
  if (pos < length()) {
    const int row = rows_.rowOf(pos);
    w = xOf(row, nextCharPos(pos)) - xOf(row, pos);
  }
  return {caret.x(), caret.y(), std::max(1, static_cast<int>(std::ceil(w))), rowHeight_};
}

std::size_t ByteTextField::memoryUsage() const { return doc_.memoryUsage() + rows_.capacityBytes(); }

// ---------------------------------------------------------------------------------------------
// Painting

void ByteTextField::paintEvent(QPaintEvent* e) {
  updateQueued_ = false;
  inPaint_ = true;
  syncNow();
  inPaint_ = false;

  QPainter p(viewport());
  p.setFont(drawFont_);
  const QRect clip = e->rect();
  const int selStart = selectionStart();
  const int selEnd = selectionEnd();
  const int rows = rows_.count();
  const int height = viewport()->height();
  for (int row = firstVisibleRow(), y = kMargin; row < rows && y < height; ++row, y += rowHeight_) {
    if (y + rowHeight_ <= clip.top() || y > clip.bottom()) continue;
    paintRow(p, row, y, selStart, selEnd);
  }

  if (!preedit_.isEmpty()) {
    // Input-method text being composed: shown over the text at the caret, underlined.
    const QRect caret = caretRect(cursor_);
    const QFontMetricsF& fm = adv_.metrics();
    const QRectF box(caret.x(), caret.y(), fm.horizontalAdvance(preedit_) + 1, rowHeight_);
    p.fillRect(box, palette().base());
    p.setPen(palette().text().color());
    p.drawText(QPointF(box.x(), caret.y() + ascent_), preedit_);
    p.drawLine(QPointF(box.left(), box.bottom()), QPointF(box.right(), box.bottom()));
    const double cx = box.x() + fm.horizontalAdvance(preedit_.left(preeditCursor_));
    p.fillRect(QRectF(cx, caret.y(), 1, rowHeight_), palette().text());
  } else if (hasFocus() && caretShown_) {
    p.fillRect(caretRect(cursor_), palette().text());
  }
  if (dropCaret_ >= 0) p.fillRect(caretRect(dropCaret_), palette().text());
}

void ByteTextField::paintRow(QPainter& p, int row, int y, int selStart, int selEnd) const {
  const int s = rows_.start(row);
  const int e = rows_.end(row);
  int visibleEnd = e;
  if (visibleEnd > s && doc_.at(visibleEnd - 1) == u'\n') --visibleEnd;
  const QString str = doc_.mid(s, visibleEnd - s);
  const int baseline = y + ascent_;

  // Draws the row in pieces between tabs so that tabs land on the same stops as in the layout.
  const auto drawRow = [&] {
    double x = 0.0;
    int segStart = 0;
    double segX = 0.0;
    for (int i = 0; i <= str.size(); ++i) {
      const bool tab = i < str.size() && str.at(i) == u'\t';
      if (i == str.size() || tab) {
        if (i > segStart) p.drawText(QPointF(kMargin + segX, baseline), str.mid(segStart, i - segStart));
        if (tab) {
          x = CharAdvances::nextTab(x);
          segStart = i + 1;
          segX = x;
        }
        continue;
      }
      const char16_t next = i + 1 < str.size() ? str.at(i + 1).unicode() : u'\0';
      x += adv_.of(str.at(i).unicode(), next);
    }
  };

  p.setPen(palette().text().color());
  drawRow();

  if (selStart < selEnd && selStart < e && selEnd > s) {
    const double x0 = xOf(row, std::max(selStart, s));
    double x1 = xOf(row, std::min(selEnd, e));
    if (selEnd > visibleEnd && visibleEnd < e) x1 += adv_.ascii(u' ');  // selected line break
    const QRectF band(kMargin + x0, y, std::max(1.0, x1 - x0), rowHeight_);
    p.fillRect(band, palette().highlight());
    p.save();
    p.setClipRect(band);
    p.setPen(palette().highlightedText().color());
    drawRow();
    p.restore();
  }
}

// ---------------------------------------------------------------------------------------------
// Keyboard

bool ByteTextField::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride) {
    // Editing keys belong to the field, not to window shortcuts.
    auto* ke = static_cast<QKeyEvent*>(e);
    const Qt::KeyboardModifiers mods = ke->modifiers() & ~Qt::KeypadModifier;
    bool mine = false;
    if (mods == Qt::NoModifier || mods == Qt::ShiftModifier) {
      mine = ke->key() < Qt::Key_Escape || ke->key() == Qt::Key_Backspace || ke->key() == Qt::Key_Delete ||
             ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter || ke->key() == Qt::Key_Home ||
             ke->key() == Qt::Key_End || ke->key() == Qt::Key_Left || ke->key() == Qt::Key_Right ||
             ke->key() == Qt::Key_Up || ke->key() == Qt::Key_Down || ke->key() == Qt::Key_PageUp ||
             ke->key() == Qt::Key_PageDown;
    }
    static constexpr std::array kOwn{QKeySequence::Copy,
                                     QKeySequence::Cut,
                                     QKeySequence::Paste,
                                     QKeySequence::Undo,
                                     QKeySequence::Redo,
                                     QKeySequence::SelectAll,
                                     QKeySequence::MoveToNextWord,
                                     QKeySequence::MoveToPreviousWord,
                                     QKeySequence::MoveToStartOfDocument,
                                     QKeySequence::MoveToEndOfDocument,
                                     QKeySequence::SelectNextWord,
                                     QKeySequence::SelectPreviousWord,
                                     QKeySequence::SelectStartOfDocument,
                                     QKeySequence::SelectEndOfDocument,
                                     QKeySequence::DeleteStartOfWord,
                                     QKeySequence::DeleteEndOfWord,
                                     QKeySequence::DeleteEndOfLine};
    for (const QKeySequence::StandardKey k : kOwn) mine = mine || ke->matches(k);
    mine = mine || (ke->key() == Qt::Key_K && mods == Qt::ControlModifier);  // whatever the key scheme
    if (mine) {
      ke->accept();
      return true;
    }
  }
  return QAbstractScrollArea::event(e);
}

bool ByteTextField::focusNextPrevChild(bool next) {
  // Tab types a tab unless the field passes the focus on.
  if (!tabChangesFocus_) return false;
  return QAbstractScrollArea::focusNextPrevChild(next);
}

bool ByteTextField::handleMoveKey(QKeyEvent* e) {
  struct Binding {
    QKeySequence::StandardKey move;
    QKeySequence::StandardKey select;
    Move op;
  };
  static constexpr auto kBindings = std::to_array<Binding>({
      {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar, Move::NextChar},
      {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar, Move::PreviousChar},
      {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord, Move::NextWord},
      {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord, Move::PreviousWord},
      {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine, Move::NextRow},
      {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine, Move::PreviousRow},
      {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage, Move::NextPage},
      {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage, Move::PreviousPage},
      {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine, Move::StartOfRow},
      {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine, Move::EndOfRow},
      {QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock, Move::StartOfRow},
      {QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock, Move::EndOfRow},
      {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument, Move::StartOfText},
      {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument, Move::EndOfText},
  });
  for (const Binding& b : kBindings) {
    if (e->matches(b.move)) {
      moveCaret(b.op, false);
      return true;
    }
    if (e->matches(b.select)) {
      moveCaret(b.op, true);
      return true;
    }
  }
  return false;
}

void ByteTextField::typeText(const QString& text) {
  edit(selectionStart(), selectionEnd(), ByteTextDocument::normalized(text),
       hasSelection() ? EditKind::Other : EditKind::Typing);
}

void ByteTextField::deleteBackward(bool word) {
  if (hasSelection()) {
    edit(selectionStart(), selectionEnd(), QString(), EditKind::Other);
  } else if (cursor_ > 0) {
    const int from = word ? previousWordPos(cursor_) : previousCharPos(cursor_);
    edit(from, cursor_, QString(), word ? EditKind::Other : EditKind::Backspace);
  }
}

void ByteTextField::deleteForward(bool word) {
  if (hasSelection()) {
    edit(selectionStart(), selectionEnd(), QString(), EditKind::Other);
  } else if (cursor_ < length()) {
    const int to = word ? nextWordPos(cursor_) : nextCharPos(cursor_);
    edit(cursor_, to, QString(), word ? EditKind::Other : EditKind::DeleteForward);
  }
}

// Ctrl+K: up to the next line break, or the line break itself when the caret stands before it.
void ByteTextField::deleteToEndOfParagraph() {
  const int from = cursor_;
  int to = doc_.buffer().indexOf(u'\n', from);
  if (to == from && to < length()) ++to;
  edit(from, to, QString(), EditKind::Other);
}

void ByteTextField::keyPressEvent(QKeyEvent* e) {
  if (e->matches(QKeySequence::SelectAll)) {
    selectAll();
  } else if (e->matches(QKeySequence::Copy)) {
    copy();
  } else if (e->matches(QKeySequence::Cut)) {
    cut();
  } else if (e->matches(QKeySequence::Paste)) {
    paste();
  } else if (e->matches(QKeySequence::Undo)) {
    undo();
  } else if (e->matches(QKeySequence::Redo)) {
    redo();
  } else if (handleMoveKey(e)) {
  } else if (e->matches(QKeySequence::DeleteStartOfWord)) {
    deleteBackward(true);
  } else if (e->matches(QKeySequence::DeleteEndOfWord)) {
    deleteForward(true);
  } else if (e->matches(QKeySequence::DeleteEndOfLine) ||
             (e->key() == Qt::Key_K && (e->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier)) {
    deleteToEndOfParagraph();
  } else if (e->key() == Qt::Key_Backspace && !(e->modifiers() & ~Qt::ShiftModifier)) {
    deleteBackward(false);
  } else if (e->matches(QKeySequence::Delete)) {
    deleteForward(false);
  } else if (e->matches(QKeySequence::InsertParagraphSeparator) || e->matches(QKeySequence::InsertLineSeparator)) {
    typeText(QStringLiteral("\n"));
  } else if (e->key() == Qt::Key_Tab && !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
    if (tabChangesFocus_) {
      e->ignore();
      return;
    }
    typeText(QStringLiteral("\t"));
  } else {
    const QString text = e->text();
    const bool printable =
        !text.isEmpty() && text.at(0).isPrint() && !(e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    if (!printable) {
      e->ignore();
      return;
    }
    typeText(text);
  }
  e->accept();
  syncNow();
}

// ---------------------------------------------------------------------------------------------
// Input method

void ByteTextField::inputMethodEvent(QInputMethodEvent* e) {
  ensureLayout();
  const int surroundStart = rows_.start(rows_.rowOf(cursor_));
  if (!e->commitString().isEmpty() || e->replacementLength() > 0) {
    int from = selectionStart();
    int to = selectionEnd();
    if (e->replacementLength() > 0 || e->replacementStart() != 0) {
      from = std::clamp(cursor_ + e->replacementStart(), 0, length());
      to = std::clamp(from + e->replacementLength(), from, length());
    }
    edit(from, to, ByteTextDocument::normalized(e->commitString()), EditKind::Other);
  }
  for (const QInputMethodEvent::Attribute& a : e->attributes()) {
    if (a.type == QInputMethodEvent::Selection) {
      const int anchor = surroundStart + a.start;
      setSelection(anchor, anchor + a.length);
    }
  }
  preedit_ = e->preeditString();
  preeditCursor_ = static_cast<int>(preedit_.size());
  for (const QInputMethodEvent::Attribute& a : e->attributes()) {
    if (a.type == QInputMethodEvent::Cursor) preeditCursor_ = std::clamp(a.start, 0, static_cast<int>(preedit_.size()));
  }
  viewport()->update();
  e->accept();
}

QVariant ByteTextField::inputMethodQuery(Qt::InputMethodQuery query) const {
  ensureLayout();
  const int row = rows_.rowOf(cursor_);
  const int surroundStart = rows_.start(row);
  const int surroundEnd = rows_.end(row);
  const QPoint offset = viewport()->pos();
  switch (query) {
    case Qt::ImEnabled:
      return true;
    case Qt::ImHints:
      return static_cast<int>(Qt::ImhMultiLine);
    case Qt::ImCursorRectangle:
      return caretRect(cursor_).translated(offset);
    case Qt::ImAnchorRectangle:
      return caretRect(anchor_).translated(offset);
    case Qt::ImFont:
      return drawFont_;
    case Qt::ImCursorPosition:
      return cursor_ - surroundStart;
    case Qt::ImAnchorPosition:
      return std::clamp(anchor_, surroundStart, surroundEnd) - surroundStart;
    case Qt::ImSurroundingText:
      return textRange(surroundStart, surroundEnd);
    case Qt::ImCurrentSelection:
      return selectedText();
    case Qt::ImTextBeforeCursor:
      return textRange(cursor_ - 256, cursor_);
    case Qt::ImTextAfterCursor:
      return textRange(cursor_, cursor_ + 256);
    case Qt::ImAbsolutePosition:
      return cursor_;
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

// ---------------------------------------------------------------------------------------------
// Mouse

void ByteTextField::mousePressEvent(QMouseEvent* e) {
  const QPoint point = e->position().toPoint();
  const int pos = positionAt(point);
  if (e->button() == Qt::LeftButton && tripleClickTimer_.isActive() &&
      (point - tripleClickPoint_).manhattanLength() < QApplication::startDragDistance()) {
    tripleClickTimer_.stop();
    selectParagraph(indexAt(point));
  } else if (e->button() == Qt::LeftButton && !(e->modifiers() & Qt::ShiftModifier) && hasSelection() &&
             indexAt(point) >= selectionStart() && indexAt(point) < selectionEnd()) {
    dragPending_ = true;  // a click collapses the selection on release, a move drags it
    dragStartPoint_ = point;
  } else if (e->button() == Qt::LeftButton) {
    selectingWords_ = false;
    mouseSelecting_ = true;
    if (e->modifiers() & Qt::ShiftModifier) {
      setCaret(anchor_, pos);
    } else {
      setCaret(pos, pos);
    }
  } else if (e->button() == Qt::MiddleButton) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection()) {
      const QString text = clipboard->text(QClipboard::Selection);
      setCaret(pos, pos);
      if (!text.isEmpty()) edit(pos, pos, ByteTextDocument::normalized(text), EditKind::Other);
    }
  }
  e->accept();
}

// The line between line breaks around index (the whole text when it has none).
void ByteTextField::selectParagraph(int index) {
  const GapBuffer& text = doc_.buffer();
  const int start = index > 0 ? text.lastIndexOf(u'\n', index) + 1 : 0;
  setCaret(start, text.indexOf(u'\n', start));
  selectingWords_ = false;
  mouseSelecting_ = false;
  setSelectionClipboard();
}

void ByteTextField::startDrag() {
  auto* drag = new QDrag(this);
  drag->setMimeData(createMimeDataFromSelection());
  // A drop into this field moves the text there (dropEvent); a drop elsewhere copies it, as the
  // field never deletes text on another program's word.
  drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
}

void ByteTextField::extendMouseSelection(int pos) {
  if (!selectingWords_) {
    setCaret(anchor_, pos);
    return;
  }
  // After a double-click the selection grows by whole cells.
  if (pos < wordAnchorStart_) {
    setCaret(wordAnchorEnd_, wordAround(pos).first);
  } else if (pos > wordAnchorEnd_) {
    setCaret(wordAnchorStart_, wordAround(pos - 1).second);
  } else {
    setCaret(wordAnchorStart_, wordAnchorEnd_);
  }
}

void ByteTextField::mouseMoveEvent(QMouseEvent* e) {
  const QPoint p = e->position().toPoint();
  if (dragPending_ && (e->buttons() & Qt::LeftButton)) {
    if ((p - dragStartPoint_).manhattanLength() >= QApplication::startDragDistance()) {
      dragPending_ = false;
      startDrag();
    }
    return;
  }
  if (!mouseSelecting_ || !(e->buttons() & Qt::LeftButton)) return;
  extendMouseSelection(positionAt(p));
  if (p.y() < 0 || p.y() >= viewport()->height()) {
    if (!dragScrollTimer_.isActive()) dragScrollTimer_.start(50, this);
  } else {
    dragScrollTimer_.stop();
  }
  syncNow();
}

void ByteTextField::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton && dragPending_) {
    dragPending_ = false;
    const int pos = positionAt(e->position().toPoint());
    setCaret(pos, pos);
  } else if (e->button() == Qt::LeftButton && mouseSelecting_) {
    mouseSelecting_ = false;
    dragScrollTimer_.stop();
    setSelectionClipboard();
  }
  e->accept();
}

void ByteTextField::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) {
    e->ignore();
    return;
  }
  ensureLayout();
  const QPoint p = e->position().toPoint();
  const auto [a, b] = wordAround(indexAt(p));
  setCaret(a, b);
  selectingWords_ = true;
  mouseSelecting_ = true;
  wordAnchorStart_ = a;
  wordAnchorEnd_ = b;
  tripleClickPoint_ = p;
  tripleClickTimer_.start(QApplication::doubleClickInterval(), this);
  setSelectionClipboard();
  e->accept();
}

void ByteTextField::timerEvent(QTimerEvent* e) {
  if (e->timerId() == blinkTimer_.timerId()) {
    caretShown_ = !caretShown_;
    viewport()->update(caretRect(cursor_).adjusted(-1, 0, 1, 0));
  } else if (e->timerId() == tripleClickTimer_.timerId()) {
    tripleClickTimer_.stop();
  } else if (e->timerId() == dragScrollTimer_.timerId()) {
    const QPoint p = viewport()->mapFromGlobal(QCursor::pos());
    QScrollBar* bar = verticalScrollBar();
    if (p.y() < 0) bar->setValue(bar->value() - 1);
    if (p.y() >= viewport()->height()) bar->setValue(bar->value() + 1);
    extendMouseSelection(positionAt(p));
  } else {
    QAbstractScrollArea::timerEvent(e);
  }
}

// ---------------------------------------------------------------------------------------------
// Focus, caret blinking, context menu

void ByteTextField::restartBlink() {
  caretShown_ = true;
  const int flash = QApplication::cursorFlashTime();
  if (hasFocus() && flash > 0) {
    blinkTimer_.start(flash / 2, this);
  } else {
    blinkTimer_.stop();
  }
}

void ByteTextField::focusInEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusInEvent(e);
  restartBlink();
  viewport()->update();
}

void ByteTextField::focusOutEvent(QFocusEvent* e) {
  QAbstractScrollArea::focusOutEvent(e);
  blinkTimer_.stop();
  if (!preedit_.isEmpty()) preedit_.clear();
  viewport()->update();
}

QMenu* ByteTextField::createStandardContextMenu() {
  auto* menu = new QMenu(this);
  const auto add = [&](const char* text, QKeySequence::StandardKey key, const char* name, bool enabled, auto slot) {
    QAction* a = menu->addAction(actionText(text, key), this, slot);
    a->setObjectName(QString::fromLatin1(name));
    a->setEnabled(enabled);
    return a;
  };
  add("&Undo", QKeySequence::Undo, "edit-undo", isUndoAvailable(), &ByteTextField::undo);
  add("&Redo", QKeySequence::Redo, "edit-redo", isRedoAvailable(), &ByteTextField::redo);
  menu->addSeparator();
  add("Cu&t", QKeySequence::Cut, "edit-cut", hasSelection(), &ByteTextField::cut);
  add("&Copy", QKeySequence::Copy, "edit-copy", hasSelection(), &ByteTextField::copy);
  const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
  add("&Paste", QKeySequence::Paste, "edit-paste", mime != nullptr && mime->hasText(), &ByteTextField::paste);
  QAction* del = menu->addAction(QCoreApplication::translate("QWidgetTextControl", "Delete"), this,
                                 [this] { deleteForward(false); });
  del->setObjectName(QStringLiteral("edit-delete"));
  del->setEnabled(hasSelection());
  menu->addSeparator();
  add("Select All", QKeySequence::SelectAll, "select-all", length() > 0, &ByteTextField::selectAll);
  return menu;
}

void ByteTextField::contextMenuEvent(QContextMenuEvent* e) {
  QMenu* menu = createStandardContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  QPoint at = e->globalPos();
  if (e->reason() == QContextMenuEvent::Keyboard) at = viewport()->mapToGlobal(cursorRect().bottomLeft());
  menu->popup(at);
  e->accept();
}

// ---------------------------------------------------------------------------------------------
// Drag and drop

bool ByteTextField::isOwnDrag(const QMimeData* mime) const {
  return mime->hasFormat(kFieldDragFormat) && mime->data(kFieldDragFormat) == dragIdentity(this);
}

void ByteTextField::dragEnterEvent(QDragEnterEvent* e) {
  if (!acceptsDrop(e->mimeData())) {
    e->ignore();  // left to the window
    return;
  }
  dragMoveEvent(e);
}

void ByteTextField::dragMoveEvent(QDragMoveEvent* e) {
  if (!acceptsDrop(e->mimeData())) {
    e->ignore();
    return;
  }
  const bool move = isOwnDrag(e->mimeData()) && !(e->modifiers() & Qt::ControlModifier);
  e->setDropAction(move ? Qt::MoveAction : Qt::CopyAction);
  e->accept();
  const int pos = positionAt(e->position().toPoint());
  if (pos != dropCaret_) {
    dropCaret_ = pos;
    viewport()->update();
  }
}

void ByteTextField::dragLeaveEvent(QDragLeaveEvent* e) {
  dropCaret_ = -1;
  viewport()->update();
  e->accept();
}

// A drag from this field moves its selection (Ctrl held: copies it); text from elsewhere is
// inserted. Either way one undo step, and the dropped text ends selected.
void ByteTextField::dropEvent(QDropEvent* e) {
  dropCaret_ = -1;
  viewport()->update();
  const QMimeData* mime = e->mimeData();
  if (!acceptsDrop(mime)) {
    e->ignore();
    return;
  }
  const int to = positionAt(e->position().toPoint());
  const bool move = isOwnDrag(mime) && !(e->modifiers() & Qt::ControlModifier);
  e->setDropAction(move ? Qt::MoveAction : Qt::CopyAction);
  e->accept();
  if (move) {
    const int start = selectionStart();
    const int end = selectionEnd();
    if (to >= start && to <= end) return;  // onto itself
    const bool couldUndo = doc_.canUndo();
    const int at = doc_.moveText(start, end, to, Caret{anchor_, cursor_});
    setCaret(at, at + (end - start), true);
    emit textChanged();
    if (!couldUndo) emit undoAvailable(true);
  } else {
    const QString text = ByteTextDocument::normalized(mime->text());
    if (text.isEmpty()) return;
    edit(to, to, text, EditKind::Other);
    setCaret(to, to + static_cast<int>(text.size()), true);
  }
  setFocus(Qt::MouseFocusReason);
}

}  // namespace quorix
