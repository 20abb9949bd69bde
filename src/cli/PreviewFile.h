#pragma once

#include "cli/CommandLine.h"

namespace quillane {

// --preview: reduces the command line's one file as the split would write it (with its --flip),
// writes the red and green picture of both channels as a PNG file and prints each channel's
// figures on standard output, one line each ("Red: minimum ..."). A file the split would refuse
// is refused with the split's message. Returns the exit status: 0, or 1 after a failure.
int previewFile(const CommandLine& commandLine);

}  // namespace quillane
