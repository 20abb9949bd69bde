#pragma once

#include "SplitCheck.h"

#include <cstdint>
#include <vector>

class FuzzedDataProvider;

namespace quillane::fuzz {

// A scanner file built from fuzz bytes, so that most inputs are scans the program accepts and
// the writer and the flips meet every shape: dimensions up to a few hundred, now and then one
// up to 40000; one to six directories; every record kind, with pixel sizes whole, fractional
// and absurd; texts of 0 to 4096 bytes, in their entry or out of line, with or without their
// zero byte; the GEL tags; strip offsets as SHORT or LONG, one or one per row; samples at odd
// offsets; a file cut short now and then. Once the bytes run out every choice takes its plain
// value, so even an empty input gives a valid scan.
struct GeneratedScan {
    std::vector<std::uint8_t> bytes;
    Flip flip = Flip::none;
};

GeneratedScan generateScan(FuzzedDataProvider& data);

}  // namespace quillane::fuzz
