// Word's Chinese fonts in the office's replacement table. Documents name 宋体, 黑体, 楷体 and the like,
// which no Debian machine has; left to itself the office prints all of them in one sans face. Word's
// Latin fonts need no entry: fontconfig already names their metric-compatible stand-ins (Carlito for
// Calibri, Caladea for Cambria, Liberation for Arial, Times New Roman and Courier New).
// The office applies an entry whether or not the named font is installed, so a font the machine has
// gets no entry.
#pragma once

#include <filesystem>
#include <functional>
#include <span>
#include <string>

namespace writer {

struct FontReplacement {
    const char* wordFont;  // as documents name it, in Chinese or in English
    const char* standIn;   // the installed face printed in its place
};

// Every name, Chinese and English, that gets a stand-in.
std::span<const FontReplacement> fontReplacements();

// The profile's settings items that switch the replacement table on and fill it.
std::string fontReplacementItems();

// Whether fontconfig has a font of this family itself (not a face it would pick in its place).
bool fontInstalled(const std::string& family);
using FontInstalled = std::function<bool(const std::string& family)>;

// Brings a profile's registrymodifications.xcu up to the table, keeping the rest of the file as it is,
// so that a profile made before the table existed gets it too: adds the entries it lacks, and removes
// those of fonts that are installed. A file cut off before its end is left alone. Throws
// std::runtime_error when the file cannot be read or replaced.
void addFontReplacements(const std::filesystem::path& registryModifications);
// The same, with another answer to which fonts are installed.
void addFontReplacements(const std::filesystem::path& registryModifications, const FontInstalled& installed);

}  // namespace writer
