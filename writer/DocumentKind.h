// Whether what the office made of a file matches the kind its name promises.
#pragma once

#include <string>
#include <string_view>

namespace writer {

// A file URL for an absolute path: every byte but unreserved ones and '/' percent-encoded, so that
// spaces, '#', '%' and Chinese reach the office as they are.
std::string fileUrlFromPath(std::string_view absolutePath);

// A document, template or RTF that the office could only read as plain text is not what it claims to
// be (a corrupt .docx comes in as text): printing it would print garbage.
bool filterMatchesKind(std::string_view path, std::string_view filterName);

}  // namespace writer
