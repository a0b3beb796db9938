// The part of the word processor's object model that this program uses, as an automation server
// presents it: member names, the invocation kinds they answer and their parameters in order (a
// parameter's DISPID is its index). Servers that stand in for "Word.Application" answer these.
#pragma once

#include "ole/DispatchObject.h"

#include <vector>

namespace word {

inline std::vector<ole::Member> applicationMembers() {
    return {{"Visible", DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}},
            {"ActivePrinter", DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}},
            {"Documents", DISPATCH_PROPERTYGET, {}},
            {"PrintOut", DISPATCH_METHOD, {"Background", "Append", "Range", "OutputFileName", "From", "To", "Item", "Copies"}},
            {"Quit", DISPATCH_METHOD, {"SaveChanges", "OriginalFormat", "RouteDocument"}},
            {"AutomationSecurity", DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}},
            {"DisplayAlerts", DISPATCH_PROPERTYGET | DISPATCH_PROPERTYPUT, {}},
            {"Name", DISPATCH_PROPERTYGET, {}}};
}

inline std::vector<ole::Member> documentsMembers() {
    return {{"Open", DISPATCH_METHOD,
             {"FileName", "ConfirmConversions", "ReadOnly", "AddToRecentFiles", "PasswordDocument", "PasswordTemplate",
              "Revert", "WritePasswordDocument", "WritePasswordTemplate", "Format"}},
            {"Count", DISPATCH_PROPERTYGET, {}}};
}

inline std::vector<ole::Member> documentMembers() { return {{"FullName", DISPATCH_PROPERTYGET, {}}}; }

}  // namespace word
