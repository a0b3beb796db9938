#include "app/AutomationServers.h"

// Word registers "Word.Application" in the system's registry itself.
ole::ClassRegistration registerSystemAutomationServers(std::chrono::milliseconds) { return {}; }
