// The driver behind the fallback benchmark interface: runs every registered benchmark whose name
// matches --benchmark_filter (a regular expression) and prints a row for each.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <regex>

namespace benchmark {

State::State(std::vector<std::int64_t> arguments, std::int64_t iterations, bool manualTime)
    : arguments_(std::move(arguments)), iterations_(iterations), manualTime_(manualTime) {}

State::Iterator State::begin() {
    started_ = Clock::now();
    return Iterator(this, iterations_);
}

bool State::Iterator::operator!=(const Iterator&) const {
    if (left_ > 0 && state_->error_.empty()) return true;
    state_->PauseTiming();
    return false;
}

void State::PauseTiming() {
    measuredSeconds_ += std::chrono::duration<double>(Clock::now() - started_).count();
}

void State::ResumeTiming() { started_ = Clock::now(); }

void State::SkipWithError(const std::string& message) { error_ = message; }

namespace internal {

std::vector<std::unique_ptr<Benchmark>>& registered() {
    static std::vector<std::unique_ptr<Benchmark>> all;
    return all;
}

Benchmark* Register(std::string name, std::function<void(State&)> run) {
    registered().push_back(std::make_unique<Benchmark>(std::move(name), std::move(run)));
    return registered().back().get();
}

}  // namespace internal

}  // namespace benchmark

namespace {

using benchmark::internal::Benchmark;

const char* unitName(benchmark::TimeUnit unit) {
    switch (unit) {
    case benchmark::kSecond: return "s";
    case benchmark::kMillisecond: return "ms";
    case benchmark::kMicrosecond: return "us";
    default: return "ns";
    }
}

double inUnit(double seconds, benchmark::TimeUnit unit) {
    switch (unit) {
    case benchmark::kSecond: return seconds;
    case benchmark::kMillisecond: return seconds * 1e3;
    case benchmark::kMicrosecond: return seconds * 1e6;
    default: return seconds * 1e9;
    }
}

// The name with its arguments, as Google Benchmark prints it: flipImage/mainBlocked/5000/15000.
std::string fullName(const Benchmark& benchmark, const std::vector<std::int64_t>& arguments) {
    std::string name = benchmark.name();
    for (const std::int64_t argument : arguments) name.append(1, '/').append(std::to_string(argument));
    return name;
}

void runOne(const Benchmark& benchmark, const std::vector<std::int64_t>& arguments, double minSeconds) {
    const std::string name = fullName(benchmark, arguments);

    // One iteration to size the run, then enough to fill the minimum time.
    benchmark::State probe(arguments, 1, benchmark.manualTime());
    benchmark.run(probe);
    benchmark::State* result = &probe;
    std::unique_ptr<benchmark::State> timed;
    if (probe.error().empty() && probe.seconds() < minSeconds) {
        const double each = std::max(probe.seconds(), 1e-9);
        const auto iterations = static_cast<std::int64_t>(std::min(1e9, minSeconds / each * 1.2 + 1));
        timed = std::make_unique<benchmark::State>(arguments, iterations, benchmark.manualTime());
        benchmark.run(*timed);
        result = timed.get();
    }
    if (!result->error().empty()) {
        std::printf("%-60s ERROR: %s\n", name.c_str(), result->error().c_str());
        return;
    }
    const double perIteration = result->seconds() / static_cast<double>(result->iterations());
    std::printf("%-60s %12.3f %-2s %8lld", name.c_str(), inUnit(perIteration, benchmark.unit()),
                unitName(benchmark.unit()), static_cast<long long>(result->iterations()));
    if (result->bytesProcessed() > 0 && result->seconds() > 0)
        std::printf("  bytes_per_second=%.4gG/s", static_cast<double>(result->bytesProcessed()) / result->seconds() / (1 << 30));
    for (const auto& [counter, value] : result->counters) std::printf("  %s=%.4g", counter.c_str(), value);
    std::printf("\n");
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::regex filter(".*");
    double minSeconds = 0.5;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strncmp(argument, "--benchmark_filter=", 19) == 0) {
            filter = std::regex(argument + 19);
        } else if (std::strncmp(argument, "--benchmark_min_time=", 21) == 0) {
            minSeconds = std::atof(argument + 21);
        } else {
            std::fprintf(stderr, "usage: %s [--benchmark_filter=<regex>] [--benchmark_min_time=<seconds>]\n", argv[0]);
            return 2;
        }
    }
    std::printf("%-60s %15s %8s\n", "Benchmark", "Time", "Iterations");
    for (const auto& benchmark : benchmark::internal::registered()) {
        std::vector<std::vector<std::int64_t>> runs = benchmark->arguments();
        if (runs.empty()) runs.push_back({});
        for (const auto& arguments : runs) {
            if (std::regex_search(fullName(*benchmark, arguments), filter)) runOne(*benchmark, arguments, minSeconds);
        }
    }
    return 0;
}
