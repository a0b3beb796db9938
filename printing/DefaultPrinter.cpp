#include "printing/DefaultPrinter.h"

DefaultPrinterGuard::DefaultPrinterGuard() : m_saved(defaultPrinter()) {}

DefaultPrinterGuard::~DefaultPrinterGuard() {
    if (!m_saved) return;
    // A failure to restore has nowhere to go: the run's lines are about the documents.
    try {
        if (defaultPrinter() != m_saved) setDefaultPrinter(*m_saved);
    } catch (...) {
    }
}
