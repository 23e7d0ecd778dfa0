// Text crosses the window services as UTF-8; the widgets hold QString.
#pragma once

#include <QString>
#include <algorithm>
#include <string>
#include <string_view>

#include "input_file.h"

namespace quorix {

[[nodiscard]] inline QString toQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

// Appends without a temporary QString where the text is ASCII, as byte text is.
inline void appendUtf8(QString& to, std::string_view utf8) {
  if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80U; })) {
    to.append(QLatin1StringView(utf8.data(), static_cast<qsizetype>(utf8.size())));
  } else {
    to.append(toQString(utf8));
  }
}

// UTF-8 of `text`. Byte text is ASCII: it is copied a character at a time
// into one string reserved up front, without the QByteArray that
// toStdString() makes first; a 16 MiB image's text is 50 MB.
[[nodiscard]] inline std::string toUtf8String(const QString& text) {
  std::string utf8;
  reserveLarge(utf8, static_cast<std::size_t>(text.size()));
  for (const QChar c : text) {
    if (c.unicode() >= 0x80U) return text.toStdString();
    utf8.push_back(static_cast<char>(c.unicode()));
  }
  return utf8;
}

}  // namespace quorix
