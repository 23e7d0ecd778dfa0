// The stock plain-text editor set up as the window's byte text field would be:
// an independent reference for the binding's tests and the window benchmark.
#pragma once

#include <QPlainTextEdit>
#include <QTextOption>

namespace quorix::testing {

inline QPlainTextEdit* makeStockText1(QWidget* parent) {
  auto* edit = new QPlainTextEdit(parent);
  edit->setObjectName("Text1");
  edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // Byte text breaks between cells; a long run without blanks still wraps.
  edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  edit->setTabChangesFocus(true);
  return edit;
}

}  // namespace quorix::testing
