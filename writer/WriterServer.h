// "Word.Application" served by LibreOffice Writer: the application object, its document collection
// and its documents, carrying out the members this program sends.
#pragma once

#include "ole/ClassRegistry.h"
#include "writer/OfficeSession.h"

#include <string_view>

namespace writer {

extern const CLSID kWriterApplicationClassId;

// Registers the bridge under the programmatic identifier when LibreOffice is installed; otherwise
// registers nothing, so that the identifier stays unknown, as on a system without a word processor.
ole::ClassRegistration registerWriterServer(std::string_view progId = "Word.Application",
                                           const OfficeOptions& options = {});

}  // namespace writer
