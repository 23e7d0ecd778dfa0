#include "caption_field.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace quorix {

namespace {

class CaptionAccessible : public QAccessibleWidget {
 public:
  explicit CaptionAccessible(CaptionField* field) : QAccessibleWidget(field, QAccessible::StaticText) {}
  [[nodiscard]] QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name) return static_cast<const CaptionField*>(widget())->text();
    return QAccessibleWidget::text(t);
  }
};

// Asked before Qt's own factories, which know only their own class names.
QAccessibleInterface* captionAccessible(const QString& className, QObject* object) {
  if (className != QLatin1StringView(CaptionField::staticMetaObject.className())) return nullptr;
  return new CaptionAccessible(static_cast<CaptionField*>(object));
}

}  // namespace

CaptionField::CaptionField(const QString& text, QWidget* parent) : QLineEdit(text, parent) {
  QAccessible::installFactory(&captionAccessible);
}

}  // namespace quorix
