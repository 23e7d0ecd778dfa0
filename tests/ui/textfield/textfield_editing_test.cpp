// Editing, undo, selection by keyboard and mouse, clipboard, the QPlainTextEdit-like contract,
// focus, input method, accessibility and context menu of the byte text field.
#include "byte_text_field.h"

#include <QAccessible>
#include <QAccessibleEditableTextInterface>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

using quorix::ByteTextField;

namespace {

const QString kInitial = QStringLiteral("01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 ");

QString cells(int count) {
  QString t;
  for (int i = 0; i < count; ++i) t += QString::asprintf("%02X ", i % 256);
  return t;
}

// Centre of the character at pos, in viewport coordinates.
QPoint pointOf(const ByteTextField& f, int pos) { return f.characterRect(pos).center(); }

}  // namespace

class TextFieldEditingTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();

  void setAndInsertContract();
  void lineBreaksReadBackAsPlainTextEdit_data();
  void lineBreaksReadBackAsPlainTextEdit();
  void typingAndUndo();
  void setTextIsOneUndoStep();
  void backspaceAndDeleteRuns();
  void undoRestoresSelectionAndRedoIsCleared();
  void keyboardSelection_data();
  void keyboardSelection();
  void upDownKeepColumnAndPageMoves();
  void homeEndOnWrappedRows();
  void mouseClickShiftClickDrag();
  void doubleClickSelectsCell();
  void tripleClickSelectsLine_data();
  void tripleClickSelectsLine();
  void dragMovesSelectionCtrlCopies();
  void dropsTextNotFiles();
  void ctrlKDeletesToParagraphEnd_data();
  void ctrlKDeletesToParagraphEnd();
  void clipboardCommands();
  void tabKey();
  void inputMethod();
  void accessibleText();
  void contextMenuActions();
  void signals_();

 private:
  std::unique_ptr<ByteTextField> f_;
};

void TextFieldEditingTest::init() {
  f_ = std::make_unique<ByteTextField>();
  f_->resize(314, 209);
  f_->show();
  QVERIFY(QTest::qWaitForWindowExposed(f_.get()));
  f_->setPlainText(kInitial);
  f_->clearHistory();
}

void TextFieldEditingTest::cleanup() { f_.reset(); }

void TextFieldEditingTest::setAndInsertContract() {
  ByteTextField& f = *f_;
  f.setSelection(3, 9);
  f.setPlainText(QStringLiteral("AA BB "));
  QCOMPARE(f.cursorPosition(), 0);
  QVERIFY(!f.hasSelection());
  QVERIFY(f.isUndoAvailable());

  f.setPlainText(QString());
  f.insertPlainText(QStringLiteral("3A "));
  f.insertPlainText(QStringLiteral("0F "));
  f.insertPlainText(QStringLiteral("FF "));
  QCOMPARE(f.toPlainText(), QStringLiteral("3A 0F FF "));
  QCOMPARE(f.cursorPosition(), 9);

  f.setSelection(3, 6);  // "0F "
  f.insertPlainText(QStringLiteral("11 22 "));
  QCOMPARE(f.toPlainText(), QStringLiteral("3A 11 22 FF "));
  QCOMPARE(f.cursorPosition(), 9);
  QVERIFY(!f.hasSelection());
}

void TextFieldEditingTest::lineBreaksReadBackAsPlainTextEdit_data() {
  QTest::addColumn<QString>("text");
  QTest::newRow("crlf") << QStringLiteral("01 02\r\n03 04\r\n");
  QTest::newRow("cr") << QStringLiteral("01\r02\r\r03");
  QTest::newRow("unicode breaks") << QString::fromUtf8("01\u2028 02\u2029 03");
  QTest::newRow("nbsp and tab") << QString::fromUtf8("01\u00a002\t03");
  QTest::newRow("plain") << kInitial;
}

void TextFieldEditingTest::lineBreaksReadBackAsPlainTextEdit() {
  QFETCH(QString, text);
  QPlainTextEdit stock;
  stock.setPlainText(text);
  f_->setPlainText(text);
  QCOMPARE(f_->toPlainText(), stock.toPlainText());
  stock.setPlainText(QString());
  stock.insertPlainText(text);
  f_->setPlainText(QString());
  f_->insertPlainText(text);
  QCOMPARE(f_->toPlainText(), stock.toPlainText());
}

void TextFieldEditingTest::typingAndUndo() {
  ByteTextField& f = *f_;
  f.setCursorPosition(3);
  QTest::keyClicks(&f, QStringLiteral("AB "));
  QCOMPARE(f.toPlainText(), QStringLiteral("01 AB 02") + kInitial.mid(5));
  QCOMPARE(f.cursorPosition(), 6);
  f.setCursorPosition(0);
  QTest::keyClicks(&f, QStringLiteral("X"));
  QTest::keyClick(&f, Qt::Key_Z, Qt::ControlModifier);  // undoes "X" only: the caret moved
  QCOMPARE(f.toPlainText(), QStringLiteral("01 AB ") + kInitial.mid(3));
  QTest::keyClick(&f, Qt::Key_Z, Qt::ControlModifier);  // the whole typed run at once
  QCOMPARE(f.toPlainText(), kInitial);
  QCOMPARE(f.cursorPosition(), 3);
  QVERIFY(!f.isUndoAvailable());
  QTest::keyClick(&f, Qt::Key_Y, Qt::ControlModifier);
  QCOMPARE(f.toPlainText(), QStringLiteral("01 AB ") + kInitial.mid(3));
  QCOMPARE(f.cursorPosition(), 6);
  QTest::keyClick(&f, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(f.toPlainText(), QStringLiteral("X01 AB ") + kInitial.mid(3));
  QTest::keyClick(&f, Qt::Key_Return);
  QCOMPARE(f.toPlainText().left(2), QStringLiteral("X\n"));
}

void TextFieldEditingTest::setTextIsOneUndoStep() {
  // Paste, cut and open replace the whole text; each is undone like typing.
  ByteTextField& f = *f_;
  f.setSelection(9, 4);
  QTest::keyClicks(&f, QStringLiteral("7"));
  f.setPlainText(QStringLiteral("AA BB "));
  f.setCursorPosition(3);
  f.setPlainText(QString());
  QTest::keyClick(&f, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(f.toPlainText(), QStringLiteral("AA BB "));
  QCOMPARE(f.cursorPosition(), 3);
  QTest::keyClick(&f, Qt::Key_Z, Qt::ControlModifier);
  QCOMPARE(f.toPlainText(), kInitial.left(4) + u'7' + kInitial.mid(9));
  QCOMPARE(f.cursorPosition(), 5);
  QTest::keyClick(&f, Qt::Key_Z, Qt::ControlModifier);  // the typing before, selection and all
  QCOMPARE(f.selectionStart(), 4);
  QCOMPARE(f.cursorPosition(), 4);
  QTest::keyClick(&f, Qt::Key_Y, Qt::ControlModifier);
  QTest::keyClick(&f, Qt::Key_Y, Qt::ControlModifier);
  QCOMPARE(f.toPlainText(), QStringLiteral("AA BB "));
  QCOMPARE(f.cursorPosition(), 0);
  QCOMPARE(f.rowCount(), 1);  // the layout follows
  QTest::keyClicks(&f, QStringLiteral("12"));
  f.undo();
  QCOMPARE(f.toPlainText(), QStringLiteral("AA BB "));
  f.clearHistory();
  QVERIFY(!f.isUndoAvailable() && !f.isRedoAvailable());
}

void TextFieldEditingTest::backspaceAndDeleteRuns() {
  ByteTextField& f = *f_;
  f.setCursorPosition(6);
  for (int i = 0; i < 3; ++i) QTest::keyClick(&f, Qt::Key_Backspace);
  QCOMPARE(f.toPlainText(), QStringLiteral("01 ") + kInitial.mid(6));
  for (int i = 0; i < 3; ++i) QTest::keyClick(&f, Qt::Key_Delete);
  QCOMPARE(f.toPlainText(), QStringLiteral("01 ") + kInitial.mid(9));
  f.undo();
  QCOMPARE(f.toPlainText(), QStringLiteral("01 ") + kInitial.mid(6));
  f.undo();
  QCOMPARE(f.toPlainText(), kInitial);
  QCOMPARE(f.cursorPosition(), 6);

  f.setCursorPosition(0);
  QTest::keyClick(&f, Qt::Key_Backspace);  // nothing before the start
  f.setCursorPosition(f.length());
  QTest::keyClick(&f, Qt::Key_Delete);
  QCOMPARE(f.toPlainText(), kInitial);

  f.setCursorPosition(7);  // inside "03"
  QTest::keyClick(&f, Qt::Key_Backspace, Qt::ControlModifier);
  QCOMPARE(f.toPlainText(), QStringLiteral("01 02 3 ") + kInitial.mid(9));
}

void TextFieldEditingTest::undoRestoresSelectionAndRedoIsCleared() {
  ByteTextField& f = *f_;
  f.setSelection(3, 9);
  QTest::keyClick(&f, Qt::Key_Delete);
  QCOMPARE(f.toPlainText(), QStringLiteral("01 ") + kInitial.mid(9));
  f.undo();
  QCOMPARE(f.toPlainText(), kInitial);
  QCOMPARE(f.selectionStart(), 3);
  QCOMPARE(f.selectionEnd(), 9);
  QVERIFY(f.isRedoAvailable());
  QTest::keyClicks(&f, QStringLiteral("Z"));  // replaces the restored selection
  QCOMPARE(f.toPlainText(), QStringLiteral("01 Z") + kInitial.mid(9));
  QVERIFY(!f.isRedoAvailable());
}

void TextFieldEditingTest::keyboardSelection_data() {
  QTest::addColumn<int>("start");
  QTest::addColumn<int>("key");
  QTest::addColumn<int>("modifiers");
  QTest::addColumn<int>("anchor");
  QTest::addColumn<int>("cursor");
  const int shift = Qt::ShiftModifier;
  const int ctrl = Qt::ControlModifier;
  QTest::newRow("right") << 4 << int(Qt::Key_Right) << 0 << 5 << 5;
  QTest::newRow("shift right") << 4 << int(Qt::Key_Right) << shift << 4 << 5;
  QTest::newRow("shift left") << 4 << int(Qt::Key_Left) << shift << 4 << 3;
  QTest::newRow("left at start") << 0 << int(Qt::Key_Left) << 0 << 0 << 0;
  QTest::newRow("ctrl right") << 4 << int(Qt::Key_Right) << ctrl << 6 << 6;
  QTest::newRow("ctrl left") << 4 << int(Qt::Key_Left) << ctrl << 3 << 3;
  QTest::newRow("ctrl shift right") << 3 << int(Qt::Key_Right) << (ctrl | shift) << 3 << 6;
  QTest::newRow("ctrl end") << 4 << int(Qt::Key_End) << ctrl << 60 << 60;
  QTest::newRow("ctrl shift home") << 7 << int(Qt::Key_Home) << (ctrl | shift) << 7 << 0;
  QTest::newRow("ctrl a") << 7 << int(Qt::Key_A) << ctrl << 0 << 60;
}

void TextFieldEditingTest::keyboardSelection() {
  QFETCH(int, start);
  QFETCH(int, key);
  QFETCH(int, modifiers);
  QFETCH(int, anchor);
  QFETCH(int, cursor);
  f_->setCursorPosition(start);
  QTest::keyClick(f_.get(), static_cast<Qt::Key>(key), static_cast<Qt::KeyboardModifiers>(modifiers));
  QCOMPARE(f_->anchorPosition(), anchor);
  QCOMPARE(f_->cursorPosition(), cursor);
}

void TextFieldEditingTest::upDownKeepColumnAndPageMoves() {
  ByteTextField& f = *f_;
  f.setPlainText(cells(2000));
  QVERIFY(f.rowCount() > 100);
  const int perRow = f.rowStart(1);  // byte text wraps at cell boundaries
  QCOMPARE(perRow % 3, 0);
  f.setCursorPosition(f.rowStart(5) + 4);
  QTest::keyClick(&f, Qt::Key_Down);
  QCOMPARE(f.cursorPosition(), f.rowStart(6) + 4);
  QTest::keyClick(&f, Qt::Key_Up, Qt::ShiftModifier);
  QTest::keyClick(&f, Qt::Key_Up, Qt::ShiftModifier);
  QCOMPARE(f.cursorPosition(), f.rowStart(4) + 4);
  QCOMPARE(f.anchorPosition(), f.rowStart(6) + 4);

  f.setCursorPosition(f.rowStart(1) + 1);
  QTest::keyClick(&f, Qt::Key_PageDown);
  QCOMPARE(f.rowOfPosition(f.cursorPosition()), 1 + f.visibleRowCount());
  QTest::keyClick(&f, Qt::Key_PageUp);
  QCOMPARE(f.cursorPosition(), f.rowStart(1) + 1);
  QTest::keyClick(&f, Qt::Key_End, Qt::ControlModifier);
  QCOMPARE(f.firstVisibleRow() + f.visibleRowCount(), f.rowCount());  // the caret is on screen
  QTest::keyClick(&f, Qt::Key_Down);
  QCOMPARE(f.cursorPosition(), f.length());
}

void TextFieldEditingTest::homeEndOnWrappedRows() {
  ByteTextField& f = *f_;
  QVERIFY(f.rowCount() >= 2);
  const int second = f.rowStart(1);
  f.setCursorPosition(second + 4);
  QTest::keyClick(&f, Qt::Key_Home);
  QCOMPARE(f.cursorPosition(), second);
  QTest::keyClick(&f, Qt::Key_End, Qt::ShiftModifier);
  QCOMPARE(f.cursorPosition(), f.rowCount() > 2 ? f.rowStart(2) - 1 : f.length());
  QCOMPARE(f.anchorPosition(), second);
  f.setCursorPosition(1);
  QTest::keyClick(&f, Qt::Key_End);
  QCOMPARE(f.cursorPosition(), second - 1);  // before the blank the row breaks at
  QCOMPARE(f.rowOfPosition(f.cursorPosition()), 0);
}

void TextFieldEditingTest::mouseClickShiftClickDrag() {
  ByteTextField& f = *f_;
  QWidget* vp = f.viewport();
  const QRect r4 = f.characterRect(4);
  QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(r4.left() + 1, r4.center().y()));
  QCOMPARE(f.cursorPosition(), 4);
  QVERIFY(!f.hasSelection());
  QTest::mouseClick(vp, Qt::LeftButton, Qt::ShiftModifier, QPoint(f.characterRect(10).left() + 1, r4.center().y()));
  QCOMPARE(f.selectionStart(), 4);
  QCOMPARE(f.selectionEnd(), 10);

  // Drag from the second row back to the first.
  const int from = f.rowStart(1) + 3;
  QTest::mousePress(vp, Qt::LeftButton, {},
                    QPoint(f.characterRect(from).left() + 1, f.characterRect(from).center().y()));
  QMouseEvent move(QEvent::MouseMove, QPointF(f.characterRect(1).left() + 1, f.characterRect(1).center().y()),
                   vp->mapToGlobal(QPoint(0, 0)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(vp, &move);
  QTest::mouseRelease(vp, Qt::LeftButton, {}, QPoint(f.characterRect(1).left() + 1, f.characterRect(1).center().y()));
  QCOMPARE(f.anchorPosition(), from);
  QCOMPARE(f.cursorPosition(), 1);

  // A click far right of a row puts the caret at its end, below the last row at the text's end.
  QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(vp->width() - 2, r4.center().y()));
  QCOMPARE(f.cursorPosition(), f.rowStart(1) - 1);
  QTest::mouseClick(vp, Qt::LeftButton, {}, QPoint(5, vp->height() - 2));
  QCOMPARE(f.rowOfPosition(f.cursorPosition()), f.rowCount() - 1);
}

void TextFieldEditingTest::doubleClickSelectsCell() {
  ByteTextField& f = *f_;
  QTest::mouseDClick(f.viewport(), Qt::LeftButton, {}, pointOf(f, 7));  // in "03"
  QCOMPARE(f.selectedText(), QStringLiteral("03"));
  QTest::mouseDClick(f.viewport(), Qt::LeftButton, {}, pointOf(f, 8));  // the blank behind it
  QCOMPARE(f.selectedText(), QStringLiteral(" "));
}

void TextFieldEditingTest::tripleClickSelectsLine_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("at");
  QTest::addColumn<QString>("selected");
  QTest::newRow("no line break") << kInitial << 7 << kInitial;
  QTest::newRow("middle line") << QStringLiteral("01 02\n03 04 05\n06") << 10 << QStringLiteral("03 04 05");
  QTest::newRow("first line") << QStringLiteral("01 02\n03") << 1 << QStringLiteral("01 02");
  QTest::newRow("last line") << QStringLiteral("01\n\n03 04") << 6 << QStringLiteral("03 04");
}

void TextFieldEditingTest::tripleClickSelectsLine() {
  QFETCH(QString, text);
  QFETCH(int, at);
  QFETCH(QString, selected);
  f_->setPlainText(text);
  QTest::mouseDClick(f_->viewport(), Qt::LeftButton, {}, pointOf(*f_, at));
  QTest::mouseClick(f_->viewport(), Qt::LeftButton, {}, pointOf(*f_, at));
  QCOMPARE(f_->selectedText(), selected);
}

namespace {

// Drags `mime` over the field and drops it at the character `at`, as the platform would.
void dropAt(ByteTextField& f, const QMimeData& mime, int at, Qt::KeyboardModifiers mods = {}) {
  const QPointF p = f.characterRect(at).topLeft() + QPointF(0.5, 2);
  const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(p.toPoint(), actions, &mime, Qt::LeftButton, mods);
  QApplication::sendEvent(f.viewport(), &enter);
  QDragMoveEvent move(p.toPoint(), actions, &mime, Qt::LeftButton, mods);
  QApplication::sendEvent(f.viewport(), &move);
  QDropEvent drop(p, actions, &mime, Qt::LeftButton, mods);
  QApplication::sendEvent(f.viewport(), &drop);
}

}  // namespace

void TextFieldEditingTest::dragMovesSelectionCtrlCopies() {
  ByteTextField& f = *f_;
  f.setSelection(3, 9);  // "02 03 "
  std::unique_ptr<QMimeData> mime(f.createMimeDataFromSelection());
  dropAt(f, *mime, 15);  // before "06"
  QCOMPARE(f.toPlainText(), QStringLiteral("01 04 05 02 03 06") + kInitial.mid(17));
  QCOMPARE(f.selectedText(), QStringLiteral("02 03 "));
  f.undo();  // one step
  QCOMPARE(f.toPlainText(), kInitial);
  QCOMPARE(f.selectionStart(), 3);
  f.redo();
  QCOMPARE(f.toPlainText(), QStringLiteral("01 04 05 02 03 06") + kInitial.mid(17));
  f.undo();

  f.setSelection(9, 12);  // "04 ", moved backwards with Ctrl: copied
  mime.reset(f.createMimeDataFromSelection());
  dropAt(f, *mime, 0, Qt::ControlModifier);
  QCOMPARE(f.toPlainText(), QStringLiteral("04 ") + kInitial);
  f.undo();
  f.setSelection(9, 12);
  dropAt(f, *mime, 10);  // onto itself: nothing
  QCOMPARE(f.toPlainText(), kInitial);
  dropAt(f, *mime, 0);
  QCOMPARE(f.toPlainText(), QStringLiteral("04 01 02 03 ") + kInitial.mid(12));
}

void TextFieldEditingTest::dropsTextNotFiles() {
  ByteTextField& f = *f_;
  QMimeData text;
  text.setText(QStringLiteral("AA\r\nBB "));
  dropAt(f, text, 3);
  QCOMPARE(f.toPlainText(), QStringLiteral("01 AA\nBB 02") + kInitial.mid(5));
  QCOMPARE(f.selectedText(), QStringLiteral("AA\nBB "));
  f.undo();
  QCOMPARE(f.toPlainText(), kInitial);

  QMimeData file;  // a file from a file manager: left to the window, which opens it
  file.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.hex"))});
  file.setText(QStringLiteral("/tmp/a.hex"));
  QDragEnterEvent enter(pointOf(f, 3), Qt::CopyAction, &file, Qt::LeftButton, {});
  QApplication::sendEvent(f.viewport(), &enter);
  QVERIFY(!enter.isAccepted());
  dropAt(f, file, 3);
  QCOMPARE(f.toPlainText(), kInitial);
}

void TextFieldEditingTest::ctrlKDeletesToParagraphEnd_data() {
  QTest::addColumn<int>("at");
  QTest::addColumn<QString>("left");
  const QString text = QStringLiteral("01 02\n03 04\n05");
  QTest::newRow("to the line break") << 1 << QStringLiteral("0\n03 04\n05");
  QTest::newRow("the line break itself") << 5 << QStringLiteral("01 0203 04\n05");
  QTest::newRow("to the end of the text") << 13 << QStringLiteral("01 02\n03 04\n0");
  QTest::newRow("at the end") << 14 << text;
}

void TextFieldEditingTest::ctrlKDeletesToParagraphEnd() {
  QFETCH(int, at);
  QFETCH(QString, left);
  const QString text = QStringLiteral("01 02\n03 04\n05");
  f_->setPlainText(text);
  f_->setCursorPosition(at);
  QTest::keyClick(f_.get(), Qt::Key_K, Qt::ControlModifier);
  QCOMPARE(f_->toPlainText(), left);
  QCOMPARE(f_->cursorPosition(), at);
  if (left == text) return;
  f_->undo();
  QCOMPARE(f_->toPlainText(), text);
}

void TextFieldEditingTest::clipboardCommands() {
  ByteTextField& f = *f_;
  QClipboard* cb = QGuiApplication::clipboard();
  f.setSelection(3, 9);
  QTest::keyClick(&f, Qt::Key_C, Qt::ControlModifier);
  QCOMPARE(cb->text(), QStringLiteral("02 03 "));
  QTest::keyClick(&f, Qt::Key_X, Qt::ControlModifier);
  QCOMPARE(f.toPlainText(), QStringLiteral("01 ") + kInitial.mid(9));
  f.setCursorPosition(0);
  QTest::keyClick(&f, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(f.toPlainText(), QStringLiteral("02 03 01 ") + kInitial.mid(9));
  QCOMPARE(f.cursorPosition(), 6);
  cb->setText(QStringLiteral("AA\r\nBB"));
  f.paste();
  QCOMPARE(f.toPlainText().left(11), QStringLiteral("02 03 AA\nBB"));
  f.undo();
  f.undo();
  f.undo();
  QCOMPARE(f.toPlainText(), kInitial);
  cb->clear();
  f.paste();  // nothing on the clipboard: nothing changes
  QCOMPARE(f.toPlainText(), kInitial);
  f.setCursorPosition(2);
  f.copy();  // no selection: the clipboard is left alone
  QCOMPARE(cb->text(), QString());
}

void TextFieldEditingTest::tabKey() {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* field = new ByteTextField;
  auto* next = new QLineEdit;
  layout->addWidget(field);
  layout->addWidget(next);
  window.show();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  field->setFocus();
  QTRY_VERIFY(field->hasFocus());
  QTest::keyClick(field, Qt::Key_Tab);
  QCOMPARE(field->toPlainText(), QStringLiteral("\t"));
  QVERIFY(field->hasFocus());
  field->setTabChangesFocus(true);
  QTest::keyClick(field, Qt::Key_Tab);
  QTRY_VERIFY(next->hasFocus());
  QCOMPARE(field->toPlainText(), QStringLiteral("\t"));
}

void TextFieldEditingTest::inputMethod() {
  ByteTextField& f = *f_;
  f.setCursorPosition(3);
  QInputMethodEvent compose(QStringLiteral("ab"), {});
  QApplication::sendEvent(&f, &compose);
  QCOMPARE(f.toPlainText(), kInitial);  // composing text is not yet part of the text
  QInputMethodEvent commit;
  commit.setCommitString(QStringLiteral("中文"));
  QApplication::sendEvent(&f, &commit);
  QCOMPARE(f.toPlainText(), QStringLiteral("01 中文") + kInitial.mid(3));
  QCOMPARE(f.cursorPosition(), 5);
  QInputMethodEvent replace;
  replace.setCommitString(QStringLiteral("X"), -2, 2);  // replaces the two characters before
  QApplication::sendEvent(&f, &replace);
  QCOMPARE(f.toPlainText(), QStringLiteral("01 X") + kInitial.mid(3));

  QCOMPARE(f.inputMethodQuery(Qt::ImEnabled).toBool(), true);
  const QString around = f.inputMethodQuery(Qt::ImSurroundingText).toString();
  const int at = f.inputMethodQuery(Qt::ImCursorPosition).toInt();
  QCOMPARE(around.left(at), QStringLiteral("01 X"));
  const QRect caret = f.inputMethodQuery(Qt::ImCursorRectangle).toRect();
  QVERIFY(f.rect().contains(caret.center()));
}

void TextFieldEditingTest::accessibleText() {
  ByteTextField& f = *f_;
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&f);
  QVERIFY(iface);
  QCOMPARE(iface->role(), QAccessible::EditableText);
  QAccessibleTextInterface* text = iface->textInterface();
  QVERIFY(text);
  QCOMPARE(text->characterCount(), kInitial.size());
  QCOMPARE(text->text(3, 5), QStringLiteral("02"));
  f.setSelection(6, 9);
  QCOMPARE(text->selectionCount(), 1);
  int s = 0;
  int e = 0;
  text->selection(0, &s, &e);
  QCOMPARE(s, 6);
  QCOMPARE(e, 9);
  text->setCursorPosition(12);
  QCOMPARE(f.cursorPosition(), 12);
  QCOMPARE(text->offsetAtPoint(f.viewport()->mapToGlobal(pointOf(f, 4))), 4);
  QVERIFY(text->characterRect(4).isValid());
  auto* editable =
      static_cast<QAccessibleEditableTextInterface*>(iface->interface_cast(QAccessible::EditableTextInterface));
  QVERIFY(editable);
  editable->replaceText(0, 2, QStringLiteral("FF"));
  QCOMPARE(f.toPlainText().left(3), QStringLiteral("FF "));
  QCOMPARE(iface->text(QAccessible::Value), f.toPlainText());
}

void TextFieldEditingTest::contextMenuActions() {
  ByteTextField& f = *f_;
  const auto action = [](QMenu* m, const char* name) { return m->findChild<QAction*>(QString::fromLatin1(name)); };
  std::unique_ptr<QMenu> menu(f.createStandardContextMenu());
  QVERIFY(!action(menu.get(), "edit-undo")->isEnabled());
  QVERIFY(!action(menu.get(), "edit-copy")->isEnabled());
  QVERIFY(action(menu.get(), "select-all")->isEnabled());
  action(menu.get(), "select-all")->trigger();
  QCOMPARE(f.selectedText(), kInitial);

  menu.reset(f.createStandardContextMenu());
  QVERIFY(action(menu.get(), "edit-cut")->isEnabled());
  action(menu.get(), "edit-delete")->trigger();
  QCOMPARE(f.toPlainText(), QString());
  menu.reset(f.createStandardContextMenu());
  QVERIFY(action(menu.get(), "edit-undo")->isEnabled());
  action(menu.get(), "edit-undo")->trigger();
  QCOMPARE(f.toPlainText(), kInitial);
}

void TextFieldEditingTest::signals_() {
  ByteTextField& f = *f_;
  QSignalSpy text(&f, &ByteTextField::textChanged);
  QSignalSpy cursor(&f, &ByteTextField::cursorPositionChanged);
  QSignalSpy selection(&f, &ByteTextField::selectionChanged);
  QSignalSpy undo(&f, &ByteTextField::undoAvailable);
  f.setCursorPosition(5);
  QCOMPARE(cursor.count(), 1);
  QCOMPARE(text.count(), 0);
  f.insertPlainText(QStringLiteral("AA "));
  QCOMPARE(text.count(), 1);
  QCOMPARE(cursor.count(), 2);
  QCOMPARE(undo.count(), 1);
  QCOMPARE(undo.last().at(0).toBool(), true);
  f.setSelection(0, 3);
  QCOMPARE(selection.count(), 1);
  f.setPlainText(QStringLiteral("x"));
  QCOMPARE(text.count(), 2);
  QCOMPARE(selection.count(), 2);
  QCOMPARE(undo.count(), 1);
  f.clearHistory();
  QCOMPARE(undo.last().at(0).toBool(), false);
}

QTEST_MAIN(TextFieldEditingTest)
#include "textfield_editing_test.moc"
