#include "open_command.h"

#include <string>
#include <utility>

#include "byte_text_writer.h"
#include "hex_reader.h"
#include "input_file.h"
#include "messages.h"

namespace quorix {

namespace {

// What the open command does once the dialog's file name names the file.
void readChosenFile(WindowServices& ui) {
  const std::string start = dakai_hex(ui);
  if (!start.empty()) ui.setText(Field::Text5, start);
}

}  // namespace

void openCommand(WindowServices& ui) {
  if (ui.showOpen() == DialogOutcome::Cancelled) {
    ui.setFileName("");
    return;
  }
  readChosenFile(ui);
}

void openFile(WindowServices& ui, std::string_view path) {
  ui.setFileName(path);
  readChosenFile(ui);
}

bool readHexFile(WindowServices& ui, const ReadUse& use) {
  bool endRecord = false;
  {
    FileContents file = ui.readFile(ui.fileName());
    if (file.status != FileContents::Status::Read) {
      reportUnread(ui, file);
      return false;
    }
    ui.setBarValue(0);
    ui.setBarMax(static_cast<float>(file.bytes.size()) + 1);
    const HexContents contents =
        readHex(file.bytes, [&ui](std::size_t pos) { ui.setBarValue(static_cast<float>(pos)); });
    std::string refusal = contents.refusal.value_or(std::string());
    ByteTextLayout layout;
    if (refusal.empty()) {
      layout = layOut(contents.image);
      if (layout.cells() > kMaxReadCells) refusal = kDataTooLargePrompt;
    }
    if (!refusal.empty()) {
      ui.messageBox(refusal, Buttons::Ok, kFileErrorTitle);
      return false;
    }
    use(contents.image, layout, contents.endRecord);
    endRecord = contents.endRecord;
  }
  // The text stands before the warning, and the file is let go before either is shown.
  if (!endRecord) {
    ui.messageBox(kMissingEndRecordPrompt, Buttons::Ok, kFileErrorTitle);
    return false;
  }
  return true;
}

std::string dakai_hex(WindowServices& ui) {
  std::string start;
  readHexFile(ui, [&ui, &start](const Image& image, const ByteTextLayout& layout, bool /*endRecord*/) {
    ui.setText(Field::Text1, "");
    writeByteText(image, layout, false, [&ui](std::string_view slice) { ui.setSelText(slice); });
    start = layout.startAddressText();
  });
  return start;
}

}  // namespace quorix
