#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>

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
    // Reads up to `count` bytes of the file from `offset` on into `buffer`, from the file as it is
    // now rather than through the mapping, and says in `got` how many came: 0 at the file's end.
    // Returns the operating system's error number, 0 on success.
    std::uint32_t readAt(std::uint64_t offset, void* buffer, std::size_t count, std::size_t& got) const;

    // Whether the `length` bytes from `start` lie inside the mapping.
    bool holds(const void* start, std::uint64_t length) const {
        const auto* first = static_cast<const std::uint8_t*>(start);
        return view_ != nullptr && first >= view_ && static_cast<std::uint64_t>(first - view_) <= length_ &&
               length <= length_ - static_cast<std::uint64_t>(first - view_);
    }
    // Maps in, in one go, the pages of `length` bytes from `start` (inside the mapping) that are
    // about to be read through: faulting a large mapping in a few pages at a time costs as much
    // again as copying it. Only a hint, so nothing is reported; a part that cannot be mapped (a
    // file cut short meanwhile) is left for the read itself to fail on.
    void prefetch(const void* start, std::uint64_t length) const;

    // Runs `read`, which reads bytes of this mapping, and tells whether it got through. Another
    // program may cut the file short while it is mapped (or, on Windows, the medium under it may
    // fail); reading a page the file no longer has then ends `read` early and gives false,
    // instead of ending the program. Being cut short, `read` must have nothing to clean up:
    // plain loops over bytes, no objects with destructors, nothing allocated or locked.
    //
    // The guard covers the reads of the calling thread only (a thread `read` starts has none),
    // and any number of threads may run guarded reads at once, of one mapping or of several.
    // While any guarded read runs, the process's SIGBUS handler (on Windows, a vectored
    // exception handler) is the guard's; it passes every fault it does not take on to the
    // handling that was there before, and that handling is back in place once the last guarded
    // read has ended, however it ended: returning, cut short, or by an exception from `read`,
    // which goes on to the caller. Code that changes SIGBUS's handling while a guarded read
    // runs gets it undone when the reads end.
    template <class Read>
    bool readGuarded(Read&& read) const {
        std::uint32_t ignored = 0;
        return readGuarded(std::forward<Read>(read), ignored);
    }
    // The same, telling in `error` why a read that did not get through failed: 0 when the page
    // now lies past the file's end (the file was cut short), else the operating system's error
    // number for the page that could not be read (a failing disk or a network drive gone).
    template <class Read>
    bool readGuarded(Read&& read, std::uint32_t& error) const {
        using Callable = std::remove_reference_t<Read>;
        return runGuarded([](void* context) { (*static_cast<Callable*>(context))(); },
                          const_cast<void*>(static_cast<const void*>(std::addressof(read))), error);
    }

private:
    bool runGuarded(void (*read)(void* context), void* context, std::uint32_t& error) const;

    std::intptr_t handle_ = -1;
    const std::uint8_t* view_ = nullptr;
    std::uint64_t length_ = 0;
};

}  // namespace quillane
