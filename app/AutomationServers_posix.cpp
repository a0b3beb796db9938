#include "app/AutomationServers.h"

#include "writer/WriterServer.h"

ole::ClassRegistration registerSystemAutomationServers(std::chrono::milliseconds callLimit) {
    writer::OfficeOptions options;
    options.callLimit = callLimit;
    return writer::registerWriterServer("Word.Application", options);
}
