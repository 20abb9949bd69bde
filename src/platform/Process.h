#pragma once

#include <ctime>
#include <string>

namespace quillane {

// The process's current directory; empty when the system cannot tell it (for example when
// the directory has been removed).
std::string currentDirectory();
// Makes `path` the process's current directory; false when it cannot be entered.
bool changeDirectory(const std::string& path);
// The local calendar time of a moment, in the user's time zone.
std::tm localCalendarTime(std::time_t moment);
// Blocks the calling thread for the given time.
void sleepMilliseconds(int milliseconds);
// Whether the process's standard error is a terminal (a console on Windows), where a person
// watches progress, rather than a file or a pipe.
bool standardErrorIsTerminal();

}  // namespace quillane
