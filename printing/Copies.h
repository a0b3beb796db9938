// Reads the copies field: leading blanks, then a decimal or hexadecimal ($, x, X, 0x, 0X) 32-bit integer
// and nothing after it. Hexadecimal takes up to 8 significant digits, read as two's complement.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

std::optional<std::int32_t> parseCopies(std::string_view text);
