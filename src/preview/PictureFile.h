#pragma once

#include "preview/ToneMapping.h"

#include <string>

namespace quillane {

// Why a picture may not be written at `path`, or empty when it may: only nothing or a PNG
// picture (a regular file that starts with PNG's signature) is replaced. The scan the picture is
// made of, another scan, any other file, a folder and a device are refused, saying which.
std::string pictureRefusal(const std::string& path, const std::string& scan);

// Writes `picture` of `scan` as a PNG file at `path`, whole or not at all, as the channel files
// are written, after pictureRefusal allows it, then once more just before it takes the name.
// Throws UserException naming the file and what went wrong.
void writePicture(const std::string& path, const RgbImage& picture, const std::string& scan);

}  // namespace quillane
