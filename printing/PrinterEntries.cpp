#include "printing/PrinterList.h"
#include "printing/RunTexts.h"

std::vector<std::string> printerEntries(std::vector<std::string> names) {
    if (!names.empty()) names.emplace_back(texts::kDefaultPrinterEntry);
    return names;
}
