#pragma once

// The part of Google Benchmark's interface the benchmarks use, for builds where the library is
// not to be had (Debian has no MinGW build of it): register, time real or manual time, pause,
// count bytes and extra counters, and print one row per benchmark. Each benchmark runs one
// iteration to size itself, then as many as fill about half a second.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace benchmark {

enum TimeUnit { kNanosecond, kMicrosecond, kMillisecond, kSecond };

// Google Benchmark's counters are their own type; a plain number serves the benchmarks here.
using Counter = double;

class State {
public:
    State(std::vector<std::int64_t> arguments, std::int64_t iterations, bool manualTime);

    // Not trivially destructible, so that `for (auto _ : state)` draws no unused-variable warning.
    struct Iteration {
        ~Iteration() {}
    };
    class Iterator {
    public:
        Iterator(State* state, std::int64_t left) : state_(state), left_(left) {}
        Iteration operator*() const { return {}; }
        Iterator& operator++() {
            --left_;
            return *this;
        }
        bool operator!=(const Iterator&) const;

    private:
        State* state_;
        std::int64_t left_;
    };
    Iterator begin();
    Iterator end() { return Iterator(this, 0); }

    std::int64_t range(std::size_t index = 0) const { return arguments_.at(index); }
    std::int64_t iterations() const { return iterations_; }
    void PauseTiming();
    void ResumeTiming();
    void SetIterationTime(double seconds) { manualSeconds_ += seconds; }
    void SetBytesProcessed(std::int64_t bytes) { bytes_ = bytes; }
    void SkipWithError(const std::string& message);

    std::map<std::string, Counter> counters;

    // What the run measured, for the driver.
    double seconds() const { return manualTime_ ? manualSeconds_ : measuredSeconds_; }
    std::int64_t bytesProcessed() const { return bytes_; }
    const std::string& error() const { return error_; }

private:
    using Clock = std::chrono::steady_clock;
    std::vector<std::int64_t> arguments_;
    std::int64_t iterations_;
    bool manualTime_;
    Clock::time_point started_{};
    double measuredSeconds_ = 0;
    double manualSeconds_ = 0;
    std::int64_t bytes_ = 0;
    std::string error_;
};

namespace internal {

class Benchmark {
public:
    Benchmark(std::string name, std::function<void(State&)> run) : name_(std::move(name)), run_(std::move(run)) {}

    Benchmark* Args(const std::vector<std::int64_t>& arguments) {
        arguments_.push_back(arguments);
        return this;
    }
    Benchmark* Apply(void (*apply)(Benchmark*)) {
        apply(this);
        return this;
    }
    Benchmark* Unit(TimeUnit unit) {
        unit_ = unit;
        return this;
    }
    Benchmark* UseRealTime() { return this; }  // real time is all that is measured here
    Benchmark* UseManualTime() {
        manualTime_ = true;
        return this;
    }

    const std::string& name() const { return name_; }
    const std::vector<std::vector<std::int64_t>>& arguments() const { return arguments_; }
    TimeUnit unit() const { return unit_; }
    bool manualTime() const { return manualTime_; }
    void run(State& state) const { run_(state); }

private:
    std::string name_;
    std::function<void(State&)> run_;
    std::vector<std::vector<std::int64_t>> arguments_;
    TimeUnit unit_ = kNanosecond;
    bool manualTime_ = false;
};

Benchmark* Register(std::string name, std::function<void(State&)> run);

}  // namespace internal

template <class T>
inline void DoNotOptimize(T const& value) {
    asm volatile("" : : "r,m"(value) : "memory");
}

inline void ClobberMemory() { asm volatile("" : : : "memory"); }

}  // namespace benchmark

#define QUILLANE_BENCHMARK_JOIN2(a, b) a##b
#define QUILLANE_BENCHMARK_JOIN(a, b) QUILLANE_BENCHMARK_JOIN2(a, b)
#define BENCHMARK(function)                                                                  \
    static ::benchmark::internal::Benchmark* QUILLANE_BENCHMARK_JOIN(registered_, __LINE__) = \
        ::benchmark::internal::Register(#function, function)
#define BENCHMARK_CAPTURE(function, label, ...)                                              \
    static ::benchmark::internal::Benchmark* QUILLANE_BENCHMARK_JOIN(registered_, __LINE__) = \
        ::benchmark::internal::Register(#function "/" #label,                                 \
                                        [](::benchmark::State& state) { function(state, __VA_ARGS__); })
