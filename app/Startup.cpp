#include "app/Startup.h"

#include "ole/Exceptions.h"

using namespace Qt::StringLiterals;

int runQuirella(TApplication& application, MainFormServices services) {
    try {
        // Titled first: the box of an exception from any later step, the initialisation's included,
        // is captioned with the title.
        application.setTitle(u"Quirella"_s);
        application.Initialize();
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
