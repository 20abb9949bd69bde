#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quillane {

// One output file, written in full and then put in place whole. The bytes go to a temporary
// file in the destination's folder; `commit` renames it over the destination only after the
// last byte is written and the file is closed, so a failure half-way never damages a file
// that was already there and never leaves a partial file behind. Every failure throws
// FileError.
class OutputFile {
public:
    // Creates the temporary beside `destination`, open for reading and writing. An existing
    // destination that may not be written is refused here, as opening it would be.
    explicit OutputFile(std::string destination);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Abandons the file when it was not committed.
    virtual ~OutputFile();

    void write(const void* bytes, std::size_t count);
    // The current position (a seek of 0 from the current position).
    std::uint64_t position();
    void seekToStart();
    // Closes the temporary and renames it over the destination; when that replaces an existing
    // file, flushes the temporary to the disk first.
    void commit();
    // Closes and removes the temporary without reporting anything; used after a failure.
    void abandon() noexcept;

    const std::string& destination() const { return destination_; }
    const std::string& temporaryPath() const { return temporary_; }

private:
    std::string destination_;
    std::string temporary_;
    std::intptr_t handle_ = -1;
    bool replacing_ = false;  // a file stood at the destination when this one was created
};

}  // namespace quillane
