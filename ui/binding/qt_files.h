// The file operations of the window services, on the real file system. Paths
// are the system's bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "services.h"

namespace quorix::files {

// Every byte of a regular file, or why it cannot be had (readInputFile).
[[nodiscard]] FileContents readFile(const std::string& path);
// Length in bytes of a file; nothing when it is missing or a directory.
[[nodiscard]] std::optional<std::uintmax_t> fileLength(const std::string& path);
// A new file written beside `path` that takes its place on commit() (the
// core's OutputFile): the old file stays as it was until then, and for good
// when the writer is dropped uncommitted or the commit fails. nullptr when the
// new file cannot be started; `reason` then says why.
[[nodiscard]] std::unique_ptr<LineWriter> replaceFile(const std::string& path, std::string& reason);
// Why `path` cannot be replaced, before anything is written; empty when it may be tried.
[[nodiscard]] std::string replaceRefusal(const std::string& path);

}  // namespace quorix::files
