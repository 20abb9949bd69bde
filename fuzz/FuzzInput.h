#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillane::fuzz {

// Writes the fuzzer's bytes to this process's scratch input file and returns its path.
const std::string& writeInput(const std::uint8_t* data, std::size_t size);

// A fresh scratch folder of this process, for output files.
const std::string& scratchFolder();

// Reads every byte of a range, so that a range reaching outside its memory is caught.
void touch(const std::uint8_t* bytes, std::size_t count);

}  // namespace quillane::fuzz
