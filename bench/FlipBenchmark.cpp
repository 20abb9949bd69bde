// Flip throughput in bytes per second beside memcpy of the same bytes. Each flip row also
// reports "vs_memcpy": its speed over memcpy's, with a memcpy of the same image timed right
// before every flip, so that both see the same moment of a shared machine.
#include "output/Flip.h"
#include "scan/ChannelBuffer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace {

using namespace quillane;

using Flip = void (*)(std::uint16_t*, const std::uint16_t*, std::uint32_t, std::uint32_t);

// One source and one destination per shape, filled once so that every page is mapped before
// any timing starts. The source carries one spare sample so it can also start at an odd address.
struct Image {
    std::vector<std::uint16_t> source;
    std::vector<std::uint16_t> destination;
};

Image& imageFor(std::uint32_t width, std::uint32_t height) {
    static std::map<std::pair<std::uint32_t, std::uint32_t>, Image> images;
    Image& image = images[{width, height}];
    if (image.source.empty()) {
        const std::size_t n = std::size_t{width} * height;
        image.source.resize(n + 1);
        for (std::size_t i = 0; i < image.source.size(); ++i) image.source[i] = static_cast<std::uint16_t>(i * 2654435761u >> 7);
        image.destination.assign(n, 1);
    }
    return image;
}

double secondsOf(auto&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    benchmark::ClobberMemory();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Times `flip` by hand, each run preceded by a memcpy of the same bytes into the same place.
template <class Work>
void timeAgainstMemcpy(benchmark::State& state, Image& image, std::size_t bytes, Work&& flip) {
    double memcpySeconds = 0;
    double flipSeconds = 0;
    for (auto _ : state) {
        memcpySeconds += secondsOf([&] { std::memcpy(image.destination.data(), image.source.data(), bytes); });
        const double seconds = secondsOf(flip);
        flipSeconds += seconds;
        state.SetIterationTime(seconds);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
    state.counters["vs_memcpy"] = memcpySeconds / flipSeconds;
}

std::uint32_t widthOf(const benchmark::State& state) { return static_cast<std::uint32_t>(state.range(0)); }
std::uint32_t heightOf(const benchmark::State& state) { return static_cast<std::uint32_t>(state.range(1)); }

void memcpyImage(benchmark::State& state) {
    const std::uint32_t width = widthOf(state);
    const std::uint32_t height = heightOf(state);
    Image& image = imageFor(width, height);
    const std::size_t bytes = 2 * std::size_t{width} * height;
    for (auto _ : state) {
        std::memcpy(image.destination.data(), image.source.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

void flipImage(benchmark::State& state, Flip flip, bool oddSource) {
    const std::uint32_t width = widthOf(state);
    const std::uint32_t height = heightOf(state);
    Image& image = imageFor(width, height);
    // An odd address, as samples inside a mapped scan may have.
    const std::uint16_t* source = oddSource
        ? reinterpret_cast<const std::uint16_t*>(reinterpret_cast<const unsigned char*>(image.source.data()) + 1)
        : image.source.data();
    timeAgainstMemcpy(state, image, 2 * std::size_t{width} * height,
                      [&] { flip(image.destination.data(), source, width, height); });
}

// The main flip in tiles of state.range(2) rows by state.range(3) columns.
void flipTiles(benchmark::State& state) {
    const std::uint32_t width = widthOf(state);
    const std::uint32_t height = heightOf(state);
    Image& image = imageFor(width, height);
    const FlipTile tile{static_cast<std::uint32_t>(state.range(2)), static_cast<std::uint32_t>(state.range(3))};
    timeAgainstMemcpy(state, image, 2 * std::size_t{width} * height,
                      [&] { flipMainDiagonalTiled(image.destination.data(), image.source.data(), width, height, tile); });
}

// Into a new buffer each time, as the split run flips: the first touch of its pages counts.
// allocate() asks for huge pages; the plain array beside it does not.
void flipIntoNewBuffer(benchmark::State& state, bool throughAllocate) {
    const std::uint32_t width = widthOf(state);
    const std::uint32_t height = heightOf(state);
    Image& image = imageFor(width, height);
    const std::uint32_t n = width * height;
    timeAgainstMemcpy(state, image, 2 * std::size_t{n}, [&] {
        ChannelBuffer buffer;
        if (throughAllocate) {
            buffer.allocate(2, n);
        } else {
            buffer.samples.data = new std::uint16_t[n];
            buffer.samples.owns = true;
        }
        flipMainDiagonalBlocked(buffer.samples.data, image.source.data(), width, height);
        benchmark::DoNotOptimize(buffer.samples.data);
    });
}

void shapes(benchmark::internal::Benchmark* b) {
    b->Args({5000, 15000})->Args({4096, 4096})->Unit(benchmark::kMillisecond)->UseRealTime();
}

void manualShapes(benchmark::internal::Benchmark* b) {
    b->Args({5000, 15000})->Args({4096, 4096})->Unit(benchmark::kMillisecond)->UseManualTime();
}

// The tile sizes around the chosen 512 × 1024, on a width that is not a power of two and on
// power-of-two widths, where the rows of a tile compete for the same cache sets.
void tiles(benchmark::internal::Benchmark* b) {
    for (const auto& [width, height] : {std::pair{5000, 15000}, {4096, 4096}, {4096, 8192}})
        for (const auto& [rows, columns] : {std::pair{512, 1024}, {1024, 512}, {256, 1024}, {512, 512}, {256, 256}, {128, 128}, {64, 2048}})
            b->Args({width, height, rows, columns});
    b->Unit(benchmark::kMillisecond)->UseManualTime();
}

BENCHMARK(memcpyImage)->Apply(shapes);
BENCHMARK_CAPTURE(flipImage, mainBlocked, flipMainDiagonalBlocked, false)->Apply(manualShapes);
BENCHMARK_CAPTURE(flipImage, oppositeBlocked, flipOppositeDiagonalBlocked, false)->Apply(manualShapes);
BENCHMARK_CAPTURE(flipImage, mainRowByRow, flipMainDiagonalRowByRow, false)->Apply(manualShapes);
BENCHMARK_CAPTURE(flipImage, oppositeRowByRow, flipOppositeDiagonalRowByRow, false)->Apply(manualShapes);
BENCHMARK_CAPTURE(flipImage, mainBlockedOddSource, flipMainDiagonalBlocked, true)->Apply(manualShapes);
// The kernel the blocked flips fall back on where the target has no SSE2.
BENCHMARK_CAPTURE(flipImage, mainBlockedPortable, flipMainDiagonalBlockedPortable, false)->Apply(manualShapes);
BENCHMARK_CAPTURE(flipImage, oppositeBlockedPortable, flipOppositeDiagonalBlockedPortable, false)->Apply(manualShapes);
BENCHMARK(flipTiles)->Apply(tiles);
BENCHMARK_CAPTURE(flipIntoNewBuffer, allocateWithHugePages, true)->Apply(manualShapes);
BENCHMARK_CAPTURE(flipIntoNewBuffer, plainArray, false)->Apply(manualShapes);

}  // namespace
