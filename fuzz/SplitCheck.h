#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quillane::fuzz {

// An input as the scan reader sees it: what every channel file split from it must carry.
struct Source {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::vector<std::uint16_t> channels[2];
    std::string texts[6];  // description, make, model, software, artist, host computer
    double pixelSizeX = 0;
    double pixelSizeY = 0;
};

// Reads the input with the program's own reader; none when it refuses the file or when the
// scan has fewer than two channels.
std::optional<Source> readSource(const std::string& path);

enum class Flip { none, mainDiagonal, oppositeDiagonal };

// Splits the input through the split run into a scratch folder, and aborts the process on any
// broken promise: a "Done!" run must leave exactly the two channel files, which libtiff reads
// back with the source's texts, its resolution along the right axes and its samples where the
// flip puts them; a refused run must leave nothing behind and say why; either way the bar ends
// at 0, the current directory is unchanged and no descriptor stays open.
void splitAndCheck(const std::string& input, const std::optional<Source>& source, Flip flip);

// Silences libtiff, which reports what it dislikes through return values here too.
void quietLibtiff();

}  // namespace quillane::fuzz
