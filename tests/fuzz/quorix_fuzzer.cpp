// libFuzzer entry: the input is read as a HEX file, and its bytes, taken as
// Latin-1 text, are saved from the byte text field. Neither may crash, hang
// or trip a sanitizer; a save either refuses the text or writes a file.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fake_services.h"
#include "messages.h"
#include "hex.h"
#include "reader.h"
#include "writer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  {
    quorix::testing::FakeServices ui;
    ui.files["in.hex"] = input;
    ui.dialogFileName = "in.hex";
    quorix::dakai_hex(ui);
    if (ui.messages.size() > 1) std::abort();
  }
  {
    quorix::testing::FakeServices ui;
    std::string text;
    for (const char c : input) quorix::appendLatin1(text, c);
    ui.fields[quorix::Field::Text1] = text;
    // The first four bytes double as the start address now and then.
    if (size >= 4 && (data[0] & 1U) != 0) ui.fields[quorix::Field::Text5] = input.substr(0, 4);
    ui.saveAnswers.push_back({quorix::DialogOutcome::Chosen, "out"});
    quorix::saveCommand(ui);
    if (ui.openFiles != 0 || ui.messages.size() > 1) std::abort();
    if (ui.messages.empty() && ui.files.count("out.hex") == 0) std::abort();
  }
  return 0;
}
