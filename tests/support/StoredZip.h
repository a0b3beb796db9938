// Writes a zip archive whose entries are stored as they are (no compression): enough for the office
// to read a DOCX package made in a test.
#pragma once

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

// Entries are (name inside the archive, content), in order. Throws std::exception on failure.
void writeStoredZip(const std::filesystem::path& archive, const std::vector<std::pair<std::string, std::string>>& entries);
