#include "writer/CupsQueue.h"

#include <cups/cups.h>

#include <algorithm>

namespace writer {

bool printerExists(const std::string& name) {
    if (name.empty()) return false;
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.c_str(), nullptr);
    if (!dest) return false;
    cupsFreeDests(1, dest);
    return true;
}

std::optional<std::string> defaultPrinter() {
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (!dest) return std::nullopt;
    std::string name = dest->name;
    cupsFreeDests(1, dest);
    return name;
}

int newestJob(const std::string& printer, int after) {
    char uri[HTTP_MAX_URI];
    httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", 0, "/printers/%s",
                     printer.c_str());
    ipp_t* request = ippNewRequest(IPP_OP_GET_JOBS);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr, cupsUser());
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "which-jobs", nullptr, "all");
    ippAddInteger(request, IPP_TAG_OPERATION, IPP_TAG_INTEGER, "first-job-id", after + 1);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr, "job-id");
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    int newest = after;
    for (ipp_attribute_t* attr = ippFindAttribute(response, "job-id", IPP_TAG_INTEGER); attr;
         attr = ippFindNextAttribute(response, "job-id", IPP_TAG_INTEGER))
        newest = std::max(newest, ippGetInteger(attr, 0));
    ippDelete(response);
    return newest;
}

}  // namespace writer
