// Word's Chinese fonts in the office's replacement table. Documents name 宋体, 黑体, 楷体 and the like,
// which no Debian machine has; left to itself the office prints all of them in one sans face. Word's
// Latin fonts need no entry: fontconfig already names their metric-compatible stand-ins (Carlito for
// Calibri, Caladea for Cambria, Liberation for Arial, Times New Roman and Courier New).
// The entries apply whether or not the named font is installed: the office uses no other kind.
#pragma once

#include <filesystem>
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

// Adds to a profile's registrymodifications.xcu whichever of those items it lacks, keeping the rest of
// the file as it is, so that a profile made before the table existed gets it too. A file cut off before
// its end is left alone. Throws std::runtime_error when the file cannot be read or replaced.
void addFontReplacements(const std::filesystem::path& registryModifications);

}  // namespace writer
