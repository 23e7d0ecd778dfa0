#include "input_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstring>
#include <string>

#include "hex.h"
#include "messages.h"

namespace quorix {

namespace {

using Status = FileContents::Status;

// A file that could not be read, with the reason the system's error gives.
FileContents unread(int error) {
  std::string reason;
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      reason = kNoSuchFileReason;
      break;
    case EACCES:
    case EPERM:
      reason = kNoReadPermissionReason;
      break;
    default:
      reason = systemErrorText(error);
      break;
  }
  return {Status::Unreadable, {}, std::move(reason)};
}

FileContents notRegular() { return {Status::Unreadable, {}, std::string(kNotRegularFileReason)}; }

// Closes the descriptor however the read ends.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  Descriptor(Descriptor&&) = delete;
  Descriptor& operator=(Descriptor&&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  [[nodiscard]] int get() const noexcept { return fd_; }

 private:
  int fd_;
};

// Grows `bytes` to `size`, with room reserved as reserveLarge gives it.
void growTo(std::string& bytes, std::size_t size) {
  if (size > bytes.capacity()) reserveLarge(bytes, size);
  bytes.resize(size);
}

// Reads `fd` to its end into one string, sized for `expected` bytes up front
// so that a regular file is read in place, never copied. Stops with TooLarge
// as soon as more than `limit` bytes arrive.
FileContents readAll(int fd, std::size_t expected, std::uintmax_t limit) {
  constexpr std::size_t kChunk = std::size_t{1} << 16;
  FileContents contents{Status::Read, {}};
  std::string& bytes = contents.bytes;
  growTo(bytes, expected + 1);  // one byte more shows a file that grew
  std::size_t done = 0;
  for (;;) {
    if (done == bytes.size()) {
      if (bytes.size() > limit) return {Status::TooLarge, {}};
      growTo(bytes, std::min<std::uintmax_t>(bytes.size() + std::max(kChunk, bytes.size() / 2), limit + 1));
    }
    const ssize_t got = ::read(fd, bytes.data() + done, bytes.size() - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return unread(errno);
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  if (done > limit) return {Status::TooLarge, {}};
  bytes.resize(done);
  return contents;
}

}  // namespace

void reserveLarge(std::string& buffer, std::size_t capacity) {
  buffer.reserve(capacity);
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  if (buffer.capacity() < 2 * kHugePage) return;
  // The whole huge pages inside the buffer. Pages the buffer has touched
  // already stay as they are.
  char* const data = buffer.data();
  const auto start = reinterpret_cast<std::uintptr_t>(data);
  char* const begin = data + (kHugePage - start % kHugePage) % kHugePage;
  char* const end = data + buffer.capacity() - (start + buffer.capacity()) % kHugePage;
  if (end > begin) ::madvise(begin, static_cast<std::size_t>(end - begin), MADV_HUGEPAGE);
#endif
}

FileContents readInputFile(const std::string& path) {
  if (path.empty()) return unread(ENOENT);
  // Only a regular file is opened at all: opening a device may already act
  // on it (a serial port, a tape), and a FIFO's open waits for a writer.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return unread(errno);
  if (!S_ISREG(info.st_mode)) return notRegular();
  if (static_cast<std::uintmax_t>(info.st_size) > kMaxInputBytes) return {Status::TooLarge, {}};
  // The path may name something else by now: O_NONBLOCK keeps the open from
  // waiting, and what was opened is checked again.
  const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) return unread(errno);
  if (::fstat(fd.get(), &info) != 0) return unread(errno);
  if (!S_ISREG(info.st_mode)) return notRegular();
  const auto size = static_cast<std::uintmax_t>(info.st_size);
  if (size > kMaxInputBytes) return {Status::TooLarge, {}};
  return readAll(fd.get(), static_cast<std::size_t>(size), kMaxInputBytes);
}

void reportUnread(WindowServices& ui, const FileContents& file) {
  ui.messageBox(
      file.status == Status::TooLarge ? std::string(kFileTooLargePrompt) : withReason(kReadFailedPrompt, file.reason),
      Buttons::Ok, kFileErrorTitle);
}

FileContents readInputStream(int fd, std::uintmax_t limit) { return readAll(fd, 0, limit); }

FileContents readNamedInput(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !(S_ISFIFO(info.st_mode) || S_ISCHR(info.st_mode))) {
    return readInputFile(path);
  }
  const Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) return unread(errno);
  return readInputStream(fd.get());
}

std::optional<std::uintmax_t> existingFileLength(const std::string& path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return std::nullopt;
  return static_cast<std::uintmax_t>(info.st_size);
}

std::string pathFromArgument(std::string_view argument) {
  std::string path;
  constexpr std::string_view kScheme = "file://";
  if (argument.starts_with(kScheme)) {
    std::string_view rest = argument.substr(kScheme.size());
    // Only a file of this machine: no host, or "localhost".
    if (rest.starts_with("localhost/")) rest.remove_prefix(std::string_view("localhost").size());
    if (!rest.starts_with('/')) return {};
    rest = rest.substr(0, rest.find_first_of("?#"));
    for (std::size_t i = 0; i < rest.size(); ++i) {
      if (rest[i] == '%' && i + 2 < rest.size() && isHexDigit(rest[i + 1]) && isHexDigit(rest[i + 2])) {
        path.push_back(static_cast<char>(byteValue(rest[i + 1], rest[i + 2])));
        i += 2;
      } else {
        path.push_back(rest[i]);
      }
    }
  } else {
    path = argument;
  }
  if (path.empty() || path.front() == '/') return path;
  std::string folder(PATH_MAX, '\0');
  if (::getcwd(folder.data(), folder.size()) == nullptr) return path;
  folder.resize(std::char_traits<char>::length(folder.c_str()));
  return folder == "/" ? folder + path : folder + '/' + path;
}

std::string systemErrorText(int error) {
  std::array<char, 256> buffer{};
  // The GNU strerror_r, which may answer with a text of its own instead of the buffer.
  return ::strerror_r(error, buffer.data(), buffer.size());
}

}  // namespace quorix
