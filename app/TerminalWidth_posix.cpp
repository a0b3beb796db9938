#include "app/TerminalWidth.h"

#include <cstdlib>
#include <sys/ioctl.h>
#include <unistd.h>

int terminalColumns() {
    winsize size{};
    const int terminal = isatty(STDOUT_FILENO) && ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
    return chooseColumns(std::getenv("COLUMNS"), terminal);
}
