#pragma once

#include <cstdint>

namespace quillane {

// For a program that runs until it is stopped: the ways a person or the system ends a program
// (Ctrl-C, SIGTERM, SIGHUP when its terminal closes; on Windows Ctrl-C, Ctrl-Break, closing the
// console, logging off and shutting down) ask it to stop at its next safe point instead of
// ending it at once. A second request while it stops ends it at once, as the signals did before
// (undoUnfinishedOutputsOnSignals). Call once, after undoUnfinishedOutputsOnSignals.
void stopOnRequest();

// Whether a stop has been asked for.
bool stopRequested();

// Tells the system's own stops that the program has reached its safe point and is ending: on
// Windows, closing the console or ending the session waits for it (a few seconds at most)
// before the program is ended. Nothing to do on POSIX.
void stoppingNow();

// What the platform's blocking waits wait on besides their own work, so that a stop request
// wakes them: a descriptor that becomes readable (POSIX) or an event that is set (Windows);
// -1 before stopOnRequest.
std::intptr_t stopWakeHandle();

}  // namespace quillane
