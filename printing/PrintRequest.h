// What a print run reads from the main window (or the command line).
#pragma once

#include <string>
#include <vector>

struct PrintRequest {
    int printerEntryCount = 0;            // 0 exactly when the system listed no printer
    std::vector<std::string> documents;   // full paths, UTF-8, in list order
    std::string copiesText = "1";
    std::string printerText;              // free text: chosen or typed
    bool showWord = false;
};
