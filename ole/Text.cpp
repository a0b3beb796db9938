#include "ole/Text.h"

namespace ole {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point at text[i], advancing i; malformed input yields kReplacement and advances past
// the longest prefix that could have begun a valid sequence (at least one byte).
char32_t decodeUtf8(std::string_view text, std::size_t& i) {
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80) return lead;
    int extra;
    char32_t cp;
    char32_t min;
    if (lead >= 0xC2 && lead <= 0xDF) { extra = 1; cp = lead & 0x1F; min = 0x80; }
    else if (lead >= 0xE0 && lead <= 0xEF) { extra = 2; cp = lead & 0x0F; min = 0x800; }
    else if (lead >= 0xF0 && lead <= 0xF4) { extra = 3; cp = lead & 0x07; min = 0x10000; }
    else return kReplacement;
    // The first continuation byte's range rules out overlong forms, surrogates and values past
    // U+10FFFF before they are read whole, so each maximal bad subpart is one replacement.
    const unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    for (int k = 0; k < extra; ++k) {
        if (i >= text.size()) return kReplacement;
        const auto next = static_cast<unsigned char>(text[i]);
        if (next < (k == 0 ? low : 0x80) || next > (k == 0 ? high : 0xBF)) return kReplacement;
        cp = (cp << 6) | (next & 0x3F);
        ++i;
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kReplacement;
    return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

OleString toOle(std::string_view utf8) {
    OleString out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = decodeUtf8(utf8, i);
        if (cp >= 0x10000) {
            out += static_cast<OLECHAR>(0xD800 + ((cp - 0x10000) >> 10));
            out += static_cast<OLECHAR>(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            out += static_cast<OLECHAR>(cp);
        }
    }
    return out;
}

std::string toUtf8(OleStringView text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = static_cast<std::uint16_t>(text[i]);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < text.size()) {
            const char32_t low = static_cast<std::uint16_t>(text[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        appendUtf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? kReplacement : unit);
    }
    return out;
}

std::string toUtf8(BSTR text) { return text ? toUtf8(OleStringView(text, SysStringLen(text))) : std::string(); }

}  // namespace ole
