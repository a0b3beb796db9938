// The print run's fixed texts, exactly as the user sees them.
#pragma once

#include <string>
#include <string_view>

namespace texts {

inline constexpr std::string_view kDefaultPrinterEntry = "系统缺省打印机";

inline constexpr std::string_view kNoPrinters = "系统没有安装任何打印机，无法打印！";
inline constexpr std::string_view kNoDocuments = "没有添加任何待打印的文档!";
inline constexpr std::string_view kNotANumber = "数字格式错误!";
inline constexpr std::string_view kCopiesBelowOne = "打印份数不能小于1";
inline constexpr std::string_view kMessageCaption = "    消息框!";
inline constexpr std::string_view kErrorCaption = "    出错了!";

inline constexpr std::string_view kSetupFailed = "系统没有安装Office软件，无法打印！";
inline constexpr std::string_view kStarted = "正在提交打印任务...";
inline constexpr std::string_view kQuitFailed = "系统错误，请检查！";
inline constexpr std::string_view kFinished = "打印任务提交完成,请关注打印机的处理！";

inline std::string passLine(long long pass) { return "正在提交第" + std::to_string(pass) + "份打印任务"; }

// A file name as a log line shows it. File names come from strangers and may hold control characters:
// a line break in one would end its line early and let the rest pose as a line of the run's own, and an
// escape sequence would rewrite a terminal. Each C0 control and DEL shows as its symbol from the
// Control Pictures block (a line feed as U+240A), one visible character for one hidden one; unlike
// backslash escapes these cannot be confused with the backslashes of a Windows path. The controls that
// have no picture (C1, the Unicode line and paragraph separators, the bidirectional embeddings,
// overrides and isolates, which make the rest of a line read differently) show as "<U+XXXX>".
// Anything else, invalid UTF-8 included, is kept as it is.
std::string visibleName(std::string_view path);

inline std::string documentLine(std::string_view path) { return "正在提交文档\"" + visibleName(path) + "\"给打印机"; }
inline std::string failureLine(std::string_view path) { return "文档：" + visibleName(path) + "打印失败，请检查！"; }

}  // namespace texts
