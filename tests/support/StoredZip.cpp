#include "support/StoredZip.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <stdexcept>

namespace {

std::uint32_t crc32(const std::string& data) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const unsigned char byte : data) crc = table[(crc ^ byte) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// Little-endian fields, as the format has them.
void put16(std::string& out, std::uint32_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

}  // namespace

void writeStoredZip(const std::filesystem::path& archive, const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string local, central;
    for (const auto& [name, content] : entries) {
        const auto offset = static_cast<std::uint32_t>(local.size());
        const std::uint32_t crc = crc32(content), size = static_cast<std::uint32_t>(content.size());
        const auto nameLength = static_cast<std::uint32_t>(name.size());
        // Version 2.0, no flags, method 0 (stored), time and date 1980-01-01 00:00.
        put32(local, 0x04034b50);
        put16(local, 20), put16(local, 0), put16(local, 0), put16(local, 0), put16(local, 0x21);
        put32(local, crc), put32(local, size), put32(local, size);
        put16(local, nameLength), put16(local, 0);
        local += name;
        local += content;

        put32(central, 0x02014b50);
        put16(central, 20), put16(central, 20), put16(central, 0), put16(central, 0), put16(central, 0), put16(central, 0x21);
        put32(central, crc), put32(central, size), put32(central, size);
        put16(central, nameLength), put16(central, 0), put16(central, 0), put16(central, 0), put16(central, 0);
        put32(central, 0), put32(central, offset);
        central += name;
    }
    std::string end;
    put32(end, 0x06054b50);
    put16(end, 0), put16(end, 0);
    put16(end, static_cast<std::uint32_t>(entries.size())), put16(end, static_cast<std::uint32_t>(entries.size()));
    put32(end, static_cast<std::uint32_t>(central.size())), put32(end, static_cast<std::uint32_t>(local.size()));
    put16(end, 0);

    std::ofstream out(archive, std::ios::binary | std::ios::trunc);
    out << local << central << end;
    if (!out) throw std::runtime_error("cannot write " + archive.string());
}
