// Writing channels and splitting whole files, as bytes of pixels per second, beside memcpy of
// the same bytes and an in-kernel copy of the input file (what cp does) in the same run. Each
// output is removed between iterations, untimed, so that every write makes a new file as the
// peer comparison's do.
#include "BenchFiles.h"
#include "SplitDriver.h"
#include "output/ChannelWriter.h"
#include "output/Flip.h"
#include "scan/ScanImage.h"
#include "split/SplitRun.h"

#include <benchmark/benchmark.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace {

using namespace quillane;
using bench::benchFolder;
using bench::scanFile;

constexpr std::uint32_t width = 5000;
constexpr std::uint32_t height = 15000;
constexpr std::size_t channelBytes = 2 * std::size_t{width} * height;

void removeOutputs(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".tif" && entry.path().filename().string().rfind("scan-", 0) != 0)
            std::filesystem::remove(entry.path());
}

// Writes channel 0 of the scan again and again, the file removed between writes untimed.
void timeChannelWrites(benchmark::State& state, ChannelWriter& writer) {
    const std::string output = benchFolder() + "/Red.tif";
    for (auto _ : state) {
        writer.writeChannel(output, 0);
        state.PauseTiming();
        std::filesystem::remove(output);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * channelBytes));
}

// Channel 0 straight from the mapped input, as a split without a flip writes it.
void writeChannelFromMapping(benchmark::State& state) {
    ScanImage scan;
    ChannelWriter writer(scan);
    scan.open(scanFile(width, height));
    scan.parse();
    timeChannelWrites(state, writer);
}

// Channel 0 from a flipped buffer in memory, as a split with a flip writes it.
void writeChannelFromMemory(benchmark::State& state) {
    ScanImage scan;
    scan.open(scanFile(width, height));
    scan.parse();
    ChannelBuffer flipped;
    flipped.allocate(2, scan.channels[0].pixelCount());
    flipChannel(scan, Diagonal::main, flipped.samples.data, scan.channels[0].samples.data);
    std::swap(scan.channels[0].samples.data, flipped.samples.data);
    std::swap(scan.channels[0].samples.owns, flipped.samples.owns);
    std::swap(scan.width, scan.height);
    ChannelWriter writer(scan);
    timeChannelWrites(state, writer);
}

// Channel 0 flipped as the split run flips it, band by band as it is written, in bands of
// state.range(0) KiB: the band size against its neighbours.
void writeChannelFlippedInBands(benchmark::State& state) {
    ScanImage scan;
    ChannelWriter writer(scan);
    scan.open(scanFile(width, height));
    scan.parse();
    writer.flipBandBytes = static_cast<std::size_t>(state.range(0)) << 10;
    writer.flipWhenWritten(true);
    timeChannelWrites(state, writer);
}

// Channel 0 of the mapped input flipped into memory as the split run flipped it before, its reads guarded
// against the file being cut short, beside the same flip of the same mapped bytes unguarded:
// what the guard costs.
void flipMappedChannel(benchmark::State& state, bool guarded) {
    ScanImage scan;
    scan.open(scanFile(width, height));
    scan.parse();
    ChannelBuffer flipped;
    flipped.allocate(2, scan.channels[0].pixelCount());
    const std::uint16_t* source = scan.channels[0].samples.data;
    for (auto _ : state) {
        if (guarded) {
            flipChannel(scan, Diagonal::main, flipped.samples.data, source);
        } else {
            scan.inputFile().prefetch(source, channelBytes);
            flipMainDiagonalBlocked(flipped.samples.data, source, width, height);
        }
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * channelBytes));
}

// The whole split of one file through the split run: open, parse, optional flips, both files.
void splitFile(benchmark::State& state, bool flip, bool mainDiagonal) {
    SplitOptions options;
    options.outputFolder = benchFolder();
    options.flip = flip;
    options.mainDiagonal = mainDiagonal;
    const std::string& input = scanFile(width, height);
    bench::NoPausePlatform platform;
    for (auto _ : state) {
        bench::NullSplitHost host(options, {input});
        SplitRun(host, platform);
        if (!host.done()) state.SkipWithError(host.lastMessage().c_str());
        state.PauseTiming();
        removeOutputs(benchFolder());
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 2 * channelBytes));
}

// What cp does: the whole input file copied in the kernel into a new file.
void copyInputFile(benchmark::State& state) {
    const std::string& input = scanFile(width, height);
    const std::string output = benchFolder() + "/copy.tif";
    for (auto _ : state) {
#ifdef _WIN32
        // CopyFileA, as Explorer and copy do.
        if (!::CopyFileA(input.c_str(), output.c_str(), FALSE)) throw std::runtime_error("cannot copy the input");
#else
        const int from = ::open(input.c_str(), O_RDONLY | O_CLOEXEC);
        const int to = ::open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (from < 0 || to < 0) throw std::runtime_error("cannot open the copy's files");
        while (::copy_file_range(from, nullptr, to, nullptr, std::size_t{1} << 30, 0) > 0) {
        }
        ::close(from);
        ::close(to);
#endif
        state.PauseTiming();
        std::filesystem::remove(output);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 2 * channelBytes));
}

void memcpyChannel(benchmark::State& state) { bench::memcpyRow(state, channelBytes); }
void memcpyTwoChannels(benchmark::State& state) { bench::memcpyRow(state, 2 * channelBytes); }

BENCHMARK(memcpyChannel)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(writeChannelFromMapping)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(writeChannelFromMemory)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(writeChannelFlippedInBands)
    ->Args({256})
    ->Args({1024})
    ->Args({4096})
    ->Args({8192})
    ->Args({16384})
    ->Args({32768})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(memcpyTwoChannels)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(copyInputFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(flipMappedChannel, guarded, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(flipMappedChannel, unguarded, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(splitFile, noFlip, false, false)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(splitFile, mainFlip, true, true)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(splitFile, oppositeFlip, true, false)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
