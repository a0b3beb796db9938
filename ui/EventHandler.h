// The windows' event handlers, guarded: an exception that leaves a handler goes straight to the
// application object's exception handling, here, instead of unwinding Qt's own frames, which are built
// without exception support. The application object's notify() stops whatever escapes elsewhere.
#pragma once

#include <exception>
#include <functional>

// Installed by the application object; without one, the exception goes on.
void setEventExceptionHandler(std::function<void(std::exception_ptr)> handler);
void handleEventException(std::exception_ptr exception);

template <class Object, class... Args>
auto guarded(Object* object, void (Object::*handler)(Args...)) {
    return [object, handler](Args... args) {
        try {
            (object->*handler)(args...);
        } catch (...) {
            handleEventException(std::current_exception());
        }
    };
}
