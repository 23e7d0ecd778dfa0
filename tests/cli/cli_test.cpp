// quorix-cli against the window: the built program is run on the inputs of a
// table, and what it writes (or refuses) is compared with what the core's
// commands do through the fake window for the same inputs.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "checksum.h"
#include "fake_services.h"
#include "file_faults.h"
#include "hex_records.h"
#include "messages.h"
#include "open_command.h"
#include "save_command.h"

namespace quorix {
namespace {

namespace fs = std::filesystem;
using testing::cells;

// The program under test; a copy beside this test when it runs as another user.
const std::string kProgram =
    std::getenv("QUORIX_TEST_PROGRAMS") != nullptr
        ? (fs::path(std::getenv("QUORIX_TEST_PROGRAMS")) / fs::path(QUORIX_CLI_PATH).filename()).string()
        : QUORIX_CLI_PATH;
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
  for (std::string m : messages) {
    // A message's reason follows its first line on the same line.
    if (const std::size_t end = m.find('\n'); end != std::string::npos) m.replace(end, 1, "：");
    lines += "quorix-cli: " + name + ": " + m + "\n";
  }
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
  void TearDown() override { testing::removeFault(dir_); }

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
    std::string command = "'" + kProgram + "'";
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

// Each fault through the program, as root and then as an ordinary user: the
// message under the failing file's name, and nothing else changed.
TEST_F(Cli, FileFaultsAreReportedWithTheirReasons) {
  const fs::path folder = dir_ / "f";
  for (const testing::FileFault& fault : testing::kReadFaults) {
    const std::string path = testing::makeFault(fault, folder).string();
    const Result r = run({"text", path});
    const std::string_view reason = fault.expected();
    EXPECT_EQ(r.out + r.err, reason.empty() ? std::string(testing::kFaultText)
                                            : errorLines({withReason(kReadFailedPrompt, reason)}, path))
        << fault.name;
    testing::removeFault(folder);
  }
  // `hex -o` and `text -o` alike.
  const std::string text = put("in.txt", std::string(testing::kFaultText));
  const std::string hex = put("in.hex", std::string(testing::kFaultHex));
  for (const testing::FileFault& fault : testing::kSaveFaults) {
    for (const bool toHex : {true, false}) {
      const std::string path = testing::makeFault(fault, folder).string();
      const std::string_view reason = fault.expected();
      const std::string_view saved = toHex ? testing::kFaultHex : testing::kFaultText;
      testing::expectAfterSave(folder, dir_ / "expected", path, reason.empty() ? saved : "");
      const Result r = run({toHex ? "hex" : "text", "-o", path, toHex ? text : hex});
      EXPECT_EQ(r.err, reason.empty() ? "" : errorLines({withReason(kSaveFailedPrompt, reason)}, path)) << fault.name;
      EXPECT_EQ(testing::listing(folder), testing::listing(dir_ / "expected")) << fault.name;
      testing::removeFault(folder);
      testing::removeFault(dir_ / "expected");
    }
  }
  if (::geteuid() == 0) {
    EXPECT_TRUE(testing::passesAsNobody("--gtest_filter=Cli.FileFaultsAreReportedWithTheirReasons", kProgram));
  }
}

// Pipes and devices named on the command line are read as standard input is.
TEST_F(Cli, NamedStreamsAreReadAsStandardInput) {
  const std::string hex = put("in.hex", std::string(testing::kFaultHex));
  EXPECT_EQ(run({"text", "/dev/stdin"}, hex).out, testing::kFaultText);
  EXPECT_EQ(run({"hex", "/dev/stdin"}, put("in.txt", "01 ")).out, testing::kFaultHex);
  // An endless device ends at the size limit, at once.
  const auto start = std::chrono::steady_clock::now();
  const Result endless = run({"text", "/dev/zero"});
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(endless.err, errorLines({std::string(kFileTooLargePrompt)}, "/dev/zero"));
}

// Interrupted anywhere, `hex -o` leaves the old file or the new one, and nothing beside.
TEST_F(Cli, InterruptedSavesLeaveOldOrNewAndNothingElse) {
  const std::string input = put("in.txt", cells("5A ", 16 << 20));  // 16 MiB of data
  const fs::path out = dir_ / "out" / "out.hex";
  fs::create_directory(out.parent_path());
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(run({"hex", "-a", "00000000", "-o", out.string(), input}).status, 0);
  // Signals fall anywhere in a run: reading, converting, writing, replacing.
  const auto runTime = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
  const std::string saved = get(out);
  std::ofstream(out) << "old";
  std::mt19937 random(7);
  const std::array<int, 3> signals = {SIGINT, SIGTERM, SIGHUP};
  for (int i = 0; i < 20; ++i) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::execl(kProgram.c_str(), kProgram.c_str(), "hex", "-a", "00000000", "-o", out.c_str(), input.c_str(), nullptr);
      ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(random() % runTime.count()));
    ::kill(child, signals[i % signals.size()]);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_EQ(std::distance(fs::directory_iterator(out.parent_path()), {}), 1) << i;
    const std::string now = get(out);
    EXPECT_TRUE(now == "old" || now == saved) << i << ": " << now.size() << " bytes";
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

// Per block: the data range, gaps as FF, and its checks.
TEST_F(Cli, InfoPrintsEachBlocksChecks) {
  EXPECT_EQ(run({"info", put("in.hex", kExample)}).out,
            "0010-0019  10 bytes  SUM 66  XOR EE  MODBUS 5449  XMODEM AAF3  CRC-32 78610626\n");
  const std::string twoBlocks =
      ":03001000010203E7\r\n:02001800AABB81\r\n:020000040800F2\r\n"
      ":090000003132333435363738391A\r\n:00000001FF\r\n";
  EXPECT_EQ(run({"info"}, put("in.hex", twoBlocks)).out,
            "00000010-00000019  10 bytes  SUM 66  XOR EE  MODBUS 5449  XMODEM AAF3  CRC-32 78610626\n"
            "08000000-08000008  9 bytes  SUM DD  XOR 31  MODBUS 4B37  XMODEM 31C3  CRC-32 CBF43926\n");
  EXPECT_EQ(run({"info", put("in.hex", ":0100000001FE\r\n")}).status, 1);  // no end record
}

TEST_F(Cli, UsageErrorsExitWithTwo) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"convert"},
      {"text", "a.hex", "b.hex"},
      {"text", "-a", "0000"},
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
  // An unknown option names itself, wherever it stands.
  EXPECT_EQ(run({"text", "-dash.hex"}).err.rfind("quorix-cli: unknown option '-d'\n", 0), 0U);
  EXPECT_EQ(run({"-xyz", "text", "a.hex"}).err.rfind("quorix-cli: unknown option '-x'\n", 0), 0U);
  EXPECT_EQ(run({"hex", "--bogus=1"}).err.rfind("quorix-cli: unknown option '--bogus'\n", 0), 0U);
  for (const char* option : {"--help", "--version"}) {
    const Result r = run({option});
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("quorix-cli"), std::string::npos);
  }
}

}  // namespace
}  // namespace quorix
