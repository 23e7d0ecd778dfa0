#include "byte_text_field_accessible.h"

#include "byte_text_field.h"

#include <QAccessibleWidget>
#include <QScrollBar>

#include <algorithm>

namespace quorix {

namespace {

// One selection (the field has no multiple selections); offsets are character offsets.
// Text attributes are not exposed: the field has a single font and colour.
class ByteTextFieldAccessible : public QAccessibleWidget,
                                public QAccessibleTextInterface,
                                public QAccessibleEditableTextInterface {
 public:
  explicit ByteTextFieldAccessible(ByteTextField* field) : QAccessibleWidget(field, QAccessible::EditableText) {}

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (t == QAccessible::EditableTextInterface) return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  [[nodiscard]] QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = true;
    s.multiLine = true;
    s.selectableText = true;
    return s;
  }

  [[nodiscard]] QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return field()->toPlainText();
    return QAccessibleWidget::text(t);
  }

  // QAccessibleTextInterface
  void selection(int selectionIndex, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && field()->hasSelection()) {
      *startOffset = field()->selectionStart();
      *endOffset = field()->selectionEnd();
    }
  }
  [[nodiscard]] int selectionCount() const override { return field()->hasSelection() ? 1 : 0; }
  void addSelection(int startOffset, int endOffset) override { field()->setSelection(startOffset, endOffset); }
  void removeSelection(int selectionIndex) override {
    if (selectionIndex == 0) field()->setCursorPosition(field()->cursorPosition());
  }
  void setSelection(int selectionIndex, int startOffset, int endOffset) override {
    if (selectionIndex == 0) field()->setSelection(startOffset, endOffset);
  }
  [[nodiscard]] int cursorPosition() const override { return field()->cursorPosition(); }
  void setCursorPosition(int position) override { field()->setCursorPosition(position); }
  [[nodiscard]] QString text(int startOffset, int endOffset) const override {
    return field()->textRange(startOffset, endOffset);
  }
  [[nodiscard]] int characterCount() const override { return field()->length(); }
  [[nodiscard]] QRect characterRect(int offset) const override {
    const QRect r = field()->characterRect(offset);
    return {field()->viewport()->mapToGlobal(r.topLeft()), r.size()};
  }
  [[nodiscard]] int offsetAtPoint(const QPoint& point) const override {
    const QPoint p = field()->viewport()->mapFromGlobal(point);
    if (!field()->viewport()->rect().contains(p)) return -1;
    return field()->positionAt(p);
  }
  void scrollToSubstring(int startIndex, int /*endIndex*/) override { field()->scrollToPosition(startIndex); }
  [[nodiscard]] QString attributes(int offset, int* startOffset, int* endOffset) const override {
    *startOffset = *endOffset = std::clamp(offset, 0, field()->length());
    return {};
  }

  // QAccessibleEditableTextInterface
  void deleteText(int startOffset, int endOffset) override { field()->replaceRange(startOffset, endOffset, QString()); }
  void insertText(int offset, const QString& text) override { field()->replaceRange(offset, offset, text); }
  void replaceText(int startOffset, int endOffset, const QString& text) override {
    field()->replaceRange(startOffset, endOffset, text);
  }

 private:
  [[nodiscard]] ByteTextField* field() const { return static_cast<ByteTextField*>(widget()); }
};

QAccessibleInterface* factory(const QString& className, QObject* object) {
  if (className == QLatin1String(ByteTextField::staticMetaObject.className()) && object != nullptr &&
      object->isWidgetType())
    return new ByteTextFieldAccessible(static_cast<ByteTextField*>(object));
  return nullptr;
}

}  // namespace

void installByteTextFieldAccessibility() {
  static const bool installed = [] {
    QAccessible::installFactory(factory);
    return true;
  }();
  (void)installed;
}

void announceTextChange(QObject* field, const ByteTextDocument& doc, int pos, int removed, int inserted) {
  if (!QAccessible::isActive()) return;
  if (removed > 0) {
    QAccessibleTextRemoveEvent ev(field, pos, doc.removedText());
    QAccessible::updateAccessibility(&ev);
  }
  if (inserted > 0) {
    QAccessibleTextInsertEvent ev(field, pos, doc.mid(pos, inserted));
    QAccessible::updateAccessibility(&ev);
  }
}

void announceCaret(QObject* field, int cursor) {
  if (!QAccessible::isActive()) return;
  QAccessibleTextCursorEvent ev(field, cursor);
  QAccessible::updateAccessibility(&ev);
}

void announceSelection(QObject* field, int start, int end) {
  if (!QAccessible::isActive()) return;
  QAccessibleTextSelectionEvent ev(field, start, end);
  QAccessible::updateAccessibility(&ev);
}

}  // namespace quorix
