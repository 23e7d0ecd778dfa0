#include "text1_access.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextOption>

#include "byte_text_field.h"

namespace quorix {

ByteTextText1::ByteTextText1(QWidget* parent) : field_(new ByteTextField(parent)) {
  field_->setObjectName("Text1");
  field_->setTabChangesFocus(true);
}

QWidget* ByteTextText1::widget() const { return field_; }

QString ByteTextText1::text() const { return field_->toPlainText(); }

void ByteTextText1::setText(const QString& text, Caret caret) {
  field_->setPlainText(text);
  if (caret == Caret::End) field_->setCursorPosition(field_->length());
}

void ByteTextText1::replaceSelection(const QString& text) { field_->insertPlainText(text); }

PlainTextText1::PlainTextText1(QWidget* parent) : edit_(new QPlainTextEdit(parent)) {
  edit_->setObjectName("Text1");
  edit_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // Byte text breaks between cells; a long run without blanks still wraps.
  edit_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  edit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit_->setTabChangesFocus(true);
}

QWidget* PlainTextText1::widget() const { return edit_; }

QString PlainTextText1::text() const { return edit_->toPlainText(); }

void PlainTextText1::setText(const QString& text, Caret caret) {
  edit_->setPlainText(text);
  edit_->moveCursor(caret == Caret::End ? QTextCursor::End : QTextCursor::Start);
}

void PlainTextText1::replaceSelection(const QString& text) {
  QTextCursor cursor = edit_->textCursor();
  cursor.insertText(text);
  edit_->setTextCursor(cursor);
}

}  // namespace quorix
