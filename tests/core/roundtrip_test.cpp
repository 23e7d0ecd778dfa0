// Reading a file and saving what the reader made of it keeps every data byte
// at its address: seeded random images of several ranges, written by srec_cat
// from binary (independent of the writer), read through the open command,
// saved with the start address the reader leaves in Text5, and compared with
// srec_cmp. Only the "FF" bytes that the writer drops may differ, so both
// files are compared with their holes filled with FF.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "fake_services.h"
#include "reader.h"
#include "save_command.h"

namespace quorix {
namespace {

namespace fs = std::filesystem;

struct Range {
  std::uint64_t address = 0;
  std::string bytes;
};

// Several ranges above FFFF with gaps between them, some across the end of a
// 64 KiB range, within a span the reader takes.
std::vector<Range> randomImage(std::mt19937_64& rng) {
  const auto between = [&rng](std::uint64_t lo, std::uint64_t hi) {
    return std::uniform_int_distribution<std::uint64_t>(lo, hi)(rng);
  };
  std::vector<Range> ranges;
  std::uint64_t address = between(0x1, 0xFFF0) << 16U;
  if (between(0, 1) == 0) address += 0x10000 - between(1, 0x200);  // the first range crosses into the next
  const auto count = between(2, 6);
  for (std::uint64_t r = 0; r < count; ++r) {
    Range range{address, {}};
    const auto size = between(1, 40'000);
    for (std::uint64_t i = 0; i < size; ++i) {
      range.bytes.push_back(static_cast<char>(between(0, 7) == 0 ? 0xFF : between(0, 255)));
    }
    ranges.push_back(range);
    address += size + between(1, between(0, 1) == 0 ? 40 : 150'000);
  }
  return ranges;
}

class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v srec_cat >/dev/null 2>&1 && command -v srec_cmp >/dev/null 2>&1") != 0) {
      GTEST_SKIP() << "srecord is not installed";
    }
    std::string pattern = (fs::temp_directory_path() / "quorix-roundtrip-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  [[nodiscard]] std::string file(const std::string& name) const { return (dir_ / name).string(); }

  // Runs a shell command: true when it succeeds without a word on stderr.
  bool quietly(const std::string& command, std::string& errors) const {
    const std::string err = file("stderr");
    const int status = std::system((command + " 2>'" + err + "'").c_str());
    std::ifstream in(err);
    errors.assign(std::istreambuf_iterator<char>(in), {});
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 && errors.empty();
  }

  fs::path dir_;
};

TEST_F(RoundTrip, ReadThenSaveKeepsEveryByteAtItsAddress) {
  std::mt19937_64 rng(0x0A1D'5A7EULL);
  for (int image = 0; image < 6; ++image) {
    SCOPED_TRACE("image " + std::to_string(image));
    const std::vector<Range> ranges = randomImage(rng);
    std::string make = "srec_cat";
    for (std::size_t r = 0; r < ranges.size(); ++r) {
      const std::string bin = file("r" + std::to_string(r) + ".bin");
      std::ofstream(bin, std::ios::binary) << ranges[r].bytes;
      make += " '" + bin + "' -binary -offset " + std::to_string(ranges[r].address);
    }
    std::string errors;
    ASSERT_TRUE(quietly(make + " -o '" + file("in.hex") + "' -intel", errors)) << errors;
    std::ifstream in(file("in.hex"), std::ios::binary);

    testing::FakeServices ui;
    ui.files["/rt/in.hex"] = std::string(std::istreambuf_iterator<char>(in), {});
    ui.openAnswers.push_back({DialogOutcome::Chosen, "/rt/in.hex"});
    openCommand(ui);
    const std::string text5 = ui.fields[Field::Text5];
    const std::optional<StartAddress> start = startAddress(text5);
    if (!start || !start->extended) GTEST_SKIP() << "the reader left Text5 at \"" << text5 << "\"";
    ASSERT_TRUE(ui.messages.empty()) << ui.messages[0].prompt;

    ui.saveAnswers.push_back({DialogOutcome::Chosen, "/rt/out.hex"});
    saveCommand(ui);
    ASSERT_TRUE(ui.messages.empty()) << ui.messages[0].prompt;
    std::ofstream(file("out.hex"), std::ios::binary) << ui.files["/rt/out.hex"];

    // Cell 0 may lie before the first byte of the image, on fill that the
    // reader adds; the writer puts that back as FF.
    const std::uint64_t first = std::min<std::uint64_t>(start->value, ranges.front().address);
    const std::string fill = " -fill 0xFF " + std::to_string(first) + " " +
                             std::to_string(ranges.back().address + ranges.back().bytes.size());
    EXPECT_TRUE(
        quietly("srec_cmp '" + file("in.hex") + "' -intel" + fill + " '" + file("out.hex") + "' -intel" + fill, errors))
        << errors;
    // Nothing lies outside that span: cropped to it, the saved file is the same.
    EXPECT_TRUE(quietly("srec_cmp '" + file("out.hex") + "' -intel '" + file("out.hex") + "' -intel -crop" +
                            fill.substr(std::string(" -fill 0xFF").size()),
                        errors))
        << errors;
  }
}

}  // namespace
}  // namespace quorix
