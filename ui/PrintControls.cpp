#include "ui/PrintControls.h"

PrintRequest readRequest(const PrintControls& controls) {
    PrintRequest request;
    request.printerEntryCount = controls.printerEntryCount();
    request.documents = controls.documents();
    request.copiesText = controls.copiesText();
    request.printerText = controls.printerText();
    request.showWord = controls.showWord();
    return request;
}

void startPrinting(PrintControls& controls, ProgressLog& log, std::function<void(std::chrono::milliseconds)> pause) {
    RunOperations operations;
    operations.showErrorBox = [&controls](const std::string& text, const std::string& caption) {
        controls.showErrorBox(text, caption);
    };
    operations.resetCopies = [&controls](const std::string& text) { controls.setCopiesText(text); };
    operations.pause = std::move(pause);
    PrintRun(readRequest(controls), log, operations);
}
