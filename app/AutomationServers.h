// The automation servers this build brings along, for systems where the word processor does not
// register itself: on Linux, "Word.Application" is served by the LibreOffice Writer bridge.
#pragma once

#include "ole/ClassRegistry.h"

// Holds the registration for the caller's lifetime; empty where the system's own registry serves.
ole::ClassRegistration registerSystemAutomationServers();
