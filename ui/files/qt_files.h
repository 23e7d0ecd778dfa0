// The file operations of the window services, on the real file system.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "services.h"

namespace quorix {

class QtFiles {
 public:
  [[nodiscard]] static std::optional<std::string> readFile(const std::string& path);
  [[nodiscard]] static std::optional<std::uintmax_t> fileLength(const std::string& path);
  [[nodiscard]] static std::unique_ptr<LineWriter> replaceFile(const std::string& path);
};

}  // namespace quorix
