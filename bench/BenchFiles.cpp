#include "BenchFiles.h"

#include "ScanFile.h"

#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <utility>
#include <vector>

namespace quillane::bench {

namespace {

class Folder {
public:
    Folder() {
        std::random_device random;
        path_ = (std::filesystem::temp_directory_path() / ("quillane-bench-" + std::to_string(random()))).string();
        std::filesystem::create_directories(path_);
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace

const std::string& benchFolder() {
    static const Folder folder;
    return folder.path();
}

const std::string& scanFile(std::uint32_t width, std::uint32_t height) {
    static std::map<std::pair<std::uint32_t, std::uint32_t>, std::string> files;
    std::string& path = files[{width, height}];
    if (path.empty()) {
        const std::string name = benchFolder() + "/scan-" + std::to_string(width) + "x" + std::to_string(height) + ".tif";
        writeScanFile(name, ScanFileShape{width, height, false});
        path = name;
    }
    return path;
}

void memcpyRow(benchmark::State& state, std::size_t bytes) {
    std::vector<unsigned char> source(bytes, 1), destination(bytes, 2);
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}

}  // namespace quillane::bench
