// A multi-line text field for very long wrapped byte texts.
#pragma once

#include <QAbstractScrollArea>

namespace quorix {

class ByteTextField : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit ByteTextField(QWidget* parent = nullptr);
};

}  // namespace quorix
