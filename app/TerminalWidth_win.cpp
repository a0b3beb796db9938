#include "app/TerminalWidth.h"

#include <cstdlib>
#include <windows.h>

int terminalColumns() {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    const int terminal = GetConsoleScreenBufferInfo(GetStdHandle(STD_OUTPUT_HANDLE), &info)
                             ? info.srWindow.Right - info.srWindow.Left + 1
                             : 0;
    return chooseColumns(std::getenv("COLUMNS"), terminal);
}
