// Looks at the office processes a test started, through /proc.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Live (not zombie) processes named `name` whose command line contains `marker`.
std::vector<pid_t> processesWith(const std::string& name, const std::string& marker);

// The offices started with a profile under `cacheDirectory`.
inline std::vector<pid_t> officesUnder(const std::string& cacheDirectory) {
    return processesWith("soffice.bin", cacheDirectory);
}

// Live processes named `name` whose parent is `parent`.
std::vector<pid_t> childrenNamed(pid_t parent, const std::string& name);

// The text of a PDF, as pdftotext reads it.
std::string pdfText(const std::string& pdf);

// The files in a directory with the extension, sorted by name.
std::vector<std::string> filesWithExtension(const std::string& directory, const std::string& extension);
