// The automation servers this build brings along, for systems where the word processor does not
// register itself: on Linux, "Word.Application" is served by the LibreOffice Writer bridge.
#pragma once

#include "ole/CallGuard.h"
#include "ole/ClassRegistry.h"

#include <chrono>

// Holds the registration for the caller's lifetime; empty where the system's own registry serves.
// `callLimit` bounds each call into a bridged word processor (Word's own calls are bounded by the
// apartment's call limits instead).
ole::ClassRegistration registerSystemAutomationServers(std::chrono::milliseconds callLimit = ole::CallLimits{}.answer);
