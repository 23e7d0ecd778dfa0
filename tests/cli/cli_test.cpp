// quorix-cli against the window: the built program is run on the inputs of a
// table, and what it writes (or refuses) is compared with what the core's
// commands do through the fake window for the same inputs.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "checksum.h"
#include "fake_services.h"
#include "hex_records.h"
#include "messages.h"
#include "open_command.h"
#include "save_command.h"

namespace quorix {
namespace {

namespace fs = std::filesystem;
using testing::cells;
using testing::DialogAnswer;
using testing::FakeServices;
using testing::lines;
using testing::record;

// What the window shows after a command: a field or a file, and its messages.
struct Outcome {
  std::string result;
  std::vector<std::string> messages;
};

Outcome windowOpens(const std::string& file) {
  FakeServices ui;
  ui.files["/in.hex"] = file;
  ui.openAnswers.push_back({DialogOutcome::Chosen, "/in.hex"});
  openCommand(ui);
  Outcome o{ui.fields[Field::Text1], {}};
  for (const auto& m : ui.messages) o.messages.push_back(m.prompt);
  return o;
}

Outcome windowSaves(const std::string& text, const std::string& address) {
  FakeServices ui;
  ui.fields[Field::Text1] = text;
  ui.fields[Field::Text5] = address;
  ui.saveAnswers.push_back({DialogOutcome::Chosen, "/out.hex"});
  saveCommand(ui);
  Outcome o{ui.files["/out.hex"], {}};
  for (const auto& m : ui.messages) o.messages.push_back(m.prompt);
  return o;
}

// The error lines the program gives for the window's messages.
std::string errorLines(const std::vector<std::string>& messages, const std::string& name) {
  std::string lines;
  for (const auto& m : messages) lines += "quorix-cli: " + name + ": " + m + "\n";
  return lines;
}

struct Result {
  int status = -1;
  std::string out;
  std::string err;
};

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "quorix-cli-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  [[nodiscard]] std::string put(const std::string& name, const std::string& contents) const {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary) << contents;
    return path;
  }
  [[nodiscard]] static std::string get(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }

  // Runs quorix-cli with `args`, standard input from `input` (a path).
  [[nodiscard]] Result run(const std::vector<std::string>& args, const std::string& input = "/dev/null") const {
    std::string command = "'" QUORIX_CLI_PATH "'";
    for (const auto& a : args) command += " '" + a + "'";
    const std::string out = (dir_ / "stdout").string();
    const std::string err = (dir_ / "stderr").string();
    command += " <'" + input + "' >'" + out + "' 2>'" + err + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, get(out), get(err)};
  }

  // The program's run must match the window's outcome: the result on success,
  // else status 1, the messages as error lines, and nothing on standard output.
  static void expectSame(const Result& run, const Outcome& window, const std::string& name, const std::string& label) {
    if (window.messages.empty()) {
      EXPECT_EQ(run.status, 0) << label << run.err;
      EXPECT_EQ(run.out, window.result) << label;
      EXPECT_EQ(run.err, "") << label;
    } else {
      EXPECT_EQ(run.status, 1) << label;
      EXPECT_EQ(run.out, "") << label;
      EXPECT_EQ(run.err, errorLines(window.messages, name)) << label;
    }
  }

  fs::path dir_;
};

const std::string kExample = ":03001000010203E7\r\n:02001800AABB81\r\n:00000001FF\r\n";

TEST_F(Cli, TextIsTheFieldTheWindowFills) {
  const struct {
    const char* name;
    std::string file;
  } cases[] = {
      {"worked example", kExample},
      {"gaps", lines({record(0x0120, 0, {1, 2, 3}), record(0x0140, 0, {4}), record(0x0200, 0, {5}), ":00000001FF"})},
      {"lower case", ":03001000010203e7\n:02001800aabb81\n:00000001ff\n"},
      {"overlapping records", lines({record(0x10, 0, {1, 2, 3, 4}), record(0x12, 0, {5}), ":00000001FF"})},
      {"bad checksum", ":03001000010203E8\r\n:00000001FF\r\n"},
      {"no end record", lines({record(0x10, 0, {1, 2})})},
      {"32-bit address", lines({record(0, 4, {0x12, 0x34}), record(0xFFF0, 0, {9, 8}), ":00000001FF"})},
      {"bytes beyond ASCII",
       ":02000000\xE9\xFF"
       "17\r\n:00000001FF\r\n"},
      {"not a HEX file", "01 02 03 04\n"},
      {"empty file", ""},
      {"far-apart blocks", lines({record(0, 4, {0x08, 0}), record(0x0105, 0, {1}), record(0, 4, {0x1F, 0xFF}),
                                  record(0xC000, 0, {2}), ":00000001FF"})},
  };
  for (const auto& c : cases) {
    const Outcome window = windowOpens(c.file);
    const std::string path = put("in.hex", c.file);
    expectSame(run({"text", path}), window, path, std::string(c.name) + " (file)");
    expectSame(run({"text"}, path), window, "-", std::string(c.name) + " (stdin)");
  }
  // A worked example whose field does not depend on how the reader gets there.
  EXPECT_EQ(run({"text", put("in.hex", kExample)}).out, cells("FF ", 16) + "01 02 03 " + cells("FF ", 5) + "AA BB ");
  // With -A the text says where it lies, in the digits Text5 would show, for one block as for several.
  EXPECT_EQ(run({"text", "-A", put("in.hex", kExample)}).out,
            "@0000\n" + cells("FF ", 16) + "01 02 03 " + cells("FF ", 5) + "AA BB ");
  EXPECT_EQ(run({"--address-line", "text",
                 put("in.hex", lines({record(0, 4, {0x08, 0}), record(0x0105, 0, {1}), ":00000001FF"}))})
                .out,
            "@08000100\n" + cells("FF ", 5) + "01 ");
  EXPECT_EQ(run({"text", "-A", put("in.hex", cases[10].file)}).out,
            "@08000100\n" + cells("FF ", 5) + "01 \n@1FFFC000\n02 ");
}

TEST_F(Cli, HexIsTheFileTheWindowSaves) {
  const struct {
    const char* name;
    std::string text;
    std::string address;
  } cases[] = {
      {"default text", std::string(kDefaultByteText), "0000"},
      {"gaps and fill", "01 FF FF " + cells("FF ", 16) + "02 03 FF", "1234"},
      {"lower case", "0a 0b ff 0C", "00F8"},
      {"no final blank", "01 02 03", "0000"},
      {"empty text", "", "0000"},
      {"non-hex text", "01 zz 03 ", "0000"},
      {"non-ASCII text", "01 \xC3\xA9 03 ", "0000"},
      {"bad start address", "01 02 ", "12G"},
      {"short start address", "01 02 ", "12"},
      {"32-bit start address", "01 02 ", "00010000"},
      {"beyond FFFF", cells("5A ", 40), "FFF0"},
      {"0x start, log lines", "[11:18:07.200] 01 02\r\n[11:18:07.300] 03\r\n", "0x0800"},
      {"address lines", "@0800\n0x01,0x02,\n@0010\n03\nq\n", "GGGG"},
      {"overlapping address lines", "@0800 01 02 @0801 03", "0000"},
  };
  for (const auto& c : cases) {
    const Outcome window = windowSaves(c.text, c.address);
    const std::string input = put("in.txt", c.text);
    expectSame(run({"hex", "-a", c.address, input}), window, input, std::string(c.name) + " (stdout)");

    // An existing -o file is replaced when the window would save, and kept
    // whole otherwise (kept reads as nothing written).
    const fs::path out = dir_ / "out";
    std::ofstream(out) << "old";
    const Result toFile = run({"hex", "--address=" + c.address, "-o", out.string()}, input);
    expectSame({toFile.status, get(out) == "old" ? "" : get(out), toFile.err}, window, "-",
               std::string(c.name) + " (-o)");
  }
  // Nothing beside: no temporary file left, no name with ".hex" added.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir_), {}), 4);
  EXPECT_EQ(run({"hex", put("in.txt", std::string(kDefaultByteText))}).out,
            lines({":100000000102030405060708090A0B0C0D0E0F1068", ":0400100011121314A2", ":00000001FF"}));
}

TEST_F(Cli, FileFailuresAreReportedWithTheWindowsPrompts) {
  const std::string text = put("in.txt", "01 ");
  const std::string missing = (dir_ / "missing").string();
  const struct {
    std::vector<std::string> args;
    std::string err;
  } cases[] = {
      {{"text", missing}, errorLines({std::string(kReadFailedPrompt)}, missing)},
      {{"text", dir_.string()}, errorLines({std::string(kReadFailedPrompt)}, dir_.string())},
      {{"hex", missing}, errorLines({std::string(kReadFailedPrompt)}, missing)},
      {{"hex", "-o", (dir_ / "no" / "out.hex").string(), text}, errorLines({std::string(kSaveFailedPrompt)}, text)},
      {{"hex", "-o", dir_.string(), text}, errorLines({std::string(kSaveFailedPrompt)}, text)},
  };
  for (const auto& c : cases) {
    const Result r = run(c.args);
    EXPECT_EQ(r.status, 1) << c.args.back();
    EXPECT_EQ(r.out, "") << c.args.back();
    EXPECT_EQ(r.err, c.err) << c.args.back();
  }
}

TEST_F(Cli, ChecksumIsTheCalculators) {
  for (const std::string& digits :
       std::vector<std::string>{"02000004FFFF", "0300100001020", "", "10000000" + cells("AB", 255)}) {
    const Result r = run({"checksum", digits});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, recordChecksum(digits) + "\n") << digits;
  }
  EXPECT_EQ(run({"checksum", ":0200000401F009"}).out, "00\n");
  const Result refused = run({"checksum", "1 02 03"});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.out, "");
  EXPECT_EQ(refused.err, "quorix-cli: checksum: " + std::string(kChecksumNonHexPrompt) + "\n");
}

TEST_F(Cli, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"convert"},
      {"text", "a.hex", "b.hex"},
      {"text", "-o", "x"},
      {"hex", "-A"},
      {"hex", "-a"},
      {"hex", "--bogus"},
      {"checksum"},
      {"checksum", "01", "02"},
  };
  for (const auto& args : cases) {
    const Result r = run(args);
    EXPECT_EQ(r.status, 2) << ::testing::PrintToString(args);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("quorix-cli: ", 0), 0U) << r.err;
  }
  for (const char* option : {"--help", "--version"}) {
    const Result r = run({option});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("quorix-cli"), std::string::npos);
  }
}

}  // namespace
}  // namespace quorix
