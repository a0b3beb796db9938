#include "support/WordDocuments.h"

#include "support/StoredZip.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <iconv.h>
#include <stdexcept>

namespace {

std::string xmlEscaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '<') out += "&lt;";
        else if (c == '>') out += "&gt;";
        else if (c == '&') out += "&amp;";
        else if (c == '"') out += "&quot;";
        else out += c;
    }
    return out;
}

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

// ---- RTF ------------------------------------------------------------------------------------------

std::u32string decodeUtf8(const std::string& text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        char32_t code = length == 1 ? c : c & (0x3F >> (length - 1));
        for (int k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        out += code;
        i += static_cast<std::size_t>(length);
    }
    return out;
}

// Word writes a Chinese font's name in the document's code page (936), byte by byte.
std::string rtfFontName(const std::string& utf8) {
    iconv_t convert = iconv_open("GBK", "UTF-8");
    if (convert == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no GBK converter");
    std::string in = utf8, out(utf8.size() * 2, '\0');
    char* inPtr = in.data();
    char* outPtr = out.data();
    std::size_t inLeft = in.size(), outLeft = out.size();
    const std::size_t done = iconv(convert, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(convert);
    if (done == static_cast<std::size_t>(-1)) throw std::runtime_error("not in GBK: " + utf8);
    out.resize(out.size() - outLeft);
    std::string escaped;
    static const char kHex[] = "0123456789abcdef";
    for (const char c : out) {
        const unsigned char b = static_cast<unsigned char>(c);
        if (b < 0x80) escaped += c;
        else escaped += std::string("\\'") + kHex[b >> 4] + kHex[b & 0xF];
    }
    return escaped;
}

// Text beyond ASCII as \uN with a '?' for readers that cannot take it.
std::string rtfText(const std::string& utf8) {
    std::string out;
    for (const char32_t c : decodeUtf8(utf8)) {
        if (c == '\\' || c == '{' || c == '}') out += std::string("\\") + static_cast<char>(c);
        else if (c < 0x80) out += static_cast<char>(c);
        else out += "\\u" + std::to_string(static_cast<std::int16_t>(static_cast<std::uint16_t>(c))) + "?";
    }
    return out;
}

bool isAscii(const std::string& text) {
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

void writeDocx(const std::filesystem::path& path, const std::vector<FontParagraph>& paragraphs) {
    const std::string contentTypes =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">)"
        R"(<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>)"
        R"(<Default Extension="xml" ContentType="application/xml"/>)"
        R"(<Override PartName="/word/document.xml" )"
        R"(ContentType="application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml"/>)"
        R"(</Types>)";
    const std::string relationships =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
        R"(<Relationship Id="rId1" )"
        R"(Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" )"
        R"(Target="word/document.xml"/></Relationships>)";
    std::string body;
    for (const FontParagraph& p : paragraphs) {
        const std::string font = xmlEscaped(p.font);
        // Every script slot names the face, as Word does for a run set in one font.
        const std::string runProperties = "<w:rPr><w:rFonts w:ascii=\"" + font + "\" w:hAnsi=\"" + font +
                                          "\" w:eastAsia=\"" + font + "\" w:cs=\"" + font +
                                          "\"/><w:sz w:val=\"24\"/><w:szCs w:val=\"24\"/>"
                                          "<w:lang w:val=\"en-US\" w:eastAsia=\"zh-CN\"/></w:rPr>";
        body += "<w:p><w:pPr><w:spacing w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/>" + runProperties +
                "</w:pPr><w:r>" + runProperties + "<w:t xml:space=\"preserve\">" + xmlEscaped(p.text) +
                "</w:t></w:r></w:p>";
    }
    const std::string document =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<w:document xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:body>)" +
        body +
        R"(<w:sectPr><w:pgSz w:w="11906" w:h="16838"/>)"
        R"(<w:pgMar w:top="1440" w:right="1800" w:bottom="1440" w:left="1800" w:header="851" w:footer="992" w:gutter="0"/>)"
        R"(</w:sectPr></w:body></w:document>)";
    writeStoredZip(path, {{"[Content_Types].xml", contentTypes},
                          {"_rels/.rels", relationships},
                          {"word/document.xml", document}});
}

void writeRtf(const std::filesystem::path& path, const std::vector<FontParagraph>& paragraphs) {
    std::string fonts, body;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        const FontParagraph& p = paragraphs[i];
        const std::string f = std::to_string(i);
        fonts += "{\\f" + f + "\\fnil\\fcharset" + (isAscii(p.font) ? "0 " : "134 ") + rtfFontName(p.font) + ";}";
        // Word's own run: the one face for the low-ANSI, high-ANSI and double-byte ranges.
        body += "\\pard\\plain\\sl240\\slmult1\\f" + f + "\\hich\\af" + f + "\\dbch\\af" + f + "\\loch\\f" + f +
                "\\fs24\\lang1033\\langfe2052 " + rtfText(p.text) + "\\par\n";
    }
    writeFile(path, "{\\rtf1\\ansi\\ansicpg936\\deff0{\\fonttbl" + fonts +
                        "}\n\\paperw11906\\paperh16838\\margl1800\\margr1800\\margt1440\\margb1440\n" + body + "}\n");
}
