// The byte text field's selection as MIME data: the offer of the X11 primary selection, and the
// text a drag carries, marked with the field it comes from so that a drop back into that field
// moves the text rather than copying it.
#pragma once

#include "byte_text_document.h"

#include <QMimeData>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace quorix {

// The offer of the primary selection. The text is taken from the document only when another
// program asks for it, so extending a selection of megabytes by keyboard or mouse costs nothing
// per step.
class SelectionMimeData : public QMimeData {
 public:
  SelectionMimeData(const ByteTextDocument* doc, int start, int end) : doc_(doc), start_(start), end_(end) {}
  void setRange(int start, int end) {
    start_ = start;
    end_ = end;
  }
  [[nodiscard]] QStringList formats() const override;
  [[nodiscard]] bool hasFormat(const QString& mimeType) const override;

 protected:
  [[nodiscard]] QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

 private:
  QPointer<const ByteTextDocument> doc_;
  int start_;
  int end_;
};

// This field's offer of the X11 primary selection, renewed only when another program took the
// selection over, and otherwise told the new range.
class PrimarySelection {
 public:
  explicit PrimarySelection(const ByteTextDocument* doc) : doc_(doc) {}
  void offer(int start, int end);

 private:
  const ByteTextDocument* doc_;
  QPointer<SelectionMimeData> offered_;
};

// The text of a drag that starts in `source`.
[[nodiscard]] QMimeData* dragMimeData(const QString& text, const QObject* source);
// Whether `mime` comes from a drag that started in `source`, in this process.
[[nodiscard]] bool isDragFrom(const QMimeData& mime, const QObject* source);
// Whether the field takes a drop of `mime`: text, but not file URLs, which are the window's.
[[nodiscard]] bool isDroppableText(const QMimeData* mime);

}  // namespace quorix
