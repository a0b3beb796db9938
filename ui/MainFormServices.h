// What the main window asks of the system, each replaceable: an empty member means the system's own.
#pragma once

#include "ui/OpenDialog.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

// Hands a file path or a web address to the desktop's default handler, as a user's double-click would;
// the result is not reported.
using ShellOpen = std::function<void(const std::string& target)>;

struct MainFormServices {
    std::function<std::vector<std::string>()> printerNames;  // the system's printer list
    FileChooser chooseFiles;                                 // the add-documents dialog
    ShellOpen openInShell;                                   // help file and web address
    std::function<void(std::chrono::milliseconds)> pause;   // after each document of a run, the window kept painted
};
