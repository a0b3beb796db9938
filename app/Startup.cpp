#include "app/Startup.h"

#include "ole/Exceptions.h"

using namespace Qt::StringLiterals;

int runQuirella(TApplication& application, MainFormServices services) {
    try {
        application.Initialize();
        application.setTitle(u"Quirella"_s);
        application.CreateForm(std::move(services));
        application.Run();
    } catch (const Exception& exception) {
        application.ShowException(exception);
    } catch (...) {
        // Whatever else was thrown is shown as an Exception without a message.
        try {
            throw Exception("");
        } catch (const Exception& exception) {
            application.ShowException(exception);
        }
    }
    return 0;
}
