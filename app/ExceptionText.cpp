#include "app/ExceptionText.h"

std::string exceptionBoxText(std::string_view message) {
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.')) text += '.';
    return text;
}

std::string foreignExceptionText(std::string_view module, std::string_view detail) {
    std::string text = "Exception in module " + std::string(module) + ".";
    if (!detail.empty()) text += "\n" + exceptionBoxText(detail);
    return text;
}
