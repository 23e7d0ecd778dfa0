// Text crosses the window services as UTF-8; the widgets hold QString.
#pragma once

#include <QString>
#include <algorithm>
#include <string_view>

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

}  // namespace quorix
