#pragma once

#include "cli/CommandLine.h"

namespace quillane {

// Splits every file of the command line in one split run, and prints the files that changed (or
// with --json each file's report) as soon as the run is done with each file. Without --keep-going
// the first failure ends the work, as in the window; with it every file is tried and the failures
// are listed at the end. Returns the exit status: 0 when every file was split, else 1.
int splitFiles(const CommandLine& commandLine, bool showProgress);

}  // namespace quillane
