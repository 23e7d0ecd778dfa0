// Reading Intel HEX text into an image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "image.h"

namespace quorix {

// What a HEX text holds, or the message that refuses it.
struct HexContents {
  // In ascending address order, without overlaps or empty ranges. A range
  // may join the data of several records on consecutive lines.
  Image image;
  // The prompt that refuses the text: a damaged line, two lines that give one
  // address different values, or no record at all. When set,
  // the image is of no use.
  std::optional<std::string> refusal;
  // False when the text ended without an end-of-file record.
  bool endRecord = false;
};

// Called after each record line is taken, with the offset of the line after it.
using HexProgress = std::function<void(std::size_t)>;

// Reads every record of `text` up to the end-of-file record, in any address
// order: each data record's bytes at its full address (offset plus the base
// of the latest 02 or 04 record). A record repeated with the same values is
// taken once. `text` is reused as the image's storage: the data digits of
// records that continue one another are moved together, so that a whole file
// needs only a few ranges; the image views `text` and lives as long as it.
[[nodiscard]] HexContents readHex(std::string& text, const HexProgress& progress = {});

}  // namespace quorix
