// The program's exceptions. Everything the program raises or catches derives from Exception; the
// automation layer raises EOleSysError, carrying the failing HRESULT.
#pragma once

#include "ole/Automation.h"

#include <stdexcept>
#include <string>
#include <string_view>

class Exception : public std::exception {
public:
    explicit Exception(std::string message) : m_message(std::move(message)) {}
    const std::string& message() const noexcept { return m_message; }  // UTF-8
    const char* what() const noexcept override { return m_message.c_str(); }

private:
    std::string m_message;
};

// Ends an action silently: the application object shows no box for it.
class EAbort : public Exception {
public:
    using Exception::Exception;
};

class EOleError : public Exception {
public:
    using Exception::Exception;
};

class EOleSysError : public EOleError {
public:
    // The message is the system's text for the code (see ole::systemMessage), as Word's clients
    // show it; the server's own description of the failure is kept beside it.
    explicit EOleSysError(HRESULT errorCode, std::string_view description = {});
    HRESULT errorCode() const noexcept { return m_errorCode; }
    const std::string& description() const noexcept { return m_description; }
    int helpContext() const noexcept { return 0; }

private:
    HRESULT m_errorCode;
    std::string m_description;
};

// The exception's message and, for an automation failure, the server's description after it: the
// whole cause, for a diagnostic line.
std::string causeText(const Exception& exception);

namespace ole {

// The system's text for an HRESULT, without trailing control characters, blanks and full stops;
// "OLE error %.8x" when the system has none.
std::string systemMessage(HRESULT code);

// The system's own text only, empty when it has none.
std::string systemMessageText(HRESULT code);

// Every failed HRESULT of the automation layer turns into an exception here and nowhere else.
inline void check(HRESULT hr, std::string_view description = {}) {
    if (FAILED(hr)) throw EOleSysError(hr, description);
}

// A server's account of why it could not create an object, which an HRESULT cannot carry: the
// server sets it on the creating thread before it fails, the client takes it right after.
void setCreationFailure(std::string description);
std::string takeCreationFailure();

}  // namespace ole
