// The windows take their fixed texts from core as UTF-8; the widgets hold QString.
#pragma once

#include <QString>
#include <string_view>

namespace quorix {

[[nodiscard]] inline QString toQString(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace quorix
