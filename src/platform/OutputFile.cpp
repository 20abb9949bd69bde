#include "platform/OutputFile.h"

#include "platform/FileSystemCalls.h"
#include "platform/FolderListing.h"
#include "platform/OutputFileSystem.h"
#include "platform/ProgressObserver.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <exception>
#include <future>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace quillane {

namespace {

using namespace outputsystem;

// Null while the system's own calls are in use.
std::atomic<const FileSystemCalls*> replacedCalls{nullptr};

constexpr std::string_view temporaryPrefix = ".quillane-";
constexpr std::string_view temporaryExtension = ".tmp";

// The machine's name, shortened to a number: a folder on a network share is written by
// several machines, and a process number means something only on the machine that runs it.
const std::string& machineTag() {
    static const std::string tag = [] {
        std::uint32_t hash = 2166136261u;  // FNV-1a
        for (const char c : hostName()) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
        char text[9];
        const auto end = std::to_chars(text, text + 8, hash, 16).ptr;
        return std::string(text, end);
    }();
    return tag;
}

std::string ownStem() {
    return std::string(temporaryPrefix) + machineTag() + '-' + std::to_string(processId()) + '-';
}

// A name of its own for each temporary this process makes.
std::string nextTemporaryName() {
    static std::atomic<unsigned> serial{0};
    return ownStem() + std::to_string(serial++) + std::string(temporaryExtension);
}

// The process that made a temporary named by this program on this machine, or 0 for any other name.
std::uint32_t temporaryOwner(std::string_view name) {
    const std::string prefix = std::string(temporaryPrefix) + machineTag() + '-';
    if (name.substr(0, prefix.size()) != prefix || name.size() < temporaryExtension.size() ||
        name.substr(name.size() - temporaryExtension.size()) != temporaryExtension)
        return 0;
    name.remove_prefix(prefix.size());
    name.remove_suffix(temporaryExtension.size());
    std::uint32_t owner = 0;
    const auto [afterOwner, ownerError] = std::from_chars(name.data(), name.data() + name.size(), owner);
    if (ownerError != std::errc() || afterOwner == name.data() + name.size() || *afterOwner != '-') return 0;
    unsigned serial = 0;
    const auto [end, serialError] = std::from_chars(afterOwner + 1, name.data() + name.size(), serial);
    if (serialError != std::errc() || end != name.data() + name.size()) return 0;
    return owner;
}

// Removes the temporaries that processes of this machine left in `folder` and that outlived
// them (a kill between naming a temporary and putting it in place, a power cut, a file system
// without unnamed files). Each folder once per process: a temporary can only be left by a
// process that is gone, and one sweep finds all of them.
void sweepOnce(const std::string& folder) {
    static std::mutex guard;
    static std::set<std::string> swept;
    {
        const std::lock_guard<std::mutex> lock(guard);
        if (!swept.insert(folder).second) return;
    }
    const std::uint32_t self = processId();
    for (const std::string& path : filesInFolder(folder.empty() ? std::string(".") : folder)) {
        const std::string name = path.substr(folderOf(path).size());
        const std::uint32_t owner = temporaryOwner(name);
        if (owner != 0 && owner != self && processGone(owner)) remove(folder + name);
    }
}

}  // namespace

const FileSystemCalls& fileSystemCalls() {
    const FileSystemCalls* replaced = replacedCalls.load();
    return replaced != nullptr ? *replaced : systemFileSystemCalls();
}

ReplacedFileSystemCalls::ReplacedFileSystemCalls(const FileSystemCalls& replacement)
    : previous_(replacedCalls.exchange(&replacement)) {}

ReplacedFileSystemCalls::~ReplacedFileSystemCalls() { replacedCalls.store(previous_); }

OutputFile::OutputFile(std::string destination) : destination_(std::move(destination)) {
    Existing existing;
    if (const Error error = checkDestination(destination_, existing)) fail(error, true, destination_);
    folder_ = folderOf(destination_);
    sweepOnce(folder_);

    Handle handle = noHandle;
    Error error = createUnnamed(folder_, handle);
    unnamed_ = error == 0;
    if (error != 0 && !unnamedUnsupported(error)) fail(error, true, destination_);
    while (!unnamed_) {
        // A hidden name beside the destination, so that the final rename stays on one file system.
        // Watched before it exists, so that no signal finds it made but not yet watched.
        const std::string name = nextTemporaryName();
        watchSlot_ = watchTemporary(folder_, name);
        bool vanishesOnClose = false;
        error = createNamed(folder_ + name, handle, vanishesOnClose);
        if (error == 0) {
            temporary_ = folder_ + name;
            vanishes_ = vanishesOnClose;
            break;
        }
        forgetTemporary(watchSlot_);
        watchSlot_ = -1;
        if (!alreadyExists(error)) fail(error, true, destination_);
    }
    handle_ = handle;
    adopt(handle, existing);
    replacing_ = existing.replacing;
}

OutputFile::~OutputFile() { abandon(); }

// A large write goes to the system a megabyte at a time at most. Handed hundreds of megabytes at
// once, the file cache takes them in huge-page-sized blocks, and fresh blocks that size can cost
// several times the copy itself (on a virtual machine that gives free ones back to its host, many
// times); below that size they come from memory in use all along. WriteFile takes at most a
// DWORD's worth in any case.
constexpr std::size_t largestPiece = std::size_t{1} << 20;
// Where the disk is slow, pieces go down to this.
constexpr std::size_t smallestPiece = std::size_t{8} << 10;
constexpr std::chrono::milliseconds pieceTime{50};

void OutputFile::reportProgressTo(ProgressObserver* observer) {
    progress_ = observer;
    // The first piece is small, since a slow disk is known only by the time a piece takes.
    piece_ = observer != nullptr ? smallestPiece : largestPiece;
}

void OutputFile::write(const void* bytes, std::size_t count) {
    const auto* next = static_cast<const std::uint8_t*>(bytes);
    while (count > 0) {
        const auto started = std::chrono::steady_clock::now();
        std::size_t written = 0;
        if (const Error error = writeSome(handle_, next, std::min(count, piece_), written))
            fail(error, false, fullPathOf(destination_));
        // The system took nothing and reported nothing: the disk is full.
        if (written == 0) throw FileError(FileError::diskFull, 0, fullPathOf(destination_));
        next += written;
        count -= written;
        if (progress_ != nullptr) {
            fitPiece(written, std::chrono::steady_clock::now() - started);
            progress_->stillWorking();
        }
    }
}

// A whole piece that went in well under its time lets the next be twice as large; one that took
// longer makes the next as large as the disk takes in that time.
void OutputFile::fitPiece(std::size_t written, std::chrono::steady_clock::duration took) {
    if (written >= piece_ && took <= pieceTime / 2) {
        piece_ = std::min(piece_ * 2, largestPiece);
    } else if (took > pieceTime) {
        const auto share = static_cast<double>(pieceTime.count()) /
                           static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(took).count());
        piece_ = std::max(smallestPiece, static_cast<std::size_t>(static_cast<double>(written) * share));
    }
}

std::uint64_t OutputFile::position() {
    std::uint64_t at = 0;
    if (const Error error = seek(handle_, false, at)) fail(error, false, fullPathOf(destination_));
    return at;
}

void OutputFile::seekToStart() {
    std::uint64_t at = 0;
    if (const Error error = seek(handle_, true, at)) fail(error, false, fullPathOf(destination_));
}

// Flushing a file or closing it can take as long as writing it did, on a share that takes the
// bytes only then: the call goes to a thread of its own while this one goes on telling the observer.
// A stop thrown meanwhile waits for the call, since the file cannot be let go of before it returns.
template <class Call>
std::uint32_t OutputFile::observed(Call call) {
    if (progress_ == nullptr) return call();
    std::future<Error> pending;
    try {
        pending = std::async(std::launch::async, call);
    } catch (const std::system_error&) {
        return call();  // no thread to be had: called here, unobserved
    }
    std::exception_ptr stop;
    while (pending.wait_for(progress_->interval()) != std::future_status::ready) {
        try {
            progress_->stillWorking();
        } catch (...) {
            if (!stop) stop = std::current_exception();
        }
    }
    const Error error = pending.get();
    if (stop) std::rethrow_exception(stop);
    return error;
}

// An unnamed temporary that replaces nothing takes the destination's name at once; one that
// replaces a file gets a hidden name first, since only a rename replaces a file in one step.
// A named one is kept from vanishing on close.
void OutputFile::nameTemporary() {
    if (!unnamed_) {
        if (vanishes_) {
            if (const Error error = keep(handle_)) fail(error, false, fullPathOf(destination_));
            vanishes_ = false;
        }
        return;
    }
    if (!replacing_) {
        const Error error = link(handle_, destination_);
        if (error == 0) {
            // Ours alone until the descriptor is closed: a failure to close removes it again.
            temporary_ = destination_;
            return;
        }
        if (!alreadyExists(error)) fail(error, true, destination_);
        // A file appeared there meanwhile; it is replaced as any other, flushed first.
        const Handle handle = handle_;
        if (const Error flushError = observed([handle] { return flush(handle); }))
            fail(flushError, false, fullPathOf(destination_));
    }
    for (;;) {
        const std::string name = nextTemporaryName();
        watchSlot_ = watchTemporary(folder_, name);
        const Error error = link(handle_, folder_ + name);
        if (error == 0) {
            temporary_ = folder_ + name;
            return;
        }
        forgetTemporary(watchSlot_);
        watchSlot_ = -1;
        if (!alreadyExists(error)) fail(error, true, destination_);
    }
}

void OutputFile::commit() {
    // When a file is replaced, the bytes reach the disk before the name moves over it, so that a
    // crash cannot leave an empty file where a good one was, and a failure the system reports
    // only on flushing (an I/O error) fails the write instead of passing unnoticed. A new file
    // has nothing to protect, and waiting for the disk would make writing it cost several times
    // a copy of its bytes, so it is left to the system's own write-back, as a copy is.
    if (replacing_) {
        const Handle handle = handle_;
        if (const Error error = observed([handle] { return flush(handle); })) fail(error, false, fullPathOf(destination_));
    }
    nameTemporary();
    const Handle handle = handle_;
    handle_ = noHandle;
    if (const Error error = observed([handle] { return close(handle); })) fail(error, false, fullPathOf(destination_));
    if (temporary_ != destination_) {
        if (const Error error = rename(temporary_, destination_)) fail(error, true, destination_);
    }
    temporary_.clear();
    forgetTemporary(watchSlot_);
    watchSlot_ = -1;
}

void OutputFile::abandon() noexcept {
    if (handle_ != noHandle) {
        close(handle_);
        handle_ = noHandle;
    }
    if (!temporary_.empty() && !vanishes_) remove(temporary_);
    temporary_.clear();
    forgetTemporary(watchSlot_);
    watchSlot_ = -1;
}

}  // namespace quillane
