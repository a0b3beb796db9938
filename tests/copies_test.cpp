// The copies field's syntax: decimal or hexadecimal 32-bit, leading blanks only.
#include "printing/Copies.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct CopiesCase {
    const char* name;
    const char* text;
    std::optional<std::int32_t> copies;  // nullopt: not a number
};
void PrintTo(const CopiesCase& row, std::ostream* out) { *out << row.name; }

const CopiesCase kCopies[] = {
    {"Plain", "3", 3},
    {"LeadingBlanks", "  2", 2},
    {"PlusSign", "+2", 2},
    {"DollarHex", "$2", 2},
    {"LowerXHex", "x2", 2},
    {"UpperXHex", "X1f", 31},
    {"ZeroXHex", "0x2", 2},
    {"ZeroUpperXHex", "0XfF", 255},
    {"LeadingZeros", "002", 2},
    {"LoneZero", "0", 0},
    {"MinusZero", "-0", 0},
    {"Negative", "-2", -2},
    {"HexAllOnesIsMinusOne", "$FFFFFFFF", -1},
    {"HexTopBitIsNegative", "$80000000", INT32_MIN},
    {"HexLeadingZerosDoNotCount", "$000000001", 1},
    {"Largest", "2147483647", 2147483647},
    {"Smallest", "-2147483648", INT32_MIN},
    {"AboveTheUpDown", "5000", 5000},
    {"Empty", "", std::nullopt},
    {"BlanksOnly", "   ", std::nullopt},
    {"Letters", "abc", std::nullopt},
    {"DecimalPoint", "1.5", std::nullopt},
    {"TrailingBlank", "3 ", std::nullopt},
    {"BlankAfterSign", "- 3", std::nullopt},
    {"SignAlone", "-", std::nullopt},
    {"SignBeforeHex", "-$5", std::nullopt},
    {"PlusBeforeHex", "+x5", std::nullopt},
    {"PrefixAlone", "$", std::nullopt},
    {"ZeroXAlone", "0x", std::nullopt},
    {"NinthHexDigit", "$100000000", std::nullopt},
    {"BadHexDigit", "$1G", std::nullopt},
    {"TooLarge", "2147483648", std::nullopt},
    {"TooSmall", "-2147483649", std::nullopt},
    {"FullWidthDigits", "２", std::nullopt},
    {"LeadingTab", "\t2", std::nullopt},
    {"LeadingFullWidthBlank", "\u30002", std::nullopt},
    {"HugeDecimal", "99999999999999999999999", std::nullopt},
};

class CopiesInput : public testing::TestWithParam<CopiesCase> {};

TEST_P(CopiesInput, Parses) { EXPECT_EQ(parseCopies(GetParam().text), GetParam().copies); }

INSTANTIATE_TEST_SUITE_P(All, CopiesInput, testing::ValuesIn(kCopies),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
