#pragma once

#include <cstdint>
#include <string>

namespace quillane {

// An input file opened for reading only and mapped whole, read-only and private, so that the
// program can never change it. Each step reports the operating system's error number (0 on
// success) so that the caller can compose its own message; nothing here throws.
class MappedFile {
public:
    MappedFile() = default;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    ~MappedFile();

    // Opens an existing regular file for reading; other readers may open it too.
    std::uint32_t openForReading(const std::string& path);
    // The file's length in bytes, as the system reports it at this moment.
    std::uint32_t queryLength(std::uint64_t& length) const;
    // Maps the whole file (the length given) read-only; a length of 0 cannot be mapped.
    std::uint32_t mapWhole(std::uint64_t length);

    // Each release step is safe to call when there is nothing to release.
    std::uint32_t unmap();
    std::uint32_t closeFile();

    bool isOpen() const;
    bool isMapped() const { return view_ != nullptr; }
    const std::uint8_t* view() const { return view_; }
    std::uint64_t mappedLength() const { return length_; }
    // The operating system's handle of the open file (a descriptor on POSIX), for in-kernel copies.
    std::intptr_t nativeHandle() const { return handle_; }

    // Whether the `length` bytes from `start` lie inside the mapping.
    bool holds(const void* start, std::uint64_t length) const;
    // Maps in, in one go, the pages of `length` bytes from `start` (inside the mapping) that are
    // about to be read through: faulting a large mapping in a few pages at a time costs as much
    // again as copying it. Only a hint, so nothing is reported; a part that cannot be mapped (a
    // file cut short meanwhile) is left for the read itself to fail on.
    void prefetch(const void* start, std::uint64_t length) const;

private:
    std::intptr_t handle_ = -1;
    const std::uint8_t* view_ = nullptr;
    std::uint64_t length_ = 0;
};

}  // namespace quillane
