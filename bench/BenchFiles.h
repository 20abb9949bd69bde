#pragma once

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>

// What the benchmarks share: scan files made once per run in a folder of their own, and the
// memcpy reference row.
namespace quillane::bench {

// A folder under the system's temporary folder for this run, removed when the program ends.
const std::string& benchFolder();

// A two-channel scan of this shape in the bench folder, written the first time it is asked for.
const std::string& scanFile(std::uint32_t width, std::uint32_t height);

// memcpy of `bytes` bytes between two buffers touched beforehand, as bytes per second.
void memcpyRow(benchmark::State& state, std::size_t bytes);

}  // namespace quillane::bench
