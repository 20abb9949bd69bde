#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quillane {

// The bytes of a PNG file holding an 8-bit RGB picture of width × height pixels (`rgb`: 3 bytes
// a pixel, rows top to bottom), made by the system's image library (libpng; on Windows, WIC).
// Empty when it could not be made, with the library's reason in `failure`.
std::vector<std::uint8_t> encodePng(const std::uint8_t* rgb, std::uint32_t width, std::uint32_t height,
                                    std::string& failure);

}  // namespace quillane
