#include "app/TerminalWidth.h"

#include <charconv>
#include <cstring>

int chooseColumns(const char* columnsVariable, int terminal) {
    if (columnsVariable) {
        int columns = 0;
        const char* end = columnsVariable + std::strlen(columnsVariable);
        const auto [stop, error] = std::from_chars(columnsVariable, end, columns);
        if (error == std::errc() && stop == end && columns > 0) return columns;
    }
    return terminal > 0 ? terminal : 80;
}
