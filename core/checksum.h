// The checksum calculator for one Intel HEX record typed by hand.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "services.h"

namespace quorix {

// Checksum byte of a record given as hexadecimal digits without colon and
// checksum, read in pairs from the first: two upper-case digits.
[[nodiscard]] std::string recordChecksum(std::string_view digits);

// Checksum byte of a record as a user types it (UTF-8): the two's
// complement of the sum of its bytes, two upper-case digits. A leading colon
// and blanks or tabs between groups of digits are skipped; each group but
// the last must have an even number of digits, and a last single digit is
// not used. A record typed with its own checksum gives "00". Nothing when
// the text holds any other character.
[[nodiscard]] std::optional<std::string> typedRecordChecksum(std::string_view text);

// Command1: the checksum of the record in Text2, written into Text3. A record
// that cannot be read brings a message and leaves Text3 as it was.
void checksumCommand(WindowServices& ui);

}  // namespace quorix
