// The texts of the application object's exception boxes.
#pragma once

#include <string>
#include <string_view>

// The message, with a "." appended when it is not empty and its last byte sorts after "." (a letter, a
// digit, or any character beyond ASCII, whose last UTF-8 byte is at least 0x80).
std::string exceptionBoxText(std::string_view message);

// For a thrown object that is no Exception: the program's module and what little is known of it.
std::string foreignExceptionText(std::string_view module, std::string_view detail);
