// The windows' tests run on Qt's offscreen platform, in one application object set up as the
// program's own: COM joined, skin, fonts and Qt's Chinese texts.
#include "app/Application.h"

#include <gmock/gmock.h>

using namespace Qt::StringLiterals;

// What the system's libraries keep until exit, for the leak checker of sanitized builds; read by it
// from here, so that listing the tests needs no environment either.
extern "C" const char* __lsan_default_suppressions() { return "leak:libdbus-1.so\nleak:libfontconfig.so\n"; }

int main(int argc, char** argv) {
    testing::InitGoogleMock(&argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TApplication::prepareHighDpi();
    TApplication application(argc, argv);
    application.Initialize();
    application.setTitle(u"Quirella"_s);
    return RUN_ALL_TESTS();
}
