// Reading a HEX file or a byte text from disk or a stream, without a toolkit:
// the window's file layer and the console converter share these checks.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "services.h"

namespace quorix {

// The largest input read: more than any HEX file whose data span 16 MiB needs.
inline constexpr std::uintmax_t kMaxInputBytes = std::uintmax_t{256} * 1024 * 1024;

// Every byte of the regular file at `path`, read once. Pipes, devices,
// sockets and directories are refused before anything is read (the open
// never blocks), and so is a file larger than kMaxInputBytes. A refusal
// carries its reason.
[[nodiscard]] FileContents readInputFile(const std::string& path);

// Reserves room for `capacity` bytes in `buffer`, which should not have
// touched much of it yet. A large buffer asks for huge pages before it is
// first written: faulting in tens of megabytes 4 KiB at a time can take
// longer than reading them. The request is a hint; a refusal changes nothing.
void reserveLarge(std::string& buffer, std::size_t capacity);

// Tells the user why a file was not read (status Unreadable or TooLarge), in
// the message box every reader of files shows for it, with its reason.
void reportUnread(WindowServices& ui, const FileContents& file);

// Everything an open descriptor (standard input) delivers up to its end, or
// TooLarge as soon as it passes `limit` bytes.
[[nodiscard]] FileContents readInputStream(int fd, std::uintmax_t limit = kMaxInputBytes);

// For the console: a named pipe or a character device (/dev/stdin, a
// process substitution, a terminal) is read to its end as standard input is,
// up to the same limit; anything else as readInputFile reads it.
[[nodiscard]] FileContents readNamedInput(const std::string& path);

// The length of what `path` names; nothing when it is missing or a folder.
[[nodiscard]] std::optional<std::uintmax_t> existingFileLength(const std::string& path);

// The file a program argument names, as the system's bytes: the argument
// itself, or the path of a local file URL ("file:///a%20b.hex"), made
// absolute. Empty for an empty argument or a URL that names no local file.
[[nodiscard]] std::string pathFromArgument(std::string_view argument);

// The system's own words for its error number `error`.
[[nodiscard]] std::string systemErrorText(int error);

}  // namespace quorix
