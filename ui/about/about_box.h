// The about box.
#pragma once

#include <QDialog>

namespace quorix {

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* parent = nullptr);
};

}  // namespace quorix
