// Screen-reader access to the byte text field through QAccessibleTextInterface and
// QAccessibleEditableTextInterface.
#pragma once

class QObject;

namespace quorix {

class ByteTextDocument;

// Registers the accessibility factory for ByteTextField (once per process).
void installByteTextFieldAccessibility();

// Tell a screen reader, where one listens, what changed in `field`: its text (called from the
// document's changed(), while the removed text can still be read), its caret, its selection.
void announceTextChange(QObject* field, const ByteTextDocument& doc, int pos, int removed, int inserted);
void announceCaret(QObject* field, int cursor);
void announceSelection(QObject* field, int start, int end);

}  // namespace quorix
