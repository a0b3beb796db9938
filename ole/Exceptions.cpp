#include "ole/Exceptions.h"

#include <cstdio>

EOleSysError::EOleSysError(HRESULT errorCode) : EOleError(ole::systemMessage(errorCode)), m_errorCode(errorCode) {}

namespace ole {

std::string systemMessage(HRESULT code) {
    std::string text = systemMessageText(code);
    while (!text.empty()) {
        const auto last = static_cast<unsigned char>(text.back());
        if (last > ' ' && last != '.') break;
        text.pop_back();
    }
    if (!text.empty()) return text;
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "OLE error %.8x", static_cast<unsigned>(code));
    return fallback;
}

}  // namespace ole
