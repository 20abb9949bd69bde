#pragma once

#include "preview/TileMaker.h"
#include "preview/ViewPicture.h"
#include "preview/ZoomView.h"

#include <atomic>
#include <cstdint>

namespace quillane {

// The composite of the part of the written image that `view` shows, without the box's margins
// beyond it: at the view's own scale when that comes to at most `longestSide` pixels along the
// longer side, else in blocks just large enough to fit. Made from the scan on the calling thread,
// tile by tile; setting `stop` ends it with PreviewStopped.
RgbImage regionPicture(const TileMaker& maker, const ZoomView& view, std::uint32_t longestSide, const ToneLevels& red,
                       const ToneLevels& green, const std::atomic<bool>* stop);

}  // namespace quillane
