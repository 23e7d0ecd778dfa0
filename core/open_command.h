// The open command: reading an Intel HEX file into byte text.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "byte_text_writer.h"
#include "image.h"
#include "services.h"

namespace quorix {

// The open command: asks for a file with the open dialog and, unless the user
// cancels, reads it with dakai_hex. After a read that gave a text, Text5
// shows the address of cell 0, so that a save writes the data back where
// they were. A cancelled dialog only forgets the file name.
void openCommand(WindowServices& ui);

// Opens `path` as the open command opens a file chosen in its dialog: the
// dialog's file name becomes `path`. For a file named on the command line or
// dropped on the window.
void openFile(WindowServices& ui, std::string_view path);

// Reads the file that the dialog's file name names and checks all of it
// before anything else: when it is sound, hands its image and the image's
// layout as byte text to `use`, while the file's bytes, which the image
// views, live. A file that cannot be read, a refused one and one of more
// than kMaxReadCells cells bring their message and reach `use` not at all.
// Bar1 follows the records. A file without an end-of-file record reaches
// `use`, with `endRecord` false, and then brings its message. True when no message came.
using ReadUse = std::function<void(const Image& image, const ByteTextLayout& layout, bool endRecord)>;
bool readHexFile(WindowServices& ui, const ReadUse& use);

// Replaces Text1 with the byte text of the file that the dialog's file name
// names, as readHexFile reads it; after a message Text1 is as it was, unless
// the file only lacked its end-of-file record. Gives what Text5 should show
// for the new text: cell 0's address; empty when Text1 was kept.
std::string dakai_hex(WindowServices& ui);

}  // namespace quorix
