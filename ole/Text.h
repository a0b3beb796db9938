// Texts are UTF-8 inside the program; automation speaks UTF-16. These two conversions are exact both
// ways for any valid text, so a file name reaches the automation server as the very characters the
// user chose, whatever the system's code page.
#pragma once

#include "ole/Automation.h"

#include <string>
#include <string_view>

namespace ole {

using OleString = std::basic_string<OLECHAR>;
using OleStringView = std::basic_string_view<OLECHAR>;

// Malformed UTF-8 (a stray byte, a cut sequence, an encoded surrogate) becomes U+FFFD.
OleString toOle(std::string_view utf8);
// A lone surrogate becomes U+FFFD.
std::string toUtf8(OleStringView text);
std::string toUtf8(BSTR text);  // by its length prefix: embedded zeros are kept

}  // namespace ole
