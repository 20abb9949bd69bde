#include "FuzzInput.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

namespace quillane::fuzz {

const std::string& scratchFolder() {
    static const std::string folder = [] {
        std::string pattern = "/tmp/quillane-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern;
    }();
    return folder;
}

const std::string& writeInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = scratchFolder() + "/input.tif";
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (descriptor < 0) std::abort();
    std::size_t done = 0;
    while (done < size) {
        const ssize_t written = ::write(descriptor, data + done, size - done);
        if (written <= 0) std::abort();
        done += static_cast<std::size_t>(written);
    }
    ::close(descriptor);
    return path;
}

void touch(const std::uint8_t* bytes, std::size_t count) {
    volatile std::uint8_t sum = 0;
    for (std::size_t i = 0; i < count; ++i) sum = static_cast<std::uint8_t>(sum + bytes[i]);
    (void)sum;
}

}  // namespace quillane::fuzz
