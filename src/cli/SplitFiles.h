#pragma once

#include "cli/CommandLine.h"

#include <string>

namespace quillane {

// Splits every file of the command line, each with its own split run, and prints each file's
// two output paths on standard output once both are written. Without --keep-going the first
// failure ends the work, as in the window; with it every file is tried and the failures are
// listed at the end. Returns the exit status: 0 when every file was split, else 1.
int splitFiles(const CommandLine& commandLine, bool showProgress);

// A failure on standard error, on one line that names its file: "quillane-split: <file> : <message>".
void reportFailure(const std::string& file, const std::string& message);

}  // namespace quillane
