// The file layer on real files of every kind, and the names it is given. A
// refusal must come at once: an alarm ends the test program if any read hangs,
// so a hang fails the test instead of stalling the run.
#include "input_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "messages.h"
#include "output_file.h"

namespace quorix {
namespace {

using Status = FileContents::Status;
namespace fs = std::filesystem;

constexpr unsigned kSecondsPerTest = 10;

class InputFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ::alarm(kSecondsPerTest);  // the default action of SIGALRM ends the process
    std::string pattern = (fs::temp_directory_path() / "quorix-input-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    ::alarm(0);
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  [[nodiscard]] std::string path(const char* name) const { return (dir_ / name).string(); }

  std::string put(const char* name, const std::string& contents) const {
    std::ofstream(path(name), std::ios::binary) << contents;
    return path(name);
  }

  fs::path dir_;
};

TEST_F(InputFile, RegularFilesAreReadWholeAndAnythingElseIsRefused) {
  const std::string bytes = std::string(":00000001FF\r\n\0\xFF", 15) + std::string(100000, 'x');
  const std::string regular = put("a.hex", bytes);
  fs::create_symlink(regular, path("link.hex"));
  put("empty.hex", "");
  fs::create_directory(path("dir.hex"));
  ASSERT_EQ(::mkfifo(path("fifo.hex").c_str(), 0600), 0);
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path("socket.hex").c_str(), sizeof address.sun_path - 1);
  ASSERT_EQ(::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
  // Sparse: one byte more than the limit takes no room on the disk.
  std::ofstream(path("huge.hex")).close();
  fs::resize_file(path("huge.hex"), kMaxInputBytes + 1);

  // Missing files, folders and permissions are the fault tables' (the window's
  // file layer and the console program run them); here, the kinds of file.
  const std::string notRegular(kNotRegularFileReason);
  const struct {
    std::string path;
    Status status;
    std::string bytes;
    std::string reason;
  } cases[] = {
      {regular, Status::Read, bytes, ""},
      {path("link.hex"), Status::Read, bytes, ""},
      {path("empty.hex"), Status::Read, "", ""},
      {path("fifo.hex"), Status::Unreadable, "", notRegular},  // with no writer, opening it for reading would wait
      {path("socket.hex"), Status::Unreadable, "", notRegular},
      {"/dev/zero", Status::Unreadable, "", notRegular},
      {"/dev/null", Status::Unreadable, "", notRegular},
      {path("huge.hex"), Status::TooLarge, "", ""},
  };
  for (const auto& c : cases) {
    const FileContents got = readInputFile(c.path);
    EXPECT_EQ(got.status, c.status) << c.path;
    EXPECT_EQ(got.bytes, c.bytes) << c.path;
    EXPECT_EQ(got.reason, c.reason) << c.path;
  }
  // The console reads a named pipe or a device as it reads standard input.
  EXPECT_EQ(readNamedInput("/dev/null").status, Status::Read);
  const pid_t writer = ::fork();
  ASSERT_GE(writer, 0);
  if (writer == 0) {
    std::ofstream(path("fifo.hex")) << "piped";
    ::_exit(0);
  }
  EXPECT_EQ(readNamedInput(path("fifo.hex")).bytes, "piped");
  ::waitpid(writer, nullptr, 0);
  ::close(listener);
}

TEST_F(InputFile, StreamsAreReadToTheirEndOrRefusedPastTheLimit) {
  int ends[2];
  ASSERT_EQ(::pipe(ends), 0);
  const std::string text = "01 02 03 \r\n";
  ASSERT_EQ(::write(ends[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
  ::close(ends[1]);
  const FileContents piped = readInputStream(ends[0]);
  ::close(ends[0]);
  EXPECT_EQ(piped.status, Status::Read);
  EXPECT_EQ(piped.bytes, text);

  // An endless stream stops once it passes the limit (a small one here, to
  // spare the test 256 MiB), and a stream of just the limit is read whole.
  const int zero = ::open("/dev/zero", O_RDONLY | O_CLOEXEC);
  ASSERT_GE(zero, 0);
  constexpr std::uintmax_t kLimit = 1 << 20;
  const FileContents endless = readInputStream(zero, kLimit);
  EXPECT_EQ(endless.status, Status::TooLarge);
  EXPECT_TRUE(endless.bytes.empty());
  ::close(zero);

  const int exact = ::open(put("exact", std::string(kLimit, 'x')).c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(exact, 0);
  const FileContents whole = readInputStream(exact, kLimit);
  ::close(exact);
  EXPECT_EQ(whole.status, Status::Read);
  EXPECT_EQ(whole.bytes.size(), kLimit);
}

TEST_F(InputFile, ArgumentsNameFilesAsTheSystemsBytes) {
  const std::string cwd = fs::current_path().string();
  const struct {
    std::string argument;
    std::string path;
  } cases[] = {
      {"", ""},
      {"/tmp/a b.hex", "/tmp/a b.hex"},
      {"caf\xE9.hex", cwd + "/caf\xE9.hex"},
      {"file:///tmp/a%20b.hex", "/tmp/a b.hex"},
      {"file:///tmp/caf%E9%2.hex", "/tmp/caf\xE9%2.hex"},
      {"file://localhost/tmp/a.hex", "/tmp/a.hex"},
      {"file://host/tmp/a.hex", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(pathFromArgument(c.argument), c.path) << c.argument;
}

// A named temporary file, as on a file system without unnamed ones, is
// removed when a signal ends the program while it is written.
TEST_F(InputFile, NamedTemporaryFilesGoWithTheProgram) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const OutputFile::Started started = OutputFile::start(path("out.hex"), OutputFile::Temporary::Named);
      if (!started.file || !started.file->writeLine("01")) ::_exit(1);
      ::raise(signal);
      ::_exit(2);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_TRUE(fs::is_empty(dir_)) << signal;
  }
}

}  // namespace
}  // namespace quorix
