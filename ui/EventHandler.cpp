#include "ui/EventHandler.h"

namespace {

std::function<void(std::exception_ptr)>& installedHandler() {
    static std::function<void(std::exception_ptr)> handler;
    return handler;
}

}  // namespace

void setEventExceptionHandler(std::function<void(std::exception_ptr)> handler) { installedHandler() = std::move(handler); }

void handleEventException(std::exception_ptr exception) {
    if (!installedHandler()) std::rethrow_exception(exception);
    installedHandler()(exception);
}
