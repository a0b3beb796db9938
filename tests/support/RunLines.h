// The print run's fixed lines, as the tests expect to read them (written out here, not taken from the
// program, so that a changed text fails the tests).
#pragma once

#include <string>

inline const std::string kStart = "正在提交打印任务...";
inline const std::string kFinal = "打印任务提交完成,请关注打印机的处理！";
inline std::string documentLine(const std::string& path) { return "正在提交文档\"" + path + "\"给打印机"; }
inline std::string failureLine(const std::string& path) { return "文档：" + path + "打印失败，请检查！"; }
