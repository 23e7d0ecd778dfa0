// The checksum calculator for one Intel HEX record typed by hand.
#pragma once

#include <string>
#include <string_view>

#include "services.h"

namespace quorix {

// Checksum byte of a record given as hex digits without colon and checksum:
// the two's complement of the sum of its bytes, two upper-case digits. The
// digits are read in pairs from the first; a last single digit is not used.
std::string recordChecksum(std::string_view digits);

// Command1: the checksum of the record in Text2, written into Text3.
void checksumCommand(WindowServices& ui);

}  // namespace quorix
