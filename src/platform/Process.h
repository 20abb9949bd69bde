#pragma once

#include <ctime>
#include <string>

namespace quillane {

// The process's current directory; empty when the system cannot tell it (for example when
// the directory has been removed).
std::string currentDirectory();
// `path` made whole against the process's current directory as it is now: a path that is whole
// already, or empty, comes back as it is, and so does any path when the current directory cannot
// be told. Nothing else in it is changed on Linux (no "." or ".." is resolved, the bytes stay);
// on Windows it is the system's full path name.
std::string absolutePath(const std::string& path);
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
