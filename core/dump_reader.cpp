#include "byte_text.h"

namespace quorix {

std::optional<TextBytes> readDumpOrArray(std::string_view /*text*/) { return std::nullopt; }

}  // namespace quorix
