#pragma once

#include "preview/ScanPreview.h"

#include <string>

namespace quillane {

// A channel's figures on one line, as quillane-split prints them and the preview window shows
// them: "minimum 96, maximum 65535, mean 1834.2, saturated 3 (0.0001 %)", followed by
// "; histogram of every 8th row" where the histogram and the contrast taken from it are sampled.
std::string figuresLine(const ChannelFigures& figures);

// The scan in a line: its size on disk and, as the channels will be written, its pixels, their
// size and the flip: "1.1 GiB, 30000 × 10000 pixels of 5 × 5 µm, flipped along the main diagonal".
std::string scanSummary(const ScanPreview& preview);

}  // namespace quillane
