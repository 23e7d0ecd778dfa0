// The about box: program name, version, usage notes and a notice.
//
// Modeless and without an owner. Create it with `new AboutBox()` and show() it; every way of
// closing it (确定, Enter, Esc, the frame's close button) destroys it, so a QPointer held by the
// caller clears and the next box is built, and loaded, anew.
#pragma once

#include <QDialog>
#include <QStringList>

class QLabel;
class QPushButton;

namespace quorix {

class AboutBox : public QDialog {
  Q_OBJECT
 public:
  explicit AboutBox(QWidget* parent = nullptr);

  // The families tried, in order, for the title's font "隶书" on systems that lack it.
  [[nodiscard]] static QStringList titleFontFamilies();

 private:
  void load();

  QLabel* lblDisclaimer_ = nullptr;
  QLabel* lblVersion_ = nullptr;
  QLabel* lblTitle_ = nullptr;
  QLabel* lblDescription_ = nullptr;
  QPushButton* cmdOK_ = nullptr;
  QLabel* picIcon_ = nullptr;
};

}  // namespace quorix
