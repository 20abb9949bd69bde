#pragma once

#include "preview/ScanPreview.h"
#include "preview/ViewPicture.h"

#include <string>

namespace quillane {

// A channel's figures on one line, as quillane-split prints them and the preview window shows
// them: "minimum 96, maximum 65535, mean 1834.2, saturated 3 (0.0001 %)", followed by
// "; histogram of every 8th row" where the histogram and the contrast taken from it are sampled.
std::string figuresLine(const ChannelFigures& figures);

// The scan in a line: its size on disk and, as the channels will be written, its pixels, their
// size and the flip: "1.1 GiB, 30000 × 10000 pixels of 5 × 5 µm, flipped along the main diagonal".
std::string scanSummary(const ScanPreview& preview);

// The value under the pointer on one line, as the preview's status line shows it: "x 1234, y 567
// (6170 × 2835 µm): red 1834, green 96", or reduced "...: block of 47 × 47, red mean 1834 maximum
// 65535, green mean 96 maximum 130"; "..., being read" while its tile is made.
std::string pointLine(const PointValue& value);
// The view's scale: "fit (1 : 47)", "1 : 8", "1 : 1", "4 : 1".
std::string scaleText(const ZoomScale& scale, bool fit);

}  // namespace quillane
