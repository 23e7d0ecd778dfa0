// libFuzzer entry. The first three bytes steer the run, the rest is a file:
//   byte 0, bits 0-1: the read succeeds (0, 1), finds the file unreadable (2)
//           or too large (3); bit 2: the record lines' checksums are made
//           right before the read, so that the fuzzer gets past them;
//           bits 3-5: the save finds an existing file and the user keeps it
//           (1) or overwrites it (2), or the save cannot start (3), fails
//           after byte 1's low nibble lines (4) or fails to commit (5);
//           bits 6-7: the text saved is the rest as it is, any bytes (0),
//           the rest as cells of its bytes (1, 3) or what the read gave (2).
//   bytes 1-2: the start address typed into Text5 (four digits).
// The file is read through the open command, saved, and its text goes
// through the checksum calculator. Nothing may crash, hang or trip a
// sanitizer; the read ends with at most one message, the save with at most
// one of its own, a save that reports nothing has written its file and one
// that reports something has not; the status row's reading, in stretches,
// refuses the text exactly when the save does, with its message.
// QUORIX_FUZZ_SUMMARY=1 prints every message and file failure the inputs
// reached, e.g. over a corpus with -runs=0.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "byte_text_reader.h"
#include "checksum.h"
#include "fake_services.h"
#include "hex.h"
#include "hex_records.h"
#include "messages.h"
#include "open_command.h"
#include "save_command.h"
#include "text_places.h"

namespace {

using quorix::Field;
using quorix::testing::FakeServices;

// What the inputs reached, for QUORIX_FUZZ_SUMMARY.
struct Reached {
  bool wanted = std::getenv("QUORIX_FUZZ_SUMMARY") != nullptr;
  std::set<std::string> seen;
  Reached() = default;
  Reached(const Reached&) = delete;
  Reached& operator=(const Reached&) = delete;
  Reached(Reached&&) = delete;
  Reached& operator=(Reached&&) = delete;
  ~Reached() {
    for (const std::string& s : seen) std::printf("reached: %s\n", s.c_str());
  }
  void note(const std::string& what) {
    if (wanted) seen.insert(what);
  }
  // Line numbers and checksums vary; the kind of message is what counts.
  void note(const FakeServices& ui, const char* command) {
    for (const auto& m : ui.messages) {
      std::string prompt = m.prompt;
      if (const std::size_t at = prompt.find("应为"); at != std::string::npos) prompt.replace(at + 6, 2, "XX");
      std::string kind = std::string(command) + ": ";
      for (const char c : prompt) {
        if (c < '0' || c > '9') {
          kind += c;
        } else if (kind.back() != 'N') {
          kind += 'N';
        }
      }
      note(kind);
    }
  }
};
Reached reached;

// The text with the last two digits of every line that looks like a record
// set to its right checksum.
std::string withRightChecksums(std::string text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    std::size_t end = text.find_first_of("\r\n", begin);
    if (end == std::string::npos) end = text.size();
    const std::size_t colon = text.find(':', begin);
    if (colon < end) {
      std::size_t digits = colon + 1;
      unsigned sum = 0;
      while (digits + 1 < end && quorix::testing::hexValue(text[digits]) >= 0 &&
             quorix::testing::hexValue(text[digits + 1]) >= 0) {
        sum += static_cast<unsigned>(quorix::testing::hexValue(text[digits]) * 16 +
                                     quorix::testing::hexValue(text[digits + 1]));
        digits += 2;
      }
      if (digits - colon - 1 >= 10) {
        sum -= static_cast<unsigned>(quorix::testing::hexValue(text[digits - 2]) * 16 +
                                     quorix::testing::hexValue(text[digits - 1]));
        text.replace(digits - 2, 2, quorix::testing::hexByte(0x100U - (sum & 0xFFU)));
      }
    }
    begin = end + 1;
  }
  return text;
}

// The read through the open command; the byte text it leaves.
std::string read(unsigned control, const std::string& file) {
  FakeServices ui;
  ui.files["in.hex"] = (control & 4U) != 0 ? withRightChecksums(file) : file;
  if ((control & 3U) == 2) ui.unreadable.insert("in.hex");
  if ((control & 3U) == 3) ui.tooLarge.insert("in.hex");
  ui.openAnswers.push_back({quorix::DialogOutcome::Chosen, "in.hex"});
  quorix::openCommand(ui);
  reached.note(ui, "open");
  if (ui.messages.size() > 1) std::abort();
  const std::string& text1 = ui.fields[Field::Text1];
  // Whatever the open leaves, the save reads back.
  if (quorix::readByteText(text1).refusal) std::abort();
  return ui.messages.empty() || ui.messages[0].prompt != quorix::kFileTooLargePrompt ? text1 : std::string();
}

void save(unsigned control, unsigned start, const std::string& text1) {
  FakeServices ui;
  ui.fields[Field::Text1] = text1;
  const std::string text5 = quorix::testing::hexByte(start >> 8U) + quorix::testing::hexByte(start);
  ui.fields[Field::Text5] = text5;
  ui.saveAnswers.push_back({quorix::DialogOutcome::Chosen, "out.hex"});
  const unsigned failure = (control >> 3U) & 7U;
  constexpr std::string_view kOldFile = "old\r\n";
  if (failure == 1 || failure == 2) {
    ui.files["out.hex"] = kOldFile;
    ui.messageAnswers.push_back(failure == 1 ? quorix::Answer::Cancel : quorix::Answer::Ok);
    reached.note(failure == 1 ? "save: existing file kept" : "save: existing file overwritten");
  }
  if (failure == 3) ui.unwritable.insert("out.hex");
  if (failure == 4) ui.failWriteAfter = start & 0xFU;
  if (failure == 5) ui.failCommit = true;
  quorix::saveCommand(ui);
  reached.note(ui, "save");

  // The status row reads the text in stretches, and must refuse it as the save does.
  if (failure == 0) {
    quorix::TextPlacing placing(text1, text5);
    while (!placing.advance((start & 0x3FU) + 1)) {
    }
    const quorix::TextPlaces places = placing.finish();
    if (places.refusal != (ui.messages.empty() ? std::nullopt : std::optional(ui.messages[0].prompt))) std::abort();
  }

  std::size_t ownMessages = ui.messages.size();
  if (failure == 1 || failure == 2) --ownMessages;  // the question before overwriting
  // One message at most, and a save that brings one writes nothing.
  if (ui.openFiles != 0 || ownMessages > 1) std::abort();
  const bool written = ui.files.count("out.hex") != 0 && ui.files["out.hex"] != kOldFile;
  if (ownMessages == 0 && failure != 1 && !written) std::abort();
  if (ownMessages != 0 && written) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const unsigned control = data[0];
  const unsigned start = data[1] * 256U + data[2];
  const std::string rest(reinterpret_cast<const char*>(data) + 3, size - 3);

  const std::string readText = read(control, rest);

  std::string text1;
  switch (control >> 6U) {
    case 0:
      text1.assign(rest.begin(), rest.end());  // any bytes, valid UTF-8 or not
      break;
    case 2:
      // The writer's work grows with the text; a few 64 KiB ranges are enough.
      if (readText.size() <= 4 * 0x10000 * quorix::kCellWidth) text1 = readText;
      break;
    default:
      for (const char c : rest) text1 += quorix::testing::hexByte(static_cast<unsigned char>(c)) + " ";
  }
  save(control, start, text1);

  FakeServices ui;
  ui.fields[Field::Text2] = text1.substr(0, 600);
  quorix::checksumCommand(ui);
  // A checksum, or a message and Text3 as it was.
  if (ui.messages.empty() ? ui.fields[Field::Text3].size() != 2 : ui.fields[Field::Text3] != "Text3") std::abort();
  return 0;
}
