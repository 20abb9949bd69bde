// Flip throughput in bytes per second, blocked and row by row, beside memcpy of the same bytes.
// Each flip also reports "vs_memcpy" (its throughput over memcpy's on the same image) and the
// row-by-row loop's speed-up target reads off the two flips' figures.
#include "output/Flip.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace {

using quillane::flipMainDiagonalBlocked;
using quillane::flipMainDiagonalBlockedPortable;
using quillane::flipMainDiagonalRowByRow;
using quillane::flipOppositeDiagonalBlocked;
using quillane::flipOppositeDiagonalRowByRow;

using Flip = void (*)(std::uint16_t*, const std::uint16_t*, std::uint32_t, std::uint32_t);

// One source and one destination per shape, filled once so that every page is mapped before
// any timing starts. The source carries one spare sample so it can also start at an odd address.
struct Image {
    std::vector<std::uint16_t> source;
    std::vector<std::uint16_t> destination;
    double memcpyBytesPerSecond = 0;
};

Image& imageFor(std::uint32_t width, std::uint32_t height) {
    static std::map<std::pair<std::uint32_t, std::uint32_t>, Image> images;
    Image& image = images[{width, height}];
    if (image.source.empty()) {
        const std::size_t n = std::size_t{width} * height;
        image.source.resize(n + 1);
        for (std::size_t i = 0; i < image.source.size(); ++i) image.source[i] = static_cast<std::uint16_t>(i * 2654435761u >> 7);
        image.destination.assign(n, 1);
        // memcpy's median of a few runs on the same buffers is the yardstick.
        std::vector<double> seconds;
        for (int run = 0; run < 9; ++run) {
            const auto start = std::chrono::steady_clock::now();
            std::memcpy(image.destination.data(), image.source.data(), 2 * n);
            benchmark::ClobberMemory();
            seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        std::nth_element(seconds.begin(), seconds.begin() + 4, seconds.end());
        image.memcpyBytesPerSecond = 2.0 * static_cast<double>(n) / seconds[4];
    }
    return image;
}

void report(benchmark::State& state, const Image& image, std::size_t bytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["vs_memcpy"] = benchmark::Counter(static_cast<double>(bytes) / image.memcpyBytesPerSecond,
                                                     benchmark::Counter::kIsIterationInvariantRate);
}

void memcpyImage(benchmark::State& state) {
    const auto width = static_cast<std::uint32_t>(state.range(0));
    const auto height = static_cast<std::uint32_t>(state.range(1));
    Image& image = imageFor(width, height);
    const std::size_t bytes = 2 * std::size_t{width} * height;
    for (auto _ : state) {
        std::memcpy(image.destination.data(), image.source.data(), bytes);
        benchmark::ClobberMemory();
    }
    report(state, image, bytes);
}

void flipImage(benchmark::State& state, Flip flip, bool oddSource) {
    const auto width = static_cast<std::uint32_t>(state.range(0));
    const auto height = static_cast<std::uint32_t>(state.range(1));
    Image& image = imageFor(width, height);
    // An odd address, as samples inside a mapped scan may have.
    const std::uint16_t* source = oddSource
        ? reinterpret_cast<const std::uint16_t*>(reinterpret_cast<const unsigned char*>(image.source.data()) + 1)
        : image.source.data();
    for (auto _ : state) {
        flip(image.destination.data(), source, width, height);
        benchmark::ClobberMemory();
    }
    report(state, image, 2 * std::size_t{width} * height);
}

void shapes(benchmark::internal::Benchmark* b) {
    b->Args({5000, 15000})->Args({4096, 4096})->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(memcpyImage)->Apply(shapes);
BENCHMARK_CAPTURE(flipImage, mainBlocked, flipMainDiagonalBlocked, false)->Apply(shapes);
BENCHMARK_CAPTURE(flipImage, mainRowByRow, flipMainDiagonalRowByRow, false)->Apply(shapes);
BENCHMARK_CAPTURE(flipImage, oppositeBlocked, flipOppositeDiagonalBlocked, false)->Apply(shapes);
BENCHMARK_CAPTURE(flipImage, oppositeRowByRow, flipOppositeDiagonalRowByRow, false)->Apply(shapes);
BENCHMARK_CAPTURE(flipImage, mainBlockedOddSource, flipMainDiagonalBlocked, true)->Apply(shapes);
// The kernel the blocked flips fall back on where the target has no SSE2.
BENCHMARK_CAPTURE(flipImage, mainBlockedPortable, flipMainDiagonalBlockedPortable, false)->Apply(shapes);

}  // namespace
