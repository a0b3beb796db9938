#include "printing/RunTexts.h"

#include <cstdint>
#include <cstdio>

namespace texts {

namespace {

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The length of the well-formed UTF-8 sequence at the start of text and its code point, or 0.
std::size_t decodeUtf8(std::string_view text, char32_t& code) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    std::size_t length = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, minimum = 0x80, code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, minimum = 0x800, code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, minimum = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (text.size() < length) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80) return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

bool hiddenWithoutPicture(char32_t code) {
    return (code >= 0x80 && code <= 0x9F) || code == 0x2028 || code == 0x2029 || (code >= 0x202A && code <= 0x202E) ||
           (code >= 0x2066 && code <= 0x2069);
}

}  // namespace

std::string visibleName(std::string_view path) {
    std::string shown;
    shown.reserve(path.size());
    while (!path.empty()) {
        char32_t code = 0;
        std::size_t length = decodeUtf8(path, code);
        if (length == 0) {
            shown += path.front();  // not UTF-8: passed on untouched
            path.remove_prefix(1);
            continue;
        }
        if (code < 0x20) {
            appendUtf8(shown, 0x2400 + code);
        } else if (code == 0x7F) {
            appendUtf8(shown, 0x2421);
        } else if (hiddenWithoutPicture(code)) {
            char notation[16];
            std::snprintf(notation, sizeof notation, "<U+%04X>", static_cast<unsigned>(code));
            shown += notation;
        } else {
            shown.append(path.substr(0, length));
        }
        path.remove_prefix(length);
    }
    return shown;
}

}  // namespace texts
