// The caret and the selection of the byte text field, as character offsets: the selection runs
// between anchor and cursor, the cursor being where the caret blinks. The field holds one; each
// edit hands it to the document, whose undo gives it back.
#pragma once

#include <algorithm>

namespace quorix {

struct Caret {
  int anchor = 0;
  int cursor = 0;

  [[nodiscard]] int start() const { return std::min(anchor, cursor); }
  [[nodiscard]] int end() const { return std::max(anchor, cursor); }
  [[nodiscard]] bool hasSelection() const { return anchor != cursor; }
};

}  // namespace quorix
