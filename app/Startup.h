// The desktop program from start to exit.
#pragma once

#include "app/Application.h"

// Titles the application object, initialises it, creates the main window and runs the message loop.
// An exception that escapes any of this is shown in one box; the result is 0 on every path.
int runQuirella(TApplication& application, MainFormServices services = {});
