#include "printing/PrinterList.h"

#include <cups/cups.h>

// The queues of the CUPS scheduler the user's environment names (CUPS_SERVER and client.conf),
// instances left out: a word processor is given queue names.
std::vector<std::string> systemPrinterNames() {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        if (!dests[i].instance) names.emplace_back(dests[i].name);
    cupsFreeDests(count, dests);
    return names;
}
