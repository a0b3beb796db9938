// The only road to the word processor: "Word.Application" and the members of it this program uses.
#pragma once

#include "printing/AutomationObject.h"

#include <string_view>

class WordAutomation {
public:
    WordAutomation() = default;
    WordAutomation(WordAutomation&&) = default;
    WordAutomation& operator=(WordAutomation&&) = default;
    // Letting it go releases the application object and sends nothing: it does not quit the word
    // processor.
    ~WordAutomation() = default;

    // The value of "AutomationSecurity" that keeps every macro of an opened document from running.
    static constexpr std::int32_t kForceDisableMacros = 3;

    void CreateApplication();
    void SetAutomationSecurity(std::int32_t security);
    void SetVisible(bool visible);
    void SetActivePrinter(std::string_view printerName);  // UTF-8
    AutomationObject GetDocuments();
    void OpenDocument(const AutomationObject& documents, std::string_view path, bool confirmConversions,
                      bool readOnly, bool addToRecentFiles);
    void PrintActiveDocument();
    void QuitApplication();

    bool hasApplication() const noexcept { return !m_application.empty(); }

private:
    AutomationObject m_application;
};
