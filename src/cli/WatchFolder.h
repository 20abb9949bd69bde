#pragma once

#include "cli/CommandLine.h"

namespace quillane {

// --watch: splits every scan of the folder that has no outputs yet (or older ones), then each
// scan that arrives or is replaced, once it is complete, until a stop is asked for. One line
// (or JSON object) per event on standard output. Returns the exit status: 0 after a stop.
int watchFolder(const CommandLine& commandLine);

}  // namespace quillane
