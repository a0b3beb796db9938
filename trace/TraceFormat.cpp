#include "trace/TraceFormat.h"

#include "ole/Text.h"

#include <cstdio>

namespace trace {

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

}  // namespace

std::string formatValue(const VARIANT& value) {
    switch (V_VT(&value)) {
    case VT_EMPTY: return "VT_EMPTY";
    case VT_NULL: return "VT_NULL";
    case VT_BOOL: return "VT_BOOL " + std::to_string(V_BOOL(&value));
    case VT_I4: return "VT_I4 " + std::to_string(V_I4(&value));
    case VT_BSTR: return V_BSTR(&value) ? "VT_BSTR " + quoted(ole::toUtf8(V_BSTR(&value))) : "VT_BSTR null";
    case VT_DISPATCH: return V_DISPATCH(&value) ? "VT_DISPATCH" : "VT_DISPATCH null";
    case VT_UNKNOWN: return V_UNKNOWN(&value) ? "VT_UNKNOWN" : "VT_UNKNOWN null";
    case VT_ERROR: return "VT_ERROR " + formatCode(V_ERROR(&value));
    default: {
        char text[24];
        std::snprintf(text, sizeof text, "VT_0x%x", static_cast<unsigned>(V_VT(&value)));
        return text;
    }
    }
}

std::string formatKind(WORD flags) {
    std::string out;
    const auto add = [&](WORD bit, const char* name) {
        if (!(flags & bit)) return;
        if (!out.empty()) out += '|';
        out += name;
    };
    add(DISPATCH_METHOD, "METHOD");
    add(DISPATCH_PROPERTYGET, "PROPERTYGET");
    add(DISPATCH_PROPERTYPUT, "PROPERTYPUT");
    add(DISPATCH_PROPERTYPUTREF, "PROPERTYPUTREF");
    return out.empty() ? "NONE" : out;
}

std::string formatCode(HRESULT code) {
    switch (code) {
    case DISP_E_EXCEPTION: return "DISP_E_EXCEPTION";
    case DISP_E_MEMBERNOTFOUND: return "DISP_E_MEMBERNOTFOUND";
    case DISP_E_UNKNOWNNAME: return "DISP_E_UNKNOWNNAME";
    case DISP_E_TYPEMISMATCH: return "DISP_E_TYPEMISMATCH";
    case DISP_E_BADPARAMCOUNT: return "DISP_E_BADPARAMCOUNT";
    case DISP_E_PARAMNOTFOUND: return "DISP_E_PARAMNOTFOUND";
    case DISP_E_PARAMNOTOPTIONAL: return "DISP_E_PARAMNOTOPTIONAL";
    case RPC_E_DISCONNECTED: return "RPC_E_DISCONNECTED";
    case RPC_E_CALL_REJECTED: return "RPC_E_CALL_REJECTED";
    case RPC_E_CALL_CANCELED: return "RPC_E_CALL_CANCELED";
    case CO_E_SERVER_EXEC_FAILURE: return "CO_E_SERVER_EXEC_FAILURE";
    default: {
        char text[16];
        std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(code));
        return text;
    }
    }
}

}  // namespace trace
