#include "platform/MappedFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillane {

namespace {

std::uint32_t lastError() { return static_cast<std::uint32_t>(errno); }

// Linux 5.14 and later; older kernels refuse it with EINVAL.
#if defined(__linux__) && !defined(MADV_POPULATE_READ)
constexpr int MADV_POPULATE_READ = 22;
#endif

}  // namespace

MappedFile::~MappedFile() {
    unmap();
    closeFile();
}

bool MappedFile::isOpen() const { return handle_ >= 0; }

std::uint32_t MappedFile::openForReading(const std::string& path) {
    // O_NONBLOCK keeps a named pipe given as input from blocking the window forever.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) return lastError();
    struct stat status {};
    if (::fstat(descriptor, &status) != 0) {
        const std::uint32_t error = lastError();
        ::close(descriptor);
        return error;
    }
    if (!S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return S_ISDIR(status.st_mode) ? EISDIR : ENODEV;
    }
    handle_ = descriptor;
    return 0;
}

std::uint32_t MappedFile::queryLength(std::uint64_t& length) const {
    struct stat status {};
    if (::fstat(static_cast<int>(handle_), &status) != 0) return lastError();
    length = static_cast<std::uint64_t>(status.st_size);
    return 0;
}

std::uint32_t MappedFile::mapWhole(std::uint64_t length) {
    if (length == 0) return EINVAL;  // mmap refuses an empty mapping with this same error
    void* address = ::mmap(nullptr, static_cast<std::size_t>(length), PROT_READ, MAP_PRIVATE, static_cast<int>(handle_), 0);
    if (address == MAP_FAILED) return lastError();
    view_ = static_cast<const std::uint8_t*>(address);
    length_ = length;
    return 0;
}

void MappedFile::prefetch(const void* start, std::uint64_t length) const {
    if (length == 0 || !holds(start, length)) return;
    // The advice takes whole pages: from the start of the page that holds the first byte.
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    const auto* first = static_cast<const std::uint8_t*>(start);
    void* from = const_cast<std::uint8_t*>(first - reinterpret_cast<std::uintptr_t>(first) % page);
    const auto span = static_cast<std::size_t>(first + length - static_cast<const std::uint8_t*>(from));
#if defined(__linux__)
    if (::madvise(from, span, MADV_POPULATE_READ) == 0) return;
    const int error = errno;
    if (error != EINVAL) return;
#endif
    // Where the pages cannot be mapped ahead, at least have them read ahead.
    ::madvise(from, span, MADV_WILLNEED);
}

std::uint32_t MappedFile::readAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const {
    got = 0;
    for (;;) {
        const ssize_t read = ::pread(static_cast<int>(handle_), buffer, count, static_cast<off_t>(offset));
        if (read >= 0) {
            got = static_cast<std::size_t>(read);
            return 0;
        }
        const std::uint32_t error = lastError();
        if (error != EINTR) return error;
    }
}

std::uint32_t MappedFile::unmap() {
    if (view_ == nullptr) return 0;
    if (::munmap(const_cast<std::uint8_t*>(view_), static_cast<std::size_t>(length_)) != 0) return lastError();
    view_ = nullptr;
    length_ = 0;
    return 0;
}

std::uint32_t MappedFile::closeFile() {
    if (handle_ < 0) return 0;
    const int descriptor = static_cast<int>(handle_);
    handle_ = -1;  // a failed close still releases the descriptor on Linux; never close it twice
    if (::close(descriptor) != 0) return lastError();
    return 0;
}

}  // namespace quillane
