// quorix-cli: the window's conversions for scripts and terminals. Each command
// runs the window's own command through the console services and writes its
// result only when no message came up.
#include <getopt.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "byte_checks.h"
#include "checksum.h"
#include "console_services.h"
#include "hex.h"
#include "input_file.h"
#include "open_command.h"
#include "save_command.h"

namespace {

using quorix::FileContents;
using quorix::cli::ConsoleServices;
using quorix::cli::kStandardStream;
using quorix::cli::writeAll;

constexpr int kFailure = 1;
constexpr int kUsageError = 2;

constexpr std::string_view kUsage =
    "Usage: quorix-cli text [-A] [-o OUT] [FILE.hex]\n"
    "       quorix-cli hex [-a ADDRESS] [-o OUT] [TEXTFILE]\n"
    "       quorix-cli checksum RECORD\n"
    "       quorix-cli info [FILE.hex]\n"
    "Convert Intel HEX files to and from serial-terminal byte text (\"3A 0F FF \").\n"
    "\n"
    "  text      write the byte text of a HEX file to standard output\n"
    "  hex       write byte text as an Intel HEX file (standard output without -o)\n"
    "  checksum  print the checksum of one record, given as its digits (a colon\n"
    "            and blanks between bytes are skipped); a record given with its\n"
    "            checksum prints 00\n"
    "  info      print one line per block of a HEX file: its first and last data\n"
    "            address, its byte count and the checks of those bytes (8-bit\n"
    "            sum, XOR, CRC-16/MODBUS, CRC-16/XMODEM, CRC-32; gaps count as FF)\n"
    "\n"
    "  -A, --address-line     begin the byte text with the address line of its\n"
    "                         first cell (\"@\" and its address), so that 'hex'\n"
    "                         puts the data back at their addresses\n"
    "  -a, --address=ADDRESS  start address of the bytes before the first address\n"
    "                         line (\"@0800\"): 1 to 8 hexadecimal digits, \"0x\" allowed\n"
    "                         (default 0000; 5 to 8 digits make a 32-bit file)\n"
    "  -o, --output=OUT       write to OUT, exactly that name; it is replaced\n"
    "                         only when complete\n"
    "  -h, --help             show this help and exit\n"
    "      --version          show the version and exit\n"
    "\n"
    "Without FILE or TEXTFILE, or with -, standard input is read; so is a named\n"
    "pipe or a character device named as FILE or TEXTFILE.\n"
    "Exit status: 0 on success, 1 when the conversion failed (the message is on\n"
    "standard error and nothing is written), 2 on a usage error.\n";

int usageError(const std::string& what) {
  writeAll(STDERR_FILENO, "quorix-cli: " + what + "\nTry 'quorix-cli --help' for more information.\n");
  return kUsageError;
}

// The input of a run: a named regular file, or standard input, a named pipe
// or a device, each up to the same size limit.
FileContents readInput(const std::string& name) {
  return name == kStandardStream ? quorix::readInputStream(STDIN_FILENO) : quorix::readNamedInput(name);
}

int writeResult(const bool written) {
  if (written) return 0;
  writeAll(STDERR_FILENO, std::string("quorix-cli: standard output: ") + std::strerror(errno) + "\n");
  return kFailure;
}

// The open command's read of the input; once all of it is found sound, its
// byte text goes to standard output or `output` in slices, never whole. With
// `addressLine` the text begins with the address line of cell 0.
int textCommand(const std::string& input, const std::string& output, bool addressLine) {
  ConsoleServices ui(input);
  if (input == kStandardStream) ui.preloadInput(quorix::readInputStream(STDIN_FILENO));
  (void)ui.showOpen();
  bool written = true;
  quorix::readHexFile(ui, [&](const quorix::Image& image, const quorix::ByteTextLayout& layout, bool endRecord) {
    if (!endRecord) return;  // the run fails: nothing is written
    const auto produce = [&](const quorix::cli::TextSink& sink) {
      quorix::writeByteText(image, layout, addressLine, sink);
    };
    if (output == kStandardStream) {
      produce([&written](std::string_view slice) { written = written && writeAll(STDOUT_FILENO, slice); });
    } else {
      ui.setOutput(output);
      written = ui.saveByteText(produce);
    }
  });
  if (ui.failed()) return kFailure;
  if (output != kStandardStream) return written ? 0 : kFailure;
  return writeResult(written);
}

// One line per block of the input's byte text: its data range, first to last
// data byte, with the gaps between records counted as FF, as build tools
// compute their checks over a range.
int infoCommand(const std::string& input) {
  ConsoleServices ui(input);
  if (input == kStandardStream) ui.preloadInput(quorix::readInputStream(STDIN_FILENO));
  (void)ui.showOpen();
  std::string lines;
  quorix::readHexFile(ui, [&](const quorix::Image& image, const quorix::ByteTextLayout& layout, bool endRecord) {
    if (!endRecord) return;
    const bool wide = layout.startAddressText().size() > 4;
    const auto address = [wide](std::uint64_t a) { return quorix::addressText(a, wide); };
    for (const quorix::ByteTextBlock& block : layout.blocks) {
      const std::uint64_t first = image[block.firstRange].address;
      quorix::ByteChecks checks;
      std::uint64_t next = first;
      for (std::size_t r = block.firstRange; r < block.endRange; ++r) {
        checks.addRepeated(0xFF, image[r].address - next);
        checks.addDigits(image[r].digits);
        next = image[r].end();
      }
      const quorix::ByteCheckValues values = checks.values();
      lines += address(first) + "-" + address(block.end - 1) + "  " + std::to_string(values.count) + " bytes  " +
               quorix::checksText(values) + "\n";
    }
  });
  if (ui.failed()) return kFailure;
  return writeResult(writeAll(STDOUT_FILENO, lines));
}

// The save command on the input's byte text, with the start address in Text5.
int hexCommand(const std::string& input, const std::optional<std::string>& address, const std::string& output) {
  ConsoleServices ui(input);
  FileContents contents = readInput(input);
  if (contents.status != FileContents::Status::Read) {
    quorix::reportUnread(ui, contents);
    return kFailure;
  }
  ui.setByteText(std::move(contents.bytes));
  if (address) ui.setText(quorix::Field::Text5, *address);
  ui.setOutput(output);
  quorix::saveCommand(ui);
  return ui.failed() ? kFailure : 0;
}

// The checksum calculator: the record into Text2, Text3 printed. Its message
// names the command, as there is no file.
int checksumCommand(const std::string& record) {
  ConsoleServices ui{"checksum"};
  ui.setText(quorix::Field::Text2, record);
  quorix::checksumCommand(ui);
  if (ui.failed()) return kFailure;
  return writeResult(writeAll(STDOUT_FILENO, ui.text(quorix::Field::Text3) + "\n"));
}

struct Options {
  std::optional<std::string> address;
  std::optional<std::string> output;
  bool addressLine = false;
  std::vector<std::string> operands;  // the command and its arguments
};

// The option getopt_long has just refused: a short one by its letter, since
// it may stand inside a cluster ("-xyz"), a long one as written up to any '='.
std::string optionName(char** argv, int next) {
  const std::string_view last = argv[next - 1];
  if (optopt != 0 && !last.starts_with("--")) return std::string{'-', static_cast<char>(optopt)};
  return std::string(last.substr(0, last.find('=')));
}

// Options may stand anywhere on the line, before or after the command.
std::optional<int> parse(int argc, char** argv, Options& options) {
  static const std::array<option, 6> kLongOptions = {{{"address", required_argument, nullptr, 'a'},
                                                      {"address-line", no_argument, nullptr, 'A'},
                                                      {"output", required_argument, nullptr, 'o'},
                                                      {"help", no_argument, nullptr, 'h'},
                                                      {"version", no_argument, nullptr, 'V'},
                                                      {nullptr, 0, nullptr, 0}}};
  opterr = 0;
  for (;;) {
    const int c = getopt_long(argc, argv, ":a:Ao:h", kLongOptions.data(), nullptr);
    switch (c) {
      case -1:
        for (int i = optind; i < argc; ++i) options.operands.emplace_back(argv[i]);
        return std::nullopt;
      case 'a':
        options.address = optarg;
        break;
      case 'A':
        options.addressLine = true;
        break;
      case 'o':
        options.output = optarg;
        break;
      case 'h':
        return writeAll(STDOUT_FILENO, kUsage) ? 0 : kFailure;
      case 'V':
        return writeAll(STDOUT_FILENO, "quorix-cli " QUORIX_VERSION "\n") ? 0 : kFailure;
      case ':':
        return usageError("option '" + optionName(argv, optind) + "' needs an argument");
      default:
        return usageError("unknown option '" + optionName(argv, optind) + "'");
    }
  }
}

int run(int argc, char** argv) {
  Options options;
  if (const std::optional<int> done = parse(argc, argv, options)) return *done;
  if (options.operands.empty()) return usageError("no command given");

  const std::string command = options.operands.front();
  const std::vector<std::string> args(options.operands.begin() + 1, options.operands.end());
  const std::string input = args.empty() ? std::string(kStandardStream) : args.front();
  if (command == "text" || command == "hex") {
    if (args.size() > 1)
      return usageError("'" + command + "' takes one input file, not " + std::to_string(args.size()));
    const std::string output = options.output.value_or(std::string(kStandardStream));
    if (command == "hex" && options.addressLine) return usageError("-A belongs to 'text'");
    if (command == "hex") return hexCommand(input, options.address, output);
    if (options.address) return usageError("-a belongs to 'hex'");
    return textCommand(input, output, options.addressLine);
  }
  if (command == "checksum") {
    if (args.size() != 1) return usageError("'checksum' takes one record");
    if (options.address || options.output) return usageError("-a and -o belong to 'hex' and 'text'");
    if (options.addressLine) return usageError("-A belongs to 'text'");
    return checksumCommand(args.front());
  }
  if (command == "info") {
    if (args.size() > 1) return usageError("'info' takes one input file, not " + std::to_string(args.size()));
    if (options.address || options.output || options.addressLine) return usageError("'info' takes no options");
    return infoCommand(input);
  }
  return usageError("unknown command '" + command + "'");
}

}  // namespace

int main(int argc, char** argv) { return run(argc, argv); }
