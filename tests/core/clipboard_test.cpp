#include <gtest/gtest.h>

#include "clipboard.h"
#include "fake_services.h"
#include "messages.h"

namespace quorix {
namespace {

TEST(Clipboard, CutMovesTheWholeTextAndEmptiesTheField) {
  testing::FakeServices ui;
  ui.clipboard = "old";
  cutCommand(ui);
  EXPECT_EQ(ui.clipboard, kDefaultByteText);
  EXPECT_EQ(ui.clipboardClears, 1);
  EXPECT_EQ(ui.fields[Field::Text1], "");

  cutCommand(ui);  // an empty field leaves an empty text on the clipboard
  EXPECT_EQ(ui.clipboard, "");
  EXPECT_TRUE(ui.clipboardHasText);
  EXPECT_EQ(ui.fields[Field::Text1], "");
}

TEST(Clipboard, PasteReplacesTheWholeFieldUnchanged) {
  testing::FakeServices ui;
  ui.clipboard = "3A 0F FF\r\n数据";
  pasteCommand(ui);
  EXPECT_EQ(ui.fields[Field::Text1], "3A 0F FF\r\n数据");

  ui.clipboardHasText = false;  // an image, or nothing
  pasteCommand(ui);
  EXPECT_EQ(ui.fields[Field::Text1], "");
}

}  // namespace
}  // namespace quorix
