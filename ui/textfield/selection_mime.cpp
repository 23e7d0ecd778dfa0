#include "selection_mime.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>

#include <algorithm>

namespace quorix {

namespace {

const QString kFieldDragFormat = QStringLiteral("application/x-quorix-byte-text-field");

QByteArray dragIdentity(const QObject* source) {
  return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
         QByteArray::number(reinterpret_cast<quintptr>(source));
}

}  // namespace

QStringList SelectionMimeData::formats() const { return {QStringLiteral("text/plain")}; }

bool SelectionMimeData::hasFormat(const QString& mimeType) const { return mimeType == QLatin1String("text/plain"); }

QVariant SelectionMimeData::retrieveData(const QString& mimeType, QMetaType /*type*/) const {
  if (doc_ == nullptr || mimeType != QLatin1String("text/plain")) return {};
  const int start = std::clamp(start_, 0, doc_->length());
  const int end = std::clamp(end_, start, doc_->length());
  return doc_->mid(start, end - start);
}

void PrimarySelection::offer(int start, int end) {
  QClipboard* clipboard = QGuiApplication::clipboard();
  if (!clipboard->supportsSelection()) return;
  if (offered_ != nullptr && clipboard->ownsSelection() && clipboard->mimeData(QClipboard::Selection) == offered_) {
    offered_->setRange(start, end);
    return;
  }
  auto* mime = new SelectionMimeData(doc_, start, end);
  offered_ = mime;
  clipboard->setMimeData(mime, QClipboard::Selection);
}

QMimeData* dragMimeData(const QString& text, const QObject* source) {
  auto* mime = new QMimeData;
  mime->setText(text);
  mime->setData(kFieldDragFormat, dragIdentity(source));
  return mime;
}

bool isDragFrom(const QMimeData& mime, const QObject* source) {
  return mime.hasFormat(kFieldDragFormat) && mime.data(kFieldDragFormat) == dragIdentity(source);
}

bool isDroppableText(const QMimeData* mime) { return mime != nullptr && mime->hasText() && !mime->hasUrls(); }

}  // namespace quorix
