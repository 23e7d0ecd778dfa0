#include "checksum.h"

#include "hex.h"

namespace quorix {

std::string recordChecksum(std::string_view digits) {
  // Wide enough for records of any length: a 255-byte record already sums past 16 bits.
  long long sum = 0;
  for (std::size_t k = 0; k + 1 < digits.size(); k += 2) sum += Str_Hex(digits.substr(k, 2));
  return Hexx(-sum);
}

void checksumCommand(WindowServices& ui) {
  ui.setText(Field::Text3, recordChecksum(toCharUnits(ui.text(Field::Text2))));
}

}  // namespace quorix
