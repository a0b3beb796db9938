// How wide the text a command writes to standard output may be.
#pragma once

// COLUMNS when it holds a positive number; else the terminal's width when standard output is one;
// else 80.
int terminalColumns();

// The rule itself: `columnsVariable` is COLUMNS's value (null when unset), `terminal` the terminal's
// width (0 when standard output is no terminal).
int chooseColumns(const char* columnsVariable, int terminal);
