#include "byte_text_field.h"

#include "byte_text_field_accessible.h"
#include "row_painter.h"
#include "selection_mime.h"

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
#include <QTimerEvent>

#include <algorithm>

namespace quorix {

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
  connect(&doc_, &ByteTextDocument::undoAvailable, this, &ByteTextField::undoAvailable);
  connect(&doc_, &ByteTextDocument::redoAvailable, this, &ByteTextField::redoAvailable);
  updateFontMetrics();
}

ByteTextField::~ByteTextField() = default;

// Contents

QString ByteTextField::toPlainText() const { return doc_.text(); }

QString ByteTextField::textRange(int start, int end) const {
  start = std::clamp(start, 0, length());
  end = std::clamp(end, start, length());
  return doc_.mid(start, end - start);
}

QString ByteTextField::selectedText() const { return doc_.mid(selectionStart(), selectionEnd() - selectionStart()); }

void ByteTextField::setPlainText(QString text) {
  const Caret before = caret_;
  caret_ = Caret{};
  goalX_ = -1.0;
  preedit_.clear();
  doc_.setText(std::move(text), before);
  verticalScrollBar()->setValue(0);
  if (isVisible()) syncNow();
  restartBlink();

  emit textChanged();
  if (before.cursor != 0) emit cursorPositionChanged();
  if (before.hasSelection()) emit selectionChanged();
}

void ByteTextField::clearHistory() { doc_.clearHistory(); }

void ByteTextField::insertPlainText(const QString& text) {
  edit(selectionStart(), selectionEnd(), text, EditKind::Append);
}

void ByteTextField::replaceRange(int start, int end, const QString& text) {
  start = std::clamp(start, 0, length());
  end = std::clamp(end, start, length());
  edit(start, end, text, EditKind::Other);
}

// Returns where the inserted text ends, with the caret there.
int ByteTextField::edit(int start, int end, const QString& text, EditKind kind) {
  if (start == end && text.isEmpty()) return end;
  const int after = doc_.replace(start, end, text, kind, caret_);
  editDone(Caret{after, after});
  return after;
}

// After every edit, undo and redo: the caret where the document says, then textChanged().
void ByteTextField::editDone(Caret caret) {
  setCaret(caret.anchor, caret.cursor, true);
  emit textChanged();
}

// The view, the row layout and screen readers follow every change of the text.
void ByteTextField::documentChanged(int pos, int removed, int inserted) {
  layout_.textChanged(pos, removed, inserted);
  scrollDirty_ = true;
  requestUpdate();
  scheduleSync();
  announceTextChange(this, doc_, pos, removed, inserted);
}

void ByteTextField::undo() {
  if (const std::optional<Caret> caret = doc_.undo()) editDone(*caret);
}

void ByteTextField::redo() {
  if (const std::optional<Caret> caret = doc_.redo()) editDone(*caret);
}

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
  const Caret old = caret_;
  caret_ = Caret{anchor, cursor};
  if (!fromEdit) doc_.closeMerge();
  if (!keepGoal) goalX_ = -1.0;
  ensureVisiblePending_ = true;
  scheduleSync();
  restartBlink();
  const bool selecting = old.hasSelection() || hasSelection();
  if (old.cursor != cursor || selecting) requestUpdate();

  if (old.cursor != cursor) {
    announceCaret(this, cursor);
    emit cursorPositionChanged();
  }
  if (selecting && (old.start() != selectionStart() || old.end() != selectionEnd())) {
    announceSelection(this, selectionStart(), selectionEnd());
    emit selectionChanged();
  }
  if (!preedit_.isEmpty() && !fromEdit) preedit_.clear();
}

void ByteTextField::moveCaret(Move move, bool select) {
  ensureLayout();
  const int cursor = caret_.cursor;
  const bool down = move == Move::NextRow || move == Move::NextPage;
  const bool page = move == Move::NextPage || move == Move::PreviousPage;
  int target = cursor;
  if (page || down || move == Move::PreviousRow) {
    if (goalX_ < 0) goalX_ = layout_.xOf(layout_.rowOf(cursor), cursor);
    const int step = page ? visibleRowCount() : 1;
    target = layout_.positionRowsAway(cursor, down ? step : -step, goalX_);
    if (page) {
      if (scrollDirty_) updateScrollBar();
      verticalScrollBar()->setValue(verticalScrollBar()->value() + (down ? step : -step));
    }
    setCaret(select ? caret_.anchor : target, target, false, true);
    if (select) setSelectionClipboard();
    return;
  }
  const bool collapse = hasSelection() && !select;  // a plain arrow leaves the selection at its edge
  switch (move) {
    case Move::NextChar:
      target = collapse ? selectionEnd() : nav_.nextChar(cursor);
      break;
    case Move::PreviousChar:
      target = collapse ? selectionStart() : nav_.previousChar(cursor);
      break;
    case Move::NextWord:
      target = nav_.nextWord(cursor);
      break;
    case Move::PreviousWord:
      target = nav_.previousWord(cursor);
      break;
    case Move::StartOfRow:
      target = layout_.rowStart(layout_.rowOf(cursor));
      break;
    case Move::EndOfRow:
      target = layout_.rowEndCaret(layout_.rowOf(cursor));
      break;
    case Move::EndOfText:
      target = length();
      break;
    default:  // the start of the text
      target = 0;
  }
  setCaret(select ? caret_.anchor : target, target);
  if (select) setSelectionClipboard();
}

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
  edit(selectionStart(), selectionEnd(), text, EditKind::Other);
}

void ByteTextField::setSelectionClipboard() {
  if (hasSelection()) primary_.offer(selectionStart(), selectionEnd());
}

QMimeData* ByteTextField::createMimeDataFromSelection() const { return dragMimeData(selectedText(), this); }

// Layout and scrolling

double ByteTextField::wrapWidth() const { return TextLayout::wrapWidthFor(viewport()->width()); }

int ByteTextField::rowCount() const {
  ensureLayout();
  return layout_.rowCount();
}

int ByteTextField::rowStart(int row) const {
  ensureLayout();
  return layout_.rowStart(std::clamp(row, 0, layout_.rowCount() - 1));
}

int ByteTextField::rowOfPosition(int pos) const {
  ensureLayout();
  return layout_.rowOf(std::clamp(pos, 0, length()));
}

int ByteTextField::visibleRowCount() const { return layout_.rowsShownIn(viewport()->height()); }

int ByteTextField::firstVisibleRow() const {
  ensureLayout();
  return std::clamp(verticalScrollBar()->value(), 0, layout_.rowCount() - 1);
}

void ByteTextField::updateScrollBar() {
  ensureLayout();
  scrollDirty_ = false;
  QScrollBar* bar = verticalScrollBar();
  const int visible = visibleRowCount();
  bar->setPageStep(visible);
  bar->setRange(0, std::max(0, layout_.rowCount() - visible));
}

void ByteTextField::ensureCursorVisible() { scrollToPosition(caret_.cursor); }

void ByteTextField::scrollToPosition(int pos) {
  ensureLayout();
  if (scrollDirty_) updateScrollBar();
  ensureVisiblePending_ = false;
  const int row = layout_.rowOf(std::clamp(pos, 0, length()));
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
  if (!layout_.isValid()) return;
  const int topPos = layout_.rowStart(firstVisibleRow());
  layout_.invalidate();
  if (!isVisible()) return;
  ensureLayout();
  updateScrollBar();
  verticalScrollBar()->setValue(layout_.rowOf(topPos));
}

void ByteTextField::updateFontMetrics() {
  layout_.setFont(font());
  relayoutKeepingView();
  scrollDirty_ = true;
  requestUpdate();
}

void ByteTextField::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  if (wrapWidth() != layout_.width()) relayoutKeepingView();
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

// Geometry of positions, in the viewport

int ByteTextField::indexAt(QPoint p) const {
  ensureLayout();
  return layout_.indexAt(p, firstVisibleRow());
}

int ByteTextField::positionAt(QPoint p) const {
  ensureLayout();
  return layout_.positionAt(p, firstVisibleRow());
}

QRect ByteTextField::caretRect(int pos) const {
  ensureLayout();
  return layout_.caretRect(pos, firstVisibleRow(), viewport()->width());
}

QRect ByteTextField::characterRect(int pos) const {
  ensureLayout();
  return layout_.characterRect(pos, firstVisibleRow(), viewport()->width());
}

std::size_t ByteTextField::memoryUsage() const { return doc_.memoryUsage() + layout_.memoryBytes(); }

// Painting

void ByteTextField::paintEvent(QPaintEvent* e) {
  updateQueued_ = false;
  inPaint_ = true;
  syncNow();
  inPaint_ = false;

  QPainter p(viewport());
  const RowPainter painter(doc_.buffer(), layout_, palette());
  painter.paintRows(p, e->rect(), firstVisibleRow(), viewport()->height(), caret_);
  if (!preedit_.isEmpty()) {
    painter.paintPreedit(p, caretRect(caret_.cursor), preedit_, preeditCursor_);
  } else if (hasFocus() && caretShown_) {
    p.fillRect(caretRect(caret_.cursor), palette().text());
  }
  if (dropCaret_ >= 0) p.fillRect(caretRect(dropCaret_), palette().text());
}

// Keyboard

bool ByteTextField::event(QEvent* e) {
  // Editing keys belong to the field, not to window shortcuts.
  if (e->type() == QEvent::ShortcutOverride && takesKeyBeforeShortcuts(*static_cast<QKeyEvent*>(e))) {
    e->accept();
    return true;
  }
  return QAbstractScrollArea::event(e);
}

bool ByteTextField::focusNextPrevChild(bool next) {
  // Tab types a tab unless the field passes the focus on.
  if (!tabChangesFocus_) return false;
  return QAbstractScrollArea::focusNextPrevChild(next);
}

void ByteTextField::typeText(const QString& text) {
  edit(selectionStart(), selectionEnd(), text, hasSelection() ? EditKind::Other : EditKind::Typing);
}

void ByteTextField::deleteBackward(bool word) {
  const int cursor = caret_.cursor;
  if (hasSelection()) {
    edit(selectionStart(), selectionEnd(), QString(), EditKind::Other);
  } else if (cursor > 0) {
    const int from = word ? nav_.previousWord(cursor) : nav_.previousChar(cursor);
    edit(from, cursor, QString(), word ? EditKind::Other : EditKind::Backspace);
  }
}

void ByteTextField::deleteForward(bool word) {
  const int cursor = caret_.cursor;
  if (hasSelection()) {
    edit(selectionStart(), selectionEnd(), QString(), EditKind::Other);
  } else if (cursor < length()) {
    const int to = word ? nav_.nextWord(cursor) : nav_.nextChar(cursor);
    edit(cursor, to, QString(), word ? EditKind::Other : EditKind::DeleteForward);
  }
}

void ByteTextField::keyPressEvent(QKeyEvent* e) {
  const KeyAction action = keyAction(*e);
  if (action.command == KeyCommand::None || (action.command == KeyCommand::Tab && tabChangesFocus_)) {
    e->ignore();
    return;
  }
  switch (action.command) {
    case KeyCommand::SelectAll:
      selectAll();
      break;
    case KeyCommand::Copy:
      copy();
      break;
    case KeyCommand::Cut:
      cut();
      break;
    case KeyCommand::Paste:
      paste();
      break;
    case KeyCommand::Undo:
      undo();
      break;
    case KeyCommand::Redo:
      redo();
      break;
    case KeyCommand::Move:
      moveCaret(action.move, action.select);
      break;
    case KeyCommand::DeleteWordBackward:
      deleteBackward(true);
      break;
    case KeyCommand::DeleteWordForward:
      deleteForward(true);
      break;
    case KeyCommand::DeleteToLineEnd:
      edit(caret_.cursor, nav_.deleteToLineEnd(caret_.cursor), QString(), EditKind::Other);
      break;
    case KeyCommand::DeleteBackward:
      deleteBackward(false);
      break;
    case KeyCommand::DeleteForward:
      deleteForward(false);
      break;
    case KeyCommand::NewLine:
      typeText(QStringLiteral("\n"));
      break;
    case KeyCommand::Tab:
      typeText(QStringLiteral("\t"));
      break;
    case KeyCommand::Type:
      typeText(e->text());
      break;
    case KeyCommand::None:
      break;
  }
  e->accept();
  syncNow();
}

// Input method

void ByteTextField::inputMethodEvent(QInputMethodEvent* e) {
  ensureLayout();
  const int cursor = caret_.cursor;
  const int surroundStart = layout_.rowStart(layout_.rowOf(cursor));
  if (!e->commitString().isEmpty() || e->replacementLength() > 0) {
    int from = selectionStart();
    int to = selectionEnd();
    if (e->replacementLength() > 0 || e->replacementStart() != 0) {
      from = std::clamp(cursor + e->replacementStart(), 0, length());
      to = std::clamp(from + e->replacementLength(), from, length());
    }
    edit(from, to, e->commitString(), EditKind::Other);
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
  const int cursor = caret_.cursor;
  const int row = layout_.rowOf(cursor);
  const int surroundStart = layout_.rowStart(row);
  const int surroundEnd = layout_.rowEnd(row);
  const QPoint offset = viewport()->pos();
  switch (query) {
    case Qt::ImEnabled:
      return true;
    case Qt::ImHints:
      return static_cast<int>(Qt::ImhMultiLine);
    case Qt::ImCursorRectangle:
      return caretRect(cursor).translated(offset);
    case Qt::ImAnchorRectangle:
      return caretRect(caret_.anchor).translated(offset);
    case Qt::ImFont:
      return layout_.font();
    case Qt::ImCursorPosition:
      return cursor - surroundStart;
    case Qt::ImAnchorPosition:
      return std::clamp(caret_.anchor, surroundStart, surroundEnd) - surroundStart;
    case Qt::ImSurroundingText:
      return textRange(surroundStart, surroundEnd);
    case Qt::ImCurrentSelection:
      return selectedText();
    case Qt::ImTextBeforeCursor:
      return textRange(cursor - 256, cursor);
    case Qt::ImTextAfterCursor:
      return textRange(cursor, cursor + 256);
    case Qt::ImAbsolutePosition:
      return cursor;
    default:
      return QAbstractScrollArea::inputMethodQuery(query);
  }
}

// Mouse

void ByteTextField::mousePressEvent(QMouseEvent* e) {
  const QPoint point = e->position().toPoint();
  const int pos = positionAt(point);
  if (e->button() == Qt::LeftButton && tripleClickTimer_.isActive() &&
      (point - tripleClickPoint_).manhattanLength() < QApplication::startDragDistance()) {
    tripleClickTimer_.stop();
    selectLine(indexAt(point));
  } else if (e->button() == Qt::LeftButton && !(e->modifiers() & Qt::ShiftModifier) && hasSelection() &&
             indexAt(point) >= selectionStart() && indexAt(point) < selectionEnd()) {
    dragPending_ = true;  // a click collapses the selection on release, a move drags it
    dragStartPoint_ = point;
  } else if (e->button() == Qt::LeftButton) {
    selectingWords_ = false;
    mouseSelecting_ = true;
    setCaret((e->modifiers() & Qt::ShiftModifier) ? caret_.anchor : pos, pos);
  } else if (e->button() == Qt::MiddleButton) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard->supportsSelection()) {
      const QString text = clipboard->text(QClipboard::Selection);
      setCaret(pos, pos);
      if (!text.isEmpty()) edit(pos, pos, text, EditKind::Other);
    }
  }
  e->accept();
}

void ByteTextField::selectLine(int index) {
  const auto [start, end] = nav_.lineAround(index);
  setCaret(start, end);
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
  // After a double-click the selection grows by whole cells.
  const auto [anchor, cursor] =
      selectingWords_ ? nav_.growByCells(wordAnchorStart_, wordAnchorEnd_, pos) : std::pair{caret_.anchor, pos};
  setCaret(anchor, cursor);
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
  const QPoint p = e->position().toPoint();
  const auto [a, b] = nav_.cellAround(indexAt(p));
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
    viewport()->update(caretRect(caret_.cursor).adjusted(-1, 0, 1, 0));
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
    QAction* a = menu->addAction(menuEntryText(text, key), this, slot);
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

// Drag and drop

void ByteTextField::dragEnterEvent(QDragEnterEvent* e) {
  if (!isDroppableText(e->mimeData())) {
    e->ignore();  // left to the window
    return;
  }
  dragMoveEvent(e);
}

void ByteTextField::dragMoveEvent(QDragMoveEvent* e) {
  if (!isDroppableText(e->mimeData())) {
    e->ignore();
    return;
  }
  const bool move = isDragFrom(*e->mimeData(), this) && !(e->modifiers() & Qt::ControlModifier);
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
  if (!isDroppableText(mime)) {
    e->ignore();
    return;
  }
  const int to = positionAt(e->position().toPoint());
  const bool move = isDragFrom(*mime, this) && !(e->modifiers() & Qt::ControlModifier);
  e->setDropAction(move ? Qt::MoveAction : Qt::CopyAction);
  e->accept();
  if (move) {
    const int start = selectionStart();
    const int end = selectionEnd();
    if (to >= start && to <= end) return;  // onto itself
    const int at = doc_.moveText(start, end, to, caret_);
    editDone(Caret{at, at + (end - start)});
  } else {
    const QString text = mime->text();
    if (text.isEmpty()) return;
    setCaret(to, edit(to, to, text, EditKind::Other), true);
  }
  setFocus(Qt::MouseFocusReason);
}

}  // namespace quorix
