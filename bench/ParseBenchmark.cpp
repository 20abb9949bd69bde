// Loading a scan at two sizes a hundred times apart: the time to open and to parse must stay
// the same, since the load maps the file and reads only its directories, never its samples.
// Bytes per second count the whole file, so they grow with it while the time stays flat; the
// memcpy row copies the same bytes for scale.
#include "BenchFiles.h"
#include "scan/ScanImage.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>

namespace {

using quillane::ScanImage;
using quillane::bench::scanFile;

std::size_t fileBytes(const std::string& path) { return static_cast<std::size_t>(std::filesystem::file_size(path)); }

// parse() alone on an opened scan.
void parseScan(benchmark::State& state) {
    const std::string& path = scanFile(static_cast<std::uint32_t>(state.range(0)), static_cast<std::uint32_t>(state.range(1)));
    ScanImage scan;
    scan.open(path);
    for (auto _ : state) {
        scan.parse();
        benchmark::DoNotOptimize(scan.channels[1].samples.data);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes(path)));
}

// The whole load: open (map), parse, close (unmap).
void openParseClose(benchmark::State& state) {
    const std::string& path = scanFile(static_cast<std::uint32_t>(state.range(0)), static_cast<std::uint32_t>(state.range(1)));
    for (auto _ : state) {
        ScanImage scan;
        scan.open(path);
        scan.parse();
        benchmark::DoNotOptimize(scan.channels[1].samples.data);
        scan.close();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes(path)));
}

void memcpyScan(benchmark::State& state) {
    const std::string& path = scanFile(static_cast<std::uint32_t>(state.range(0)), static_cast<std::uint32_t>(state.range(1)));
    quillane::bench::memcpyRow(state, fileBytes(path));
}

void sizes(benchmark::internal::Benchmark* b) { b->Args({500, 1500})->Args({5000, 15000})->UseRealTime(); }

BENCHMARK(parseScan)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(openParseClose)->Apply(sizes)->Unit(benchmark::kMicrosecond);
BENCHMARK(memcpyScan)->Apply(sizes)->Unit(benchmark::kMillisecond);

}  // namespace
