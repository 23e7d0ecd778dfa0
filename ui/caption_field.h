// A one-line field that serves as the caption of another: editable like any
// line edit, but announced to screen readers as static text under its text.
#pragma once

#include <QLineEdit>

namespace quorix {

class CaptionField : public QLineEdit {
  Q_OBJECT

 public:
  explicit CaptionField(const QString& text, QWidget* parent = nullptr);
};

}  // namespace quorix
