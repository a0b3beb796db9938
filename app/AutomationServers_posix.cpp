#include "app/AutomationServers.h"

#include "writer/WriterServer.h"

ole::ClassRegistration registerSystemAutomationServers() { return writer::registerWriterServer("Word.Application"); }
