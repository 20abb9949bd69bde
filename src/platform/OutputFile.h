#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quillane {

class ProgressObserver;

// One output file, written in full and then put in place whole. The bytes go to a temporary
// file in the destination's folder; `commit` gives it the destination's name only after the
// last byte is written and the file is closed, so a failure half-way never damages a file
// that was already there and never leaves a partial file behind. Every failure throws
// FileError.
//
// The temporary has no name at all where the system allows it (Linux' O_TMPFILE), and on
// Windows the system deletes it unless it is committed, so that a kill or a crash leaves
// nothing. Where a named temporary must serve (a file system without unnamed files), it is
// hidden (".quillane-<machine>-<process>-<n>.tmp"), removed by the signal handling of
// `removeTemporariesOnSignals`, and swept by the next output made in its folder once its
// process is gone.
class OutputFile {
public:
    // Creates the temporary beside `destination`, open for reading and writing. An existing
    // destination that may not be written is refused here, as opening it would be.
    explicit OutputFile(std::string destination);
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    // Abandons the file when it was not committed.
    virtual ~OutputFile();

    // Long work on the file (a large write, flushing it, closing it) tells `observer` it is still
    // under way; a stop the observer throws leaves the file to be abandoned. Observed, the file
    // is written in pieces that take the disk about a twentieth of a second each.
    void reportProgressTo(ProgressObserver* observer);

    void write(const void* bytes, std::size_t count);
    // How much goes to the system in one call now; a caller on another thread that must be able
    // to stop soon writes no more at a time.
    std::size_t pieceBytes() const { return piece_; }
    // The current position (a seek of 0 from the current position).
    std::uint64_t position();
    void seekToStart();
    // Closes the temporary and renames it over the destination; when that replaces an existing
    // file, flushes the temporary to the disk first.
    void commit();
    // Closes and removes the temporary without reporting anything; used after a failure.
    void abandon() noexcept;

    const std::string& destination() const { return destination_; }
    // The temporary's name while it has one; empty for an unnamed one.
    const std::string& temporaryPath() const { return temporary_; }

private:
    void nameTemporary();
    void fitPiece(std::size_t written, std::chrono::steady_clock::duration took);
    template <class Call>
    std::uint32_t observed(Call call);

    std::string destination_;
    std::string folder_;     // the destination's folder, where the temporary is
    std::string temporary_;  // the temporary's path while it has a name to remove
    std::intptr_t handle_ = -1;
    bool replacing_ = false;  // a file stood at the destination when this one was created
    bool unnamed_ = false;    // made without a name (O_TMPFILE)
    bool vanishes_ = false;   // named, but the system removes it on close (Windows)
    int watchSlot_ = -1;      // where signal handling finds the temporary's name
    ProgressObserver* progress_ = nullptr;
    std::size_t piece_ = std::size_t{1} << 20;
};

// Has the signals that end a program (Ctrl-C, SIGTERM, SIGHUP, SIGQUIT, a broken pipe and the
// crashes) first remove the named temporaries of the output files being written, then end the
// program as the signal would have. A program calls it once at its start, before any output is
// made; a library leaves signals to its host. Nothing to do on Windows, which removes the
// temporaries itself.
void removeTemporariesOnSignals();

}  // namespace quillane
