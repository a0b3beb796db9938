// Documents that name fonts, written as Word writes them: a .docx (a zip of WordprocessingML) and an
// .rtf, each with paragraphs in the faces asked for, on A4 pages with Word's default margins.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

struct FontParagraph {
    std::string font;  // as Word names it: "Calibri", "宋体"
    std::string text;  // UTF-8
};

void writeDocx(const std::filesystem::path& path, const std::vector<FontParagraph>& paragraphs);
void writeRtf(const std::filesystem::path& path, const std::vector<FontParagraph>& paragraphs);
