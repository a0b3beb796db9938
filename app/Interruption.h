// What the program does when interrupted (SIGINT, SIGTERM, SIGHUP): the word processor it started
// goes first, with the job in flight, then the program ends with 128 + the signal.
#pragma once

// Call at the start of main, before any other thread.
void endRunOnInterruption();
