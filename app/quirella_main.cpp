#include "app/Interruption.h"
#include "app/Startup.h"

int main(int argc, char** argv) {
    endRunOnInterruption();
    // The program takes nothing from its command line, Qt's own options included.
    static char* programOnly[] = {argc > 0 ? argv[0] : nullptr, nullptr};
    int programCount = argc > 0 ? 1 : 0;
    TApplication::prepareHighDpi();
    TApplication application(programCount, programOnly);
    return runQuirella(application);
}
