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
inline std::string documentLine(std::string_view path) {
    return "正在提交文档\"" + std::string(path) + "\"给打印机";
}
inline std::string failureLine(std::string_view path) { return "文档：" + std::string(path) + "打印失败，请检查！"; }

}  // namespace texts
