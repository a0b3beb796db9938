#include "ole/Exceptions.h"
#include "ole/Text.h"

namespace ole {

std::string systemMessageText(HRESULT code) {
    wchar_t buffer[256];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(code), 0, buffer, 256, nullptr);
    return toUtf8(OleStringView(buffer, length));
}

}  // namespace ole
