// How the window and the services binding reach the byte text field Text1,
// independent of the widget that shows it.
#pragma once

#include <QString>

class QPlainTextEdit;
class QWidget;

namespace quorix {

class ByteTextField;

class Text1Access {
 public:
  enum class Caret { Start, End };

  Text1Access() = default;
  Text1Access(const Text1Access&) = delete;
  Text1Access& operator=(const Text1Access&) = delete;
  Text1Access(Text1Access&&) = delete;
  Text1Access& operator=(Text1Access&&) = delete;
  virtual ~Text1Access() = default;

  // The widget, owned by its parent as any child widget.
  [[nodiscard]] virtual QWidget* widget() const = 0;
  [[nodiscard]] virtual QString text() const = 0;
  // Replaces the whole contents; the caret goes to the start or the end and
  // nothing is selected.
  virtual void setText(const QString& text, Caret caret) = 0;
  // Replaces the selection (inserts at the caret when nothing is selected)
  // and leaves the caret behind the new text.
  virtual void replaceSelection(const QString& text) = 0;
};

// Text1 as the program's own byte text field: lays out only the visible rows,
// so whole images show and edit without delay. Wraps at its width, vertical
// scroll bar only, no length limit, Tab moves the focus on.
class ByteTextText1 final : public Text1Access {
 public:
  explicit ByteTextText1(QWidget* parent);

  [[nodiscard]] QWidget* widget() const override;
  [[nodiscard]] QString text() const override;
  void setText(const QString& text, Caret caret) override;
  void replaceSelection(const QString& text) override;

 private:
  ByteTextField* field_;
};

// Text1 as the stock plain-text editor, configured as the window's field; the
// tests and benchmarks keep it as an independent reference.
class PlainTextText1 final : public Text1Access {
 public:
  explicit PlainTextText1(QWidget* parent);

  [[nodiscard]] QWidget* widget() const override;
  [[nodiscard]] QString text() const override;
  void setText(const QString& text, Caret caret) override;
  void replaceSelection(const QString& text) override;

 private:
  QPlainTextEdit* edit_;
};

}  // namespace quorix
