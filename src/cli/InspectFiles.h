#pragma once

#include "cli/CommandLine.h"

namespace quillane {

// --check: reads every file of the command line as a split would, refuses what a split would
// refuse (the scan's layout, a scan without two channels, an output folder that cannot be
// entered, files that would write one output or replace an input) and writes nothing. Every
// file is checked; returns 0 when all would be split, else 1.
int checkFiles(const CommandLine& commandLine);

// --info: what each file holds: its size, channels and their colours, pixel size and the
// scanner's seven texts. Returns 0 when every file could be read, else 1.
int showInfo(const CommandLine& commandLine);

}  // namespace quillane
