#pragma once

#include "preview/ToneMapping.h"

#include <string>

namespace quillane {

// Writes `picture` as a PNG file at `path`, whole or not at all, as the channel files are
// written. Throws UserException naming the file and what went wrong.
void writePicture(const std::string& path, const RgbImage& picture);

}  // namespace quillane
