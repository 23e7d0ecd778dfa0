// The program's fixed texts: every prompt and title the user is shown, the
// file dialog's filter and the byte text the window starts with. The window
// and the console converter both take them from here.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorix {

// The application's title: the main window's, and that of every message box
// shown without a title of its own.
inline constexpr std::string_view kAppTitle = "Quorix";

// The file dialog's filter: one description and one pattern joined by '|'.
inline constexpr std::string_view kHexFileFilter = "Hex文件(*.hex)|*.hex";

// What the byte text field holds when the program starts: the twenty cells 01 to 14.
inline constexpr std::string_view kDefaultByteText = "01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 ";

// Title of every message about a file that cannot be read or written as asked.
inline constexpr std::string_view kFileErrorTitle = "文件出错";

// Reading.
inline constexpr std::string_view kReadFailedPrompt = "文件读取失败！";
inline constexpr std::string_view kFileTooLargePrompt = "文件太大（超过256MB），无法读取！";
inline constexpr std::string_view kDataTooLargePrompt = "Hex文件的数据超过16MB，无法转换！";
inline constexpr std::string_view kNoRecordsPrompt = "Hex文件中没有记录！";
inline constexpr std::string_view kMissingEndRecordPrompt = "Hex文件缺少结束记录，文件可能不完整！";

inline std::string invalidRecordPrompt(std::size_t line) {
  return "Hex文件第" + std::to_string(line) + "行不是有效的记录，请重新编译！";
}

// Line `later` gives an address another value than line `earlier` did.
inline std::string overlapPrompt(std::size_t later, std::size_t earlier) {
  return "Hex文件第" + std::to_string(later) + "行的数据与第" + std::to_string(earlier) + "行重叠，请重新编译！";
}

// `expected` is the record's correct checksum as two upper-case digits.
inline std::string checksumErrorPrompt(std::size_t line, std::string_view expected) {
  return "Hex文件第" + std::to_string(line) + "行校验和错误（应为" + std::string(expected) + "），请重新编译！";
}

// Why a file was not read: the second line of kReadFailedPrompt. Any other
// cause is given in the system's own words.
inline constexpr std::string_view kNoSuchFileReason = "文件不存在";
inline constexpr std::string_view kNoReadPermissionReason = "没有读取权限";
inline constexpr std::string_view kNotRegularFileReason = "不是普通文件（管道、设备或文件夹）";

// Saving.
inline constexpr std::string_view kOverwritePrompt = "文件已存在，是否覆盖它？";
inline constexpr std::string_view kOverwriteTitle = "！文件已存在";
inline constexpr std::string_view kAddressTooLargePrompt = "首地址太大!";
inline constexpr std::string_view kSaveFailedPrompt = "文件保存失败！";
inline constexpr std::string_view kBadStartAddressPrompt = "起始单元地址必须是1到8位十六进制数，文件未保存！";

// The second line of kAddressTooLargePrompt when a 16-bit file cannot hold the data.
inline constexpr std::string_view kBeyondFFFFAdvice =
    "数据超过FFFF，请在起始单元地址中输入8位地址（如00000000），保存为32位Hex文件。";
inline constexpr std::string_view kDumpOffsetStartPrompt =
    "偏移地址已是绝对地址，请把起始单元地址设为0000，文件未保存！";
inline constexpr std::string_view kMixedDirectionPrompt =
    "文本中既有收到的数据也有发出的数据，请只保留一种，文件未保存！";

// Why a file was not saved: the second line of kSaveFailedPrompt. Any other
// cause is given in the system's own words.
inline constexpr std::string_view kDiskFullReason = "磁盘空间不足";
inline constexpr std::string_view kNoWritePermissionReason = "没有写入权限";
inline constexpr std::string_view kNoSuchFolderReason = "文件夹不存在";
inline constexpr std::string_view kTargetIsFolderReason = "目标是文件夹";

// A file message with its reason as a second line; the message alone when the
// reason is not known.
inline std::string withReason(std::string_view prompt, std::string_view reason) {
  std::string text(prompt);
  if (!reason.empty()) text.append("\n").append(reason);
  return text;
}

// The program's one line on standard error when it has no display to show its
// window on (DISPLAY unset, or no X server answering there).
inline constexpr std::string_view kNoDisplayMessage =
    "quorix: 没有可用的显示，无法打开窗口（DISPLAY 未设置或无法连接）/ "
    "no usable display: DISPLAY is not set or cannot be reached";

// `cell` counts from 1.
inline std::string nonHexPrompt(std::size_t cell) {
  return "第" + std::to_string(cell) + "个数据不是十六进制数，文件未保存！";
}

// `line` counts from 1.
inline std::string unrecognisedLinePrompt(std::size_t line) {
  return "第" + std::to_string(line) + "行不是可以识别的字节数据，文件未保存！";
}

// `token` is the address line as the text spells it, "@" included.
inline std::string badAddressLinePrompt(std::string_view token) {
  return "地址行" + std::string(token) + "不是1到8位十六进制数，文件未保存！";
}
inline std::string overlappingAddressLinePrompt(std::string_view token) {
  return "地址行" + std::string(token) + "的数据与前面的数据重叠，文件未保存！";
}

// The checksum calculator, and the tooltip of the record it reads.
inline constexpr std::string_view kRecordToolTip =
    "输入一条记录的十六进制数字（可带冒号，字节之间可有空格），计算它的校验和。\n"
    "输入带校验和的完整记录时结果为00，说明记录完好。";
inline constexpr std::string_view kChecksumNonHexPrompt = "记录中有不是十六进制数字的字符，无法计算校验和！";

// A dump line of words ("0201 0403") whose byte order the text does not tell.
inline std::string groupPrompt(std::size_t line) {
  return "第" + std::to_string(line) + "行的数据是多字节的组，无法确定字节顺序，文件未保存！";
}

// A dump line whose offset is not where the bytes before it end.
inline std::string offsetMismatchPrompt(std::size_t line) {
  return "第" + std::to_string(line) + "行的偏移地址与前面的数据个数不符，文件未保存！";
}

// The main window's captions and initial texts. The menu items and the buttons
// that run the same command share one caption.
inline constexpr std::string_view kTitleContact = "     quorix@example.org";  // after the title
inline constexpr std::string_view kFileMenuCaption = "文件";
inline constexpr std::string_view kOpenCaption = "打开Hex文件...";
inline constexpr std::string_view kSaveCaption = "保存为Hex文件...";
inline constexpr std::string_view kEndCaption = "关闭";
inline constexpr std::string_view kAboutCaption = "帮助";
inline constexpr std::string_view kCutCaption = "剪切到剪贴板";
inline constexpr std::string_view kPasteCaption = "粘贴";
inline constexpr std::string_view kChecksumCaption = "Command1";
inline constexpr std::string_view kStartAddressCaption = "起始单元地址：";
// The start address field's first text: the save writes a 16-bit file at 0000.
inline constexpr std::string_view kDefaultStartAddress = "0000";
inline constexpr std::string_view kStartAddressTip =
    "在此输入Hex文件中数据的首地址，默认首地址为0000.\n"
    "1到4位十六进制数写16位地址的Hex文件，5到8位（如08000000）写32位地址的Hex文件。";
// The record checksum fields' first texts: a record, and the place of its checksum.
inline constexpr std::string_view kDefaultRecord = "02000004FFFF";
inline constexpr std::string_view kDefaultChecksumText = "Text3";
// Names screen readers announce for the fields.
inline constexpr std::string_view kByteTextName = "字节文本";
inline constexpr std::string_view kStartAddressName = "起始单元地址";
inline constexpr std::string_view kRecordName = "记录";
inline constexpr std::string_view kChecksumName = "校验和";

inline constexpr std::string_view kEditMenuCaption = "编辑";
inline constexpr std::string_view kUndoCaption = "撤消";
inline constexpr std::string_view kRedoCaption = "重做";
inline constexpr std::string_view kSelectAllCaption = "全选";
// Asked on closing the window while the byte text holds unsaved changes.
inline constexpr std::string_view kUnsavedPrompt = "字节文本已修改，是否保存？";
inline constexpr std::string_view kSaveAnswer = "保存";
inline constexpr std::string_view kDiscardAnswer = "不保存";
inline constexpr std::string_view kCancelAnswer = "取消";

// The about box.
inline constexpr std::string_view kAboutTitlePrefix = "关于 ";
inline constexpr std::string_view kAboutVersion = "V1.00";
inline constexpr std::string_view kAboutOk = "确定";
inline constexpr std::string_view kAboutDescriptionCaption = "使用说明：";
inline constexpr std::string_view kAboutDisclaimerCaption = "请注意：";
inline constexpr std::string_view kAboutDescription =
    "使用说明：\r\n"
    "1.本软件可将Hex文件转换为各种串口调试器接受的数据形式，"
    "也可反过来将它们保存为Hex文件格式。\r\n"
    "2.使用剪贴板进行复制、粘贴，可实现将串口调试器接收的程序代码"
    "保存为有用的Hex文件格式。";
inline constexpr std::string_view kAboutDisclaimer =
    "请注意：本软件为免费软件，任何人都可以自由使用。"
    "文件转换代码由本软件作者编写，允许在其他项目中自由"
    "使用和修改。如需获取源代码，请来信至"
    "quorix@example.org索取。";

// The checks of a run of bytes, before their values: in the status row and
// quorix-cli info alike.
inline constexpr std::string_view kSumLabel = "SUM ";
inline constexpr std::string_view kXorLabel = "XOR ";
inline constexpr std::string_view kModbusLabel = "MODBUS ";
inline constexpr std::string_view kXmodemLabel = "XMODEM ";
inline constexpr std::string_view kCrc32Label = "CRC-32 ";

// The status row: the cell at the caret, or the selected bytes; a cell's tooltip.
inline std::string caretPlaceText(std::string_view address, std::size_t cell) {
  return "地址：" + std::string(address) + "　第" + std::to_string(cell) + "个字节";
}
inline std::string selectionPlaceText(std::size_t count, std::string_view first, std::string_view last,
                                      std::string_view checks) {
  return "选中" + std::to_string(count) + "个字节：" + std::string(first) + "–" + std::string(last) + "　" +
         std::string(checks);
}
inline std::string cellAddressTip(std::string_view address) { return "地址：" + std::string(address); }

// Finding bytes and going to an address in the byte text.
inline constexpr std::string_view kFindCaption = "查找...";
inline constexpr std::string_view kFindNextCaption = "查找下一个";
inline constexpr std::string_view kGoToCaption = "转到地址...";
inline constexpr std::string_view kFindLabel = "要查找的字节（如 3A 0F FF），或引号中的文本：";
inline constexpr std::string_view kGoToLabel = "地址（1到8位十六进制数）：";
inline constexpr std::string_view kBadFindPrompt = "查找内容不是字节，也不是引号中的文本！";
inline constexpr std::string_view kBadGoToPrompt = "地址应为1到8位十六进制数！";
// `what` as the user typed it.
inline std::string notFoundPrompt(std::string_view what) { return "未找到" + std::string(what); }
// `address` as eight digits.
inline std::string addressNotInTextPrompt(std::string_view address) {
  return "地址" + std::string(address) + "不在字节文本中！";
}

}  // namespace quorix
