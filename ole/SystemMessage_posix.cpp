// Without a system message table, the texts Windows gives for the codes this program meets.
#include "ole/Exceptions.h"

#include <iterator>

namespace ole {

std::string systemMessageText(HRESULT code) {
    struct Entry {
        HRESULT code;
        const char* text;
    };
    static constexpr Entry kTexts[] = {
        {S_OK, "The operation completed successfully.\r\n"},
        {E_NOTIMPL, "Not implemented\r\n"},
        {E_NOINTERFACE, "No such interface supported\r\n"},
        {E_POINTER, "Invalid pointer\r\n"},
        {E_FAIL, "Unspecified error\r\n"},
        {E_UNEXPECTED, "Catastrophic failure\r\n"},
        {E_OUTOFMEMORY, "Not enough memory resources are available to complete this operation.\r\n"},
        {E_INVALIDARG, "The parameter is incorrect.\r\n"},
        {CLASS_E_NOAGGREGATION, "Class does not support aggregation (or class object is remote)\r\n"},
        {REGDB_E_CLASSNOTREG, "Class not registered\r\n"},
        {CO_E_NOTINITIALIZED, "CoInitialize has not been called.\r\n"},
        {CO_E_CLASSSTRING, "Invalid class string\r\n"},
        {CO_E_SERVER_EXEC_FAILURE, "Server execution failed\r\n"},
        {RPC_E_DISCONNECTED, "The object invoked has disconnected from its clients.\r\n"},
        {RPC_E_SERVERFAULT, "The server threw an exception.\r\n"},
        {RPC_E_CALL_REJECTED, "Call was rejected by callee.\r\n"},
        {RPC_E_TIMEOUT, "This operation returned because the timeout period expired.\r\n"},
        {DISP_E_UNKNOWNINTERFACE, "Unknown interface.\r\n"},
        {DISP_E_MEMBERNOTFOUND, "Member not found.\r\n"},
        {DISP_E_PARAMNOTFOUND, "Parameter not found.\r\n"},
        {DISP_E_TYPEMISMATCH, "Type mismatch.\r\n"},
        {DISP_E_UNKNOWNNAME, "Unknown name.\r\n"},
        {DISP_E_NONAMEDARGS, "No named arguments.\r\n"},
        {DISP_E_BADVARTYPE, "Bad variable type.\r\n"},
        {DISP_E_EXCEPTION, "Exception occurred.\r\n"},
        {DISP_E_BADPARAMCOUNT, "Invalid number of parameters.\r\n"},
        {DISP_E_PARAMNOTOPTIONAL, "Parameter not optional.\r\n"},
    };
    for (const Entry& e : kTexts)
        if (e.code == code) return e.text;
    return {};
}

}  // namespace ole
