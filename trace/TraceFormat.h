// How the trace server writes values and codes.
#pragma once

#include "ole/Automation.h"

#include <string>

namespace trace {

std::string formatValue(const VARIANT& value);   // VT_BOOL -1, VT_I4 3, VT_BSTR "a \"b\"", VT_DISPATCH, ...
std::string formatKind(WORD flags);              // METHOD, PROPERTYGET, PROPERTYPUT, or joined with |
std::string formatCode(HRESULT code);            // DISP_E_EXCEPTION, ..., else 0x80004005

}  // namespace trace
