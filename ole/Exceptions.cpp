#include "ole/Exceptions.h"

#include <cstdio>
#include <utility>

EOleSysError::EOleSysError(HRESULT errorCode, std::string_view description)
    : EOleError(ole::systemMessage(errorCode)), m_errorCode(errorCode), m_description(description) {}

std::string causeText(const Exception& exception) {
    const auto* automation = dynamic_cast<const EOleSysError*>(&exception);
    if (!automation || automation->description().empty()) return exception.message();
    return exception.message() + ": " + automation->description();
}

namespace ole {

namespace {
thread_local std::string t_creationFailure;
}

void setCreationFailure(std::string description) { t_creationFailure = std::move(description); }

std::string takeCreationFailure() { return std::exchange(t_creationFailure, std::string()); }

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
