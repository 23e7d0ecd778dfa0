// The file layer on real files of every kind. A refusal must come at once:
// an alarm ends the test program if any read hangs, so a hang fails the test
// instead of stalling the run.
#include "input_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

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

  const struct {
    std::string path;
    Status status;
    std::string bytes;
  } cases[] = {
      {regular, Status::Read, bytes},
      {path("link.hex"), Status::Read, bytes},
      {path("empty.hex"), Status::Read, ""},
      {path("missing.hex"), Status::Unreadable, ""},
      {"", Status::Unreadable, ""},
      {path("dir.hex"), Status::Unreadable, ""},
      {path("fifo.hex"), Status::Unreadable, ""},  // with no writer, opening it for reading would wait
      {path("socket.hex"), Status::Unreadable, ""},
      {"/dev/zero", Status::Unreadable, ""},
      {"/dev/null", Status::Unreadable, ""},
      {path("huge.hex"), Status::TooLarge, ""},
  };
  for (const auto& c : cases) {
    const FileContents got = readInputFile(c.path);
    EXPECT_EQ(got.status, c.status) << c.path;
    EXPECT_EQ(got.bytes, c.bytes) << c.path;
  }
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

}  // namespace
}  // namespace quorix
