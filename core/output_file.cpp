#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <utility>

#include "input_file.h"
#include "intel_hex.h"
#include "messages.h"

namespace quorix {

namespace {

// Pending output is written in pieces of this size.
constexpr std::size_t kWriteChunk = std::size_t{1} << 20;
constexpr std::array<int, 3> kEndingSignals = {SIGINT, SIGTERM, SIGHUP};

// Blocks the signals that end the program for as long as it lives, so that
// what it guards is done whole or not at all.
class SignalsBlocked {
 public:
  SignalsBlocked() {
    sigset_t set;
    sigemptyset(&set);
    for (const int signal : kEndingSignals) sigaddset(&set, signal);
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
  }
  SignalsBlocked(const SignalsBlocked&) = delete;
  SignalsBlocked& operator=(const SignalsBlocked&) = delete;
  SignalsBlocked(SignalsBlocked&&) = delete;
  SignalsBlocked& operator=(SignalsBlocked&&) = delete;
  ~SignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }

 private:
  sigset_t previous_{};
};

// Named temporary files that the ending signals remove. The handler runs
// only while some file is listed; it removes them all, then lets the signal
// do what it did before.
constexpr std::size_t kNamedSlots = 8;
std::array<std::atomic<const char*>, kNamedSlots> gNamed{};
std::array<struct sigaction, kEndingSignals.size()> gPrevious{};
std::array<bool, kEndingSignals.size()> gHandled{};
std::size_t gListed = 0;  // changed only with the signals blocked

void removeNamed(int signal) {
  for (const std::atomic<const char*>& slot : gNamed) {
    if (const char* name = slot.load()) ::unlink(name);
  }
  for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
    if (kEndingSignals[i] != signal) continue;
    const struct sigaction& previous = gPrevious[i];
    if (previous.sa_handler == SIG_DFL) {
      ::signal(signal, SIG_DFL);
      ::raise(signal);  // delivered when this handler returns
    } else if ((previous.sa_flags & SA_SIGINFO) == 0 && previous.sa_handler != SIG_IGN) {
      previous.sa_handler(signal);
    }
  }
}

// Lists `name` for removal; false when every slot is taken. Call with the signals blocked.
bool listNamed(const char* name) {
  for (std::atomic<const char*>& slot : gNamed) {
    const char* expected = nullptr;
    if (!slot.compare_exchange_strong(expected, name)) continue;
    if (gListed++ == 0) {
      for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
        struct sigaction previous {};
        ::sigaction(kEndingSignals[i], nullptr, &previous);
        // An ignored signal ends nothing: there is nothing to clean up after it.
        gHandled[i] = previous.sa_handler != SIG_IGN;
        if (!gHandled[i]) continue;
        gPrevious[i] = previous;
        struct sigaction action {};
        action.sa_handler = removeNamed;
        sigemptyset(&action.sa_mask);
        for (const int signal : kEndingSignals) sigaddset(&action.sa_mask, signal);
        ::sigaction(kEndingSignals[i], &action, nullptr);
      }
    }
    return true;
  }
  return false;
}

// Call with the signals blocked.
void unlistNamed(const char* name) {
  for (std::atomic<const char*>& slot : gNamed) {
    const char* expected = name;
    if (!slot.compare_exchange_strong(expected, nullptr)) continue;
    if (--gListed == 0) {
      for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
        if (gHandled[i]) ::sigaction(kEndingSignals[i], &gPrevious[i], nullptr);
      }
    }
    return;
  }
}

// The mode a new file gets: what the process's file mode mask leaves of 0666.
mode_t newFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666U & ~mask;
}

// What a path names once links are followed, and the folder it lies in.
struct Target {
  std::string path;
  std::string folder;
  bool exists = false;
  struct stat info {};
};

// Finds the target of `path`; the reason it cannot be written, or nothing.
std::string findTarget(const std::string& path, Target& target) {
  if (path.empty()) return std::string(kNoSuchFolderReason);
  struct stat info {};
  target.path = path;
  if (::lstat(path.c_str(), &info) == 0) {
    if (S_ISLNK(info.st_mode)) {
      // A link keeps pointing where it points: the file it names is replaced.
      char* resolved = ::realpath(path.c_str(), nullptr);
      if (resolved == nullptr) {
        // A link to nothing is not made into a file of its own.
        return errno == ENOENT ? std::string(kNoSuchFileReason) : saveFailureReason(errno);
      }
      target.path = resolved;
      std::free(resolved);  // NOLINT(cppcoreguidelines-no-malloc): realpath's buffer
      if (::stat(target.path.c_str(), &info) != 0) return saveFailureReason(errno);
    }
    target.exists = true;
    target.info = info;
    if (S_ISDIR(info.st_mode)) return std::string(kTargetIsFolderReason);
    if (!S_ISREG(info.st_mode)) return std::string(kNotRegularFileReason);
    // As cp does: a file the user may not write is not replaced, though the folder would allow it.
    if (::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) return saveFailureReason(errno);
  } else if (errno != ENOENT) {
    return saveFailureReason(errno);
  }
  const std::size_t slash = target.path.rfind('/');
  target.folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.path.substr(0, slash);
  struct stat folder {};
  if (::stat(target.folder.c_str(), &folder) != 0) return saveFailureReason(errno);
  if (!S_ISDIR(folder.st_mode)) return std::string(kNoSuchFolderReason);
  if (::faccessat(AT_FDCWD, target.folder.c_str(), W_OK | X_OK, AT_EACCESS) != 0) return saveFailureReason(errno);
  return {};
}

// Gives the new file what the old one had, as far as the process may: owner
// and group first, since changing them clears the set-ID bits, then the mode.
void takeOver(int fd, const Target& target) {
  if (!target.exists) return;
  // Not root: the file is the user's, in the old group where the user belongs
  // to it, else in the user's own; either way the mode follows.
  [[maybe_unused]] const bool ownerOrGroupKept = ::fchown(fd, target.info.st_uid, target.info.st_gid) == 0 ||
                                                 ::fchown(fd, static_cast<uid_t>(-1), target.info.st_gid) == 0;
  (void)::fchmod(fd, target.info.st_mode & 07777U);
}

// A name beside the target that no file has yet, for the link before the rename.
std::string linkName(const std::string& target, unsigned attempt) {
  static constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz0123456789";
  auto seed = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
  seed ^= (static_cast<std::uint64_t>(::getpid()) << 32U) + attempt * 0x9E3779B97F4A7C15ULL;
  std::string name = target + ".";
  for (int i = 0; i < 6; ++i, seed /= kLetters.size()) name.push_back(kLetters[seed % kLetters.size()]);
  return name;
}

}  // namespace

std::string saveFailureReason(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
      return std::string(kDiskFullReason);
    case EACCES:
    case EPERM:
      return std::string(kNoWritePermissionReason);
    case ENOENT:
    case ENOTDIR:
      return std::string(kNoSuchFolderReason);
    case EISDIR:
      return std::string(kTargetIsFolderReason);
    default:
      return systemErrorText(error);
  }
}

std::string outputRefusal(const std::string& path) {
  Target target;
  return findTarget(path, target);
}

OutputFile::Started OutputFile::start(const std::string& path, Temporary temporary) {
  Target target;
  if (std::string reason = findTarget(path, target); !reason.empty()) return {nullptr, std::move(reason)};

  int fd = -1;
  if (temporary == Temporary::Unnamed) {
    fd = ::open(target.folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    // Without unnamed files the kernel answers EISDIR, the file system EOPNOTSUPP.
    if (fd < 0 && errno != EOPNOTSUPP && errno != EISDIR) return {nullptr, saveFailureReason(errno)};
  }
  std::unique_ptr<OutputFile> file(new OutputFile(target.path, {}, fd));
  if (fd < 0) {
    // Listed for removal as it is made, so that no signal can end the program between.
    const SignalsBlocked blocked;
    std::string& named = file->temporary_;
    named = target.path + ".XXXXXX";
    file->fd_ = ::mkostemp(named.data(), O_CLOEXEC);
    if (file->fd_ < 0) {
      const int error = errno;
      named.clear();
      return {nullptr, saveFailureReason(error)};
    }
    if (!listNamed(named.c_str())) {
      ::unlink(named.c_str());
      named.clear();
      return {nullptr, systemErrorText(EMFILE)};
    }
    (void)::fchmod(file->fd_, newFileMode());
  }
  takeOver(file->fd_, target);
  return {std::move(file), {}};
}

OutputFile::OutputFile(std::string target, std::string temporary, int fd)
    : target_(std::move(target)), temporary_(std::move(temporary)), fd_(fd) {}

OutputFile::~OutputFile() {
  if (fd_ >= 0) ::close(fd_);
  if (!temporary_.empty()) {
    const SignalsBlocked blocked;
    ::unlink(temporary_.c_str());
    unlistNamed(temporary_.c_str());
  }
}

bool OutputFile::fail(int error) {
  if (!failed_) failure_ = saveFailureReason(error);
  failed_ = true;
  return false;
}

bool OutputFile::writeOut(std::string_view data) {
  while (!data.empty()) {
    const ssize_t done = ::write(fd_, data.data(), data.size());
    if (done < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    data.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

bool OutputFile::flush() {
  const bool written = writeOut(pending_);
  pending_.clear();
  return written;
}

bool OutputFile::append(std::string_view bytes) {
  if (failed_ || fd_ < 0) return false;
  if (pending_.size() + bytes.size() > kWriteChunk) {
    if (!flush()) return false;
    // A large piece goes straight to the file instead of through the buffer.
    if (bytes.size() > kWriteChunk) return writeOut(bytes);
  }
  pending_.append(bytes);
  return true;
}

bool OutputFile::writeLine(std::string_view line) { return append(line) && append(kRecordLineEnd); }

bool OutputFile::commit() {
  if (failed_ || fd_ < 0) return false;
  if (!flush()) return false;
  if (::fsync(fd_) != 0) return fail(errno);
  if (!linkAndRename()) return false;
  const int fd = std::exchange(fd_, -1);
  ::close(fd);  // the file is in place; a close can no longer lose what fsync wrote
  return true;
}

bool OutputFile::linkAndRename() {
  const SignalsBlocked blocked;
  if (!temporary_.empty()) {
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) return fail(errno);
    unlistNamed(temporary_.c_str());
    temporary_.clear();
    return true;
  }
  // The unnamed file gets a name beside the target, then takes the target's.
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  for (unsigned attempt = 0;; ++attempt) {
    const std::string name = linkName(target_, attempt);
    int linked = ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW);
    // Without /proc, the descriptor itself is linked (which needs a privilege).
    if (linked != 0 && errno == ENOENT) linked = ::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH);
    if (linked != 0) {
      if (errno == EEXIST && attempt < 100) continue;
      return fail(errno);
    }
    if (::rename(name.c_str(), target_.c_str()) != 0) {
      const int error = errno;
      ::unlink(name.c_str());
      return fail(error);
    }
    return true;
  }
}

}  // namespace quorix
