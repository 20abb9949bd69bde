#include "FuzzInput.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace quillane::fuzz {

namespace {

// Scratch files live in memory where the system offers it: every split flushes its outputs to
// the disk, which on a real disk would slow a run down a hundredfold.
std::string scratchParent() {
    struct stat memory {};
    if (::stat("/dev/shm", &memory) == 0 && S_ISDIR(memory.st_mode) && ::access("/dev/shm", W_OK) == 0) return "/dev/shm";
    const char* temporary = std::getenv("TMPDIR");
    return temporary != nullptr && *temporary != '\0' ? temporary : "/tmp";
}

void removeScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(scratchFolder(), ignored);
}

}  // namespace

const std::string& scratchFolder() {
    // Never destroyed, so that the removal at exit still knows the name.
    static const std::string& folder = *[] {
        auto* pattern = new std::string(scratchParent() + "/quillane-fuzz-XXXXXX");
        if (::mkdtemp(pattern->data()) == nullptr) std::abort();
        std::atexit(removeScratchFolder);
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
