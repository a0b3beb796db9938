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
    // The value of "DisplayAlerts" that has the word processor take every question's default answer.
    static constexpr std::int32_t kAlertsNone = 0;

    void CreateApplication();
    void SetAutomationSecurity(std::int32_t security);
    void SetDisplayAlerts(std::int32_t alerts);
    void SetVisible(bool visible);
    void SetActivePrinter(std::string_view printerName);  // UTF-8
    AutomationObject GetDocuments();
    void OpenDocument(const AutomationObject& documents, std::string_view path, bool confirmConversions,
                      bool readOnly, bool addToRecentFiles);
    void PrintActiveDocument();
    void QuitApplication();

    bool hasApplication() const noexcept { return !m_application.empty(); }
    // Once a call has been given up unanswered, the word processor is taken for stuck: every later
    // operation fails at once instead of waiting out the limit again.
    bool unanswered() const noexcept { return m_unanswered; }

private:
    template <class Call>
    auto answered(Call&& call);

    AutomationObject m_application;
    bool m_unanswered = false;
};
