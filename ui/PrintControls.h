// Start printing, as the main window does it, over whatever draws the window: the request is read from
// the controls when the button is pressed, the run's boxes and the copies reset go back to them.
#pragma once

#include "printing/PrintRun.h"

#include <string>
#include <vector>

// The controls a print run reads and writes. Texts are UTF-8.
class PrintControls {
public:
    virtual int printerEntryCount() const = 0;          // the printer choice's entries
    virtual std::vector<std::string> documents() const = 0;  // the document list, in list order
    virtual std::string copiesText() const = 0;
    virtual std::string printerText() const = 0;        // chosen or typed
    virtual bool showWord() const = 0;

    virtual void showErrorBox(const std::string& text, const std::string& caption) = 0;  // modal
    virtual void setCopiesText(const std::string& text) = 0;

protected:
    ~PrintControls() = default;
};

PrintRequest readRequest(const PrintControls& controls);

// One run, synchronous: it holds the thread until the run has ended.
void startPrinting(PrintControls& controls, ProgressLog& log, std::function<void(std::chrono::milliseconds)> pause);
