#include "byte_text_field.h"

namespace quorix {

ByteTextField::ByteTextField(QWidget* parent) : QAbstractScrollArea(parent) {}

}  // namespace quorix
