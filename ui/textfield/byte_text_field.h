// A multi-line plain-text field for very long wrapped byte texts.
//
// The text and its undo history live in a ByteTextDocument, which keeps its own rules and
// announces its changes; the field follows them. Its rows and geometry are a TextLayout (rows
// wrap at blanks within the field's width, runs without blanks break at the width, and only the
// rows around an edit are recomputed), its boundaries a TextNavigation, its keys a key table, and
// a RowPainter paints only the visible rows, so the cost of showing, scrolling and typing does
// not grow with the text. The field itself keeps the caret, the events, editing, scrolling and
// its signals. The public API follows QPlainTextEdit where it overlaps, without QTextCursor.
#pragma once

#include "byte_text_document.h"
#include "caret.h"
#include "key_table.h"
#include "selection_mime.h"
#include "text_layout.h"
#include "text_navigation.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QFont>
#include <QString>

#include <cstddef>

class QMenu;
class QMimeData;

namespace quorix {

class ByteTextField : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit ByteTextField(QWidget* parent = nullptr);
  ~ByteTextField() override;
  Q_DISABLE_COPY_MOVE(ByteTextField)

  // Contents. Line breaks come back as "\n" whatever was set ("\r\n", "\r", U+2028, U+2029);
  // no-break spaces come back as blanks.
  [[nodiscard]] QString toPlainText() const;
  // Replaces everything as one undo step (undo brings back the former text and its caret):
  // caret at the start, nothing selected. The text's characters are taken over, so hand it in
  // with std::move where it is not needed afterwards.
  void setPlainText(QString text);
  // Forgets every undo step, e.g. after the text the program starts with.
  void clearHistory();
  // Replaces the selection (or inserts at the caret) and leaves the caret behind the text.
  // Consecutive calls form one undo step; appending costs only the appended characters.
  void insertPlainText(const QString& text);
  // Undoable replacement of [start, end) by text; the caret ends behind it.
  void replaceRange(int start, int end, const QString& text);
  void clear() { setPlainText(QString()); }
  [[nodiscard]] int length() const { return doc_.length(); }
  [[nodiscard]] QString textRange(int start, int end) const;

  [[nodiscard]] bool tabChangesFocus() const { return tabChangesFocus_; }
  void setTabChangesFocus(bool on) { tabChangesFocus_ = on; }

  // Caret and selection, as character offsets. The selection runs between anchor and caret.
  [[nodiscard]] int cursorPosition() const { return caret_.cursor; }
  [[nodiscard]] int anchorPosition() const { return caret_.anchor; }
  void setCursorPosition(int pos);
  void setSelection(int anchor, int position);
  [[nodiscard]] int selectionStart() const { return caret_.start(); }
  [[nodiscard]] int selectionEnd() const { return caret_.end(); }
  [[nodiscard]] bool hasSelection() const { return caret_.hasSelection(); }
  [[nodiscard]] QString selectedText() const;

  [[nodiscard]] bool isUndoAvailable() const { return doc_.canUndo(); }
  [[nodiscard]] bool isRedoAvailable() const { return doc_.canRedo(); }
  [[nodiscard]] const ByteTextDocument& document() const { return doc_; }

  // Layout, in viewport coordinates. Rows are numbered from 0 at the top of the text.
  [[nodiscard]] int rowCount() const;
  [[nodiscard]] int rowStart(int row) const;
  [[nodiscard]] int rowOfPosition(int pos) const;
  [[nodiscard]] int firstVisibleRow() const;
  [[nodiscard]] int visibleRowCount() const;
  [[nodiscard]] double wrapWidth() const;
  [[nodiscard]] const QFont& textFont() const { return layout_.font(); }
  [[nodiscard]] QRect cursorRect() const { return caretRect(caret_.cursor); }
  [[nodiscard]] QRect caretRect(int pos) const;
  [[nodiscard]] QRect characterRect(int pos) const;
  [[nodiscard]] int positionAt(QPoint viewportPoint) const;
  void ensureCursorVisible();
  void scrollToPosition(int pos);

  // Bytes held for text, rows and undo history (for the memory figures).
  [[nodiscard]] std::size_t memoryUsage() const;

  QMenu* createStandardContextMenu();
  // The selected text for a drag (marked as coming from this field, so that a drop back into it
  // moves the text rather than copying it).
  [[nodiscard]] QMimeData* createMimeDataFromSelection() const;
  [[nodiscard]] QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

 public slots:
  void selectAll();
  void cut();
  void copy();
  void paste();
  void undo();
  void redo();

 signals:
  void textChanged();
  void cursorPositionChanged();
  void selectionChanged();
  void undoAvailable(bool yes);
  void redoAvailable(bool yes);

 protected:
  bool event(QEvent* e) override;
  void paintEvent(QPaintEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void changeEvent(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dragLeaveEvent(QDragLeaveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void timerEvent(QTimerEvent* e) override;
  void scrollContentsBy(int dx, int dy) override;
  bool focusNextPrevChild(bool next) override;

 private:
  int edit(int start, int end, const QString& text, EditKind kind);
  void editDone(Caret caret);
  void documentChanged(int pos, int removed, int inserted);
  void setCaret(int anchor, int cursor, bool fromEdit = false, bool keepGoal = false);
  void moveCaret(Move move, bool select);
  void typeText(const QString& text);
  void deleteBackward(bool word);
  void deleteForward(bool word);
  void extendMouseSelection(int pos);
  void selectLine(int index);
  void startDrag();
  void setSelectionClipboard();

  void ensureLayout() const { layout_.ensure(wrapWidth()); }
  void relayoutKeepingView();
  void updateFontMetrics();
  void requestUpdate();
  void scheduleSync();
  void syncNow();
  void updateScrollBar();
  void restartBlink();
  [[nodiscard]] int indexAt(QPoint viewportPoint) const;

  ByteTextDocument doc_;
  TextNavigation nav_{doc_.buffer()};
  mutable TextLayout layout_{doc_.buffer()};

  Caret caret_;
  double goalX_ = -1.0;  // x kept while moving up and down
  bool tabChangesFocus_ = false;

  bool syncQueued_ = false;
  bool updateQueued_ = false;
  bool scrollDirty_ = true;
  bool ensureVisiblePending_ = false;
  bool inPaint_ = false;

  bool caretShown_ = true;
  QBasicTimer blinkTimer_;
  QBasicTimer dragScrollTimer_;
  bool mouseSelecting_ = false;
  bool selectingWords_ = false;
  int wordAnchorStart_ = 0;
  int wordAnchorEnd_ = 0;
  QBasicTimer tripleClickTimer_;  // runs for a double-click interval after a double-click
  QPoint tripleClickPoint_;
  bool dragPending_ = false;  // pressed inside the selection: a drag starts if the mouse moves
  QPoint dragStartPoint_;
  int dropCaret_ = -1;  // where a drag over the field would drop, or -1
  PrimarySelection primary_{&doc_};

  QString preedit_;
  int preeditCursor_ = 0;
};

}  // namespace quorix
