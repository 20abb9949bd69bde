#pragma once

#include "split/SplitHost.h"

namespace quillane {

// Splits every input the host lists into its two channel files, reporting through the host.
void SplitRun(SplitHost& host, SplitPlatform& platform = systemSplitPlatform());

}  // namespace quillane
