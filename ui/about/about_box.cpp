#include "about_box.h"

namespace quorix {

AboutBox::AboutBox(QWidget* parent) : QDialog(parent) { setObjectName("frmAbout"); }

}  // namespace quorix
