#include "input_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>

#include "messages.h"

namespace quorix {

namespace {

using Status = FileContents::Status;

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
      return {Status::Unreadable, {}};
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
  if (path.empty()) return {Status::Unreadable, {}};
  // Only a regular file is opened at all: opening a device may already act
  // on it (a serial port, a tape), and a FIFO's open waits for a writer.
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return {Status::Unreadable, {}};
  if (static_cast<std::uintmax_t>(info.st_size) > kMaxInputBytes) return {Status::TooLarge, {}};
  // The path may name something else by now: O_NONBLOCK keeps the open from
  // waiting, and what was opened is checked again.
  const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (fd.get() < 0) return {Status::Unreadable, {}};
  if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return {Status::Unreadable, {}};
  const auto size = static_cast<std::uintmax_t>(info.st_size);
  if (size > kMaxInputBytes) return {Status::TooLarge, {}};
  return readAll(fd.get(), static_cast<std::size_t>(size), kMaxInputBytes);
}

void reportUnread(WindowServices& ui, FileContents::Status status) {
  ui.messageBox(status == Status::TooLarge ? kFileTooLargePrompt : kReadFailedPrompt, Buttons::Ok, kFileErrorTitle);
}

FileContents readInputStream(int fd, std::uintmax_t limit) { return readAll(fd, 0, limit); }

}  // namespace quorix
