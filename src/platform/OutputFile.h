#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quillane {

class ProgressObserver;

// One output file, written in full and then put in place whole. The bytes go to a temporary
// file in the destination's folder; `commit` flushes them to the disk and only then gives the
// file the destination's name, and flushes the folder after, so that a failure half-way, a kill
// or a power cut never damages a file that was already there and never leaves a partial file
// under the name. Every failure throws FileError.
//
// The temporary has no name at all where the system allows it (Linux' O_TMPFILE), and on
// Windows the system deletes it unless it is committed, so that a kill or a crash leaves
// nothing. Where a named temporary must serve (a file system without unnamed files, or one that
// refuses to name them), it is hidden (".quillane-" and 16 letters and digits, ".tmp"), held by
// its writer while it is written, removed by the signal handling of `undoUnfinishedOutputsOnSignals`,
// and swept by the next output made in its folder by any process that can take it: one no
// writer holds any more.
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
    // Flushes what was written to the disk: the file is then complete and lacks only its name.
    void flushToDisk();
    // Flushes the file, gives it the destination's name (replacing a file there in one step),
    // closes it and flushes its folder.
    void commit();
    // Closes and removes the temporary without reporting anything; used after a failure.
    void abandon() noexcept;

    const std::string& destination() const { return destination_; }
    // The temporary's name while it has one; empty for an unnamed one.
    const std::string& temporaryPath() const { return temporary_; }

private:
    friend void commitTogether(OutputFile& first, OutputFile& second, std::vector<std::string>& changed);
    // Gives the finished temporary its name and closes it; on a failure nothing new stands at
    // the destination, unless a replaced file could not be kept (its replacement took the name).
    void takeName();
    void makeNamedTemporary();
    // Names an unnamed temporary: true when it took the destination's name at once, false when
    // it has a hidden name now, to be moved over the destination.
    bool nameUnnamed();
    // Where the system refuses to name an unnamed file: its bytes go to a named temporary.
    void moveIntoNamedTemporary();
    void fitPiece(std::size_t written, std::chrono::steady_clock::duration took);
    std::uint32_t flushObserved();
    template <class Call>
    std::uint32_t served(Call call);

    std::string destination_;
    std::string folder_;     // the destination's folder, where the temporary is
    std::string temporary_;  // the temporary's path while it has a name to remove
    std::intptr_t handle_ = -1;
    bool fileStood_ = false;  // a file stood at the destination when this one was created
    std::uint32_t mode_ = 0;  // that file's permissions (POSIX)
    bool unnamed_ = false;    // made without a name (O_TMPFILE)
    bool flushed_ = false;   // flushed to the disk
    std::uint64_t written_ = 0;         // bytes written from the start of the file
    std::uint64_t writingBackFrom_ = 0; // where the bytes the system was not yet asked to write back begin
    int signalSlot_ = -1;      // where signal handling finds the temporary's name
    ProgressObserver* progress_ = nullptr;
    std::size_t piece_ = std::size_t{1} << 20;
};

// Commits two finished files as one: both are flushed before either takes its name, and when
// the second cannot take its name the first one's destination gets back what stood there
// before (nothing, where nothing stood), so that both files change or neither. The file the
// first replaces is kept under a hidden name until the second is named. Each folder is flushed
// once at the end. `changed` receives every destination that holds a new file, also when a
// failure is thrown (a file that could not be put back). Throws FileError.
void commitTogether(OutputFile& first, OutputFile& second, std::vector<std::string>& changed);

// Throws FileError for what making an OutputFile for `destination` would refuse before writing
// anything (an existing file that may not be written, a path or name longer than the system
// takes); writes nothing.
void checkOutputDestination(const std::string& destination);

}  // namespace quillane
