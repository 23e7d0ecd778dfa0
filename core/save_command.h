// The save command: byte text in Text1 written as an Intel HEX file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "byte_text.h"
#include "image.h"
#include "services.h"

namespace quorix {

// The save command: asks for a file name (adding ".hex"), asks before it
// overwrites a non-empty file, reads Text1 (byte text, then offset dumps and
// C arrays), places its bytes (Text5 gives the address of the bytes before
// the first address line) and writes them as an Intel HEX file. Every refusal
// comes before any file is touched, and the file replaces the old one only
// when it is complete: a save that brings any message writes nothing.
void saveCommand(WindowServices& ui);

// The file name the save command writes to: `name` itself when it ends in
// ".hex" or ".HEX" (letter case counts), otherwise `name` + ".hex".
[[nodiscard]] std::string withHexExtension(std::string name);

// Where the data go, and which kind of file holds them.
struct StartAddress {
  std::uint32_t value = 0;
  bool extended = false;  // 32-bit addresses, given by extended linear address records
};

// The start address typed in Text5 (or given to quorix-cli -a), without
// surrounding blanks and after an optional "0x"/"0X": empty gives 0000; one
// to four hexadecimal digits a 16-bit file, five to eight a 32-bit one.
// Anything else gives nothing.
[[nodiscard]] std::optional<StartAddress> startAddress(std::string_view text5);

// What a save writes: the image in ascending address order, and its width.
struct SavePlan {
  Image image;
  bool extended = false;
};

// Why a save writes nothing: the message and its title (none: the program's).
struct SaveRefusal {
  std::string prompt;
  std::optional<std::string_view> title;
};

// Places the bytes of a read text with the start address typed in Text5: the
// refusal of the text itself, of a start address that is needed and bad, of
// blocks that overlap, or of data beyond the top of the file's width.
[[nodiscard]] std::variant<SavePlan, SaveRefusal> planSave(const TextBytes& bytes, std::string_view text5);

}  // namespace quorix
