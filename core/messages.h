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
inline constexpr std::string_view kHexErrorPrompt = "Hex文件出错，请重新编译！";
inline constexpr std::string_view kSpanTooLargePrompt = "Hex文件的数据地址范围超过16MB，无法转换！";
inline constexpr std::string_view kMissingEndRecordPrompt = "Hex文件缺少结束记录，文件可能不完整！";

inline std::string invalidRecordPrompt(std::size_t line) {
  return "Hex文件第" + std::to_string(line) + "行不是有效的记录，请重新编译！";
}

// `expected` is the record's correct checksum as two upper-case digits.
inline std::string checksumErrorPrompt(std::size_t line, std::string_view expected) {
  return "Hex文件第" + std::to_string(line) + "行校验和错误（应为" + std::string(expected) + "），请重新编译！";
}

// Saving.
inline constexpr std::string_view kOverwritePrompt = "文件已存在，是否覆盖它？";
inline constexpr std::string_view kOverwriteTitle = "！文件已存在";
inline constexpr std::string_view kAddressTooLargePrompt = "首地址太大!";
inline constexpr std::string_view kSaveFailedPrompt = "文件保存失败！";
inline constexpr std::string_view kBadStartAddressPrompt = "起始单元地址必须是1到8位十六进制数，文件未保存！";

// The program's one line on standard error when it has no display to show its
// window on (DISPLAY unset, or no X server answering there).
inline constexpr std::string_view kNoDisplayMessage =
    "quorix: 没有可用的显示，无法打开窗口（DISPLAY 未设置或无法连接）/ "
    "no usable display: DISPLAY is not set or cannot be reached";

// `cell` counts from 1.
inline std::string nonHexPrompt(std::size_t cell) {
  return "第" + std::to_string(cell) + "个数据不是十六进制数，文件未保存！";
}

}  // namespace quorix
