#include "platform/OutputFile.h"

#include "platform/FileSystemCalls.h"
#include "platform/FolderListing.h"
#include "platform/OutputFileSystem.h"
#include "platform/OutputSignals.h"
#include "platform/ProgressObserver.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <exception>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>

namespace quillane {

namespace {

using namespace outputsystem;

// Null while the system's own calls are in use.
std::atomic<const FileSystemCalls*> replacedCalls{nullptr};

constexpr std::string_view temporaryPrefix = ".quillane-";
constexpr std::string_view temporaryExtension = ".tmp";
constexpr std::size_t temporaryTagLength = 16;

// A name of its own for each temporary: random, so that no two writers on any machine that
// shares a folder pick the same one. Whose it is does not depend on the name: a temporary
// belongs to whoever holds it.
std::string nextTemporaryName() {
    static std::mutex guard;
    static std::mt19937_64 generator = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    std::uint64_t bits = 0;
    {
        const std::lock_guard<std::mutex> lock(guard);
        bits = generator();
    }
    std::string name(temporaryPrefix);
    for (std::size_t i = 0; i < temporaryTagLength; ++i, bits >>= 4) name += "0123456789abcdef"[bits & 15];
    return name + std::string(temporaryExtension);
}

// A name this program gives its temporaries (in either case: a file system may keep names in
// its own case).
bool isTemporaryName(std::string_view name) {
    if (name.size() != temporaryPrefix.size() + temporaryTagLength + temporaryExtension.size() ||
        name.substr(0, temporaryPrefix.size()) != temporaryPrefix ||
        name.substr(name.size() - temporaryExtension.size()) != temporaryExtension)
        return false;
    const std::string_view tag = name.substr(temporaryPrefix.size(), temporaryTagLength);
    return std::all_of(tag.begin(), tag.end(), [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; });
}

// A folder as a key that stays the same when the current directory changes.
std::string folderKey(const std::string& folder) { return fullPathOf(folder.empty() ? std::string(".") : folder); }

// Removes the temporaries left in `folder` that no writer holds any more (a kill between naming
// a temporary and putting it in place, a power cut), whichever process, namespace or machine
// made them. Each folder once per process: what is left behind stays so, and one sweep finds it.
void sweepOnce(const std::string& folder) {
    static std::mutex guard;
    static std::set<std::string> swept;
    {
        const std::lock_guard<std::mutex> lock(guard);
        if (!swept.insert(folderKey(folder)).second) return;
    }
    for (const std::string& path : filesInFolder(folder.empty() ? std::string(".") : folder)) {
        if (isTemporaryName(std::string_view(path).substr(folderOf(path).size()))) removeUnheld(path);
    }
}

// The folders whose file system refuses to name unnamed files (a link rule of the system's
// security policy, some FUSE and network file systems): decided on the first refusal, after
// which their outputs get named temporaries from the start.
std::mutex refusalGuard;
std::set<std::string> namesRefused;

bool namesRefusedIn(const std::string& folder) {
    const std::lock_guard<std::mutex> lock(refusalGuard);
    return namesRefused.count(folderKey(folder)) != 0;
}

void rememberNamesRefusedIn(const std::string& folder) {
    const std::lock_guard<std::mutex> lock(refusalGuard);
    namesRefused.insert(folderKey(folder));
}

}  // namespace

const FileSystemCalls& fileSystemCalls() {
    const FileSystemCalls* replaced = replacedCalls.load();
    return replaced != nullptr ? *replaced : systemFileSystemCalls();
}

ReplacedFileSystemCalls::ReplacedFileSystemCalls(const FileSystemCalls& replacement)
    : previous_(replacedCalls.exchange(&replacement)) {}

ReplacedFileSystemCalls::~ReplacedFileSystemCalls() { replacedCalls.store(previous_); }

void checkOutputDestination(const std::string& destination) {
    Existing existing;
    if (const Error error = checkDestination(destination, existing)) fail(error, true, destination);
}

OutputFile::OutputFile(std::string destination) : destination_(std::move(destination)) {
    Existing existing;
    if (const Error error = checkDestination(destination_, existing)) fail(error, true, destination_);
    folder_ = folderOf(destination_);
    fileStood_ = existing.fileStood;
    mode_ = existing.mode;
    sweepOnce(folder_);

    if (!namesRefusedIn(folder_)) {
        Handle handle = noHandle;
        const Error error = createUnnamed(folder_, handle);
        if (error != 0 && !unnamedUnsupported(error)) fail(error, true, destination_);
        unnamed_ = error == 0;
        handle_ = handle;
    }
    if (!unnamed_) makeNamedTemporary();
    adopt(handle_, existing);
}

void OutputFile::makeNamedTemporary() {
    for (;;) {
        // A hidden name beside the destination, so that the final rename stays on one file system.
        // Watched before it exists, so that no signal finds it made but not yet watched.
        const std::string name = nextTemporaryName();
        signalSlot_ = removeOnSignal(folder_, name);
        Handle handle = noHandle;
        const Error error = createNamed(folder_ + name, handle);
        if (error == 0) {
            handle_ = handle;
            temporary_ = folder_ + name;
            return;
        }
        forgetOnSignal(signalSlot_);
        signalSlot_ = -1;
        if (!alreadyExists(error)) fail(error, true, destination_);
    }
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
constexpr std::uint64_t writeBackStep = std::uint64_t{16} << 20;

void OutputFile::reportProgressTo(ProgressObserver* observer) {
    progress_ = observer;
    // The first piece is small, since a slow disk is known only by the time a piece takes.
    piece_ = observer != nullptr ? smallestPiece : largestPiece;
}

void OutputFile::write(const void* bytes, std::size_t count) {
    const auto* next = static_cast<const std::uint8_t*>(bytes);
    while (count > 0) {
        const auto started = fileSystemTime();
        std::size_t written = 0;
        if (const Error error = writeSome(handle_, next, std::min(count, piece_), written))
            fail(error, false, fullPathOf(destination_));
        // The system took nothing and reported nothing: the disk is full.
        if (written == 0) throw FileError(FileError::diskFull, 0, fullPathOf(destination_));
        next += written;
        count -= written;
        // The disk starts on what is written while the rest is still being made, so that the
        // flush before naming waits for little more than the last few megabytes.
        written_ += written;
        if (written_ - writingBackFrom_ >= writeBackStep) {
            startWriteBack(handle_, writingBackFrom_, written_ - writingBackFrom_);
            writingBackFrom_ = written_;
        }
        if (progress_ != nullptr) {
            fitPiece(written, fileSystemTime() - started);
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
    written_ = writingBackFrom_ = 0;
}

namespace {

// Waits until `finished`, calling `tell` between looks, every millisecond.
template <class Tell>
void waitLooking(const std::atomic<bool>& finished, Tell tell) {
    while (!finished.load()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        tell();
    }
}

}  // namespace

// Flushing a file can take as long as writing it did, on a share that takes the bytes only then:
// the flush goes to a thread of its own while this one goes on telling the observer. A stop
// thrown meanwhile does not wait for it: the file is left to that thread, which closes it when the
// system returns (a file without a name, or one the system removes on closing, is gone then), and
// a named temporary loses its name at once, as any abandoned one does.
Error OutputFile::flushObserved() {
    if (progress_ == nullptr) return flush(handle_);
    struct Flushing {
        std::mutex mutex;
        std::atomic<bool> finished = false;
        bool leftBehind = false;
        Error error = 0;
    };
    const auto state = std::make_shared<Flushing>();
    const Handle handle = handle_;
    std::thread flushing;
    try {
        flushing = std::thread([state, handle] {
            const Error error = flush(handle);
            const std::lock_guard lock(state->mutex);
            state->error = error;
            state->finished = true;
            if (state->leftBehind) close(handle);
        });
    } catch (const std::system_error&) {
        return flush(handle);  // no thread to be had: flushed here, unobserved
    }
    // The thread is let go only when it is left behind: a MinGW thread detached as it starts may
    // never run (under Wine a split then waited for its flush for good).
    waitLooking(state->finished, [&] {
        try {
            progress_->stillWorking();
        } catch (...) {
            const std::lock_guard lock(state->mutex);
            if (!state->finished) {
                state->leftBehind = true;
                handle_ = noHandle;
            }
            flushing.detach();
            throw;
        }
    });
    flushing.join();
    const std::lock_guard lock(state->mutex);
    return state->error;
}

// The flush that makes a new name last (Windows), which a slow share can take a while over: the
// observer is told meanwhile, so that the window is serviced, but the file is whole and named, so
// a stop asked for meanwhile is not thrown here; the run asks for it again once the file is done.
template <class Call>
Error OutputFile::served(Call call) {
    if (progress_ == nullptr) return call();
    std::atomic<bool> finished = false;
    Error error = 0;
    std::exception_ptr failure;
    std::thread serving;
    try {
        serving = std::thread([&] {
            try {
                error = call();
            } catch (...) {
                failure = std::current_exception();
            }
            finished = true;
        });
    } catch (const std::system_error&) {
        return call();  // no thread to be had: called here, unobserved
    }
    waitLooking(finished, [&] {
        try {
            progress_->stillWorking();
        } catch (...) {
            // Asked again after the file.
        }
    });
    serving.join();
    if (failure) std::rethrow_exception(failure);
    return error;
}

// The bytes reach the disk before the name does, so that a power cut cannot leave an empty or
// partial file under the name, and a failure the system reports only on flushing (an I/O error,
// a full disk on a network share) fails the write instead of passing unnoticed.
void OutputFile::flushToDisk() {
    if (flushed_) return;
    if (const Error error = flushObserved()) fail(error, false, fullPathOf(destination_));
    flushed_ = true;
}

void OutputFile::moveIntoNamedTemporary() {
    rememberNamesRefusedIn(folder_);
    const Handle unnamedFile = handle_;
    handle_ = noHandle;
    unnamed_ = false;
    try {
        makeNamedTemporary();
        adopt(handle_, Existing{fileStood_, mode_});
        if (const Error error = copyAll(unnamedFile, handle_)) fail(error, false, fullPathOf(destination_));
        if (const Error error = flush(handle_)) fail(error, false, fullPathOf(destination_));
    } catch (...) {
        close(unnamedFile);
        throw;
    }
    close(unnamedFile);
}

bool OutputFile::nameUnnamed() {
    if (!fileStood_) {
        const Error error = link(handle_, destination_);
        if (error == 0) return true;
        if (linkRefused(error)) {
            moveIntoNamedTemporary();
            return false;
        }
        // A file that appeared there meanwhile is replaced as any other.
        if (!alreadyExists(error)) fail(error, true, destination_);
    }
    // Only a rename replaces a file in one step: a hidden name first.
    for (;;) {
        const std::string name = nextTemporaryName();
        signalSlot_ = removeOnSignal(folder_, name);
        const Error error = link(handle_, folder_ + name);
        if (error == 0) {
            temporary_ = folder_ + name;
            unnamed_ = false;
            return false;
        }
        forgetOnSignal(signalSlot_);
        signalSlot_ = -1;
        if (linkRefused(error)) {
            moveIntoNamedTemporary();
            return false;
        }
        if (!alreadyExists(error)) fail(error, true, destination_);
    }
}

void OutputFile::takeName() {
    const bool tookName = unnamed_ && nameUnnamed();
    const Handle handle = handle_;
    if (tookName) {
        // Ours alone until the descriptor is closed: a failure to close takes the name back.
        handle_ = noHandle;
        if (const Error error = close(handle)) {
            if (!fileStood_) remove(destination_);
            fail(error, false, fullPathOf(destination_));
        }
        return;
    }
    NamingStep failed = NamingStep::naming;
    const Error error = nameReplacing(handle_, temporary_, destination_,
                                      [this](const std::function<Error()>& call) { return served(call); }, failed);
    if (error != 0 && failed == NamingStep::naming) fail(error, true, destination_);
    if (error != 0 && failed == NamingStep::beforeNaming) fail(error, false, fullPathOf(destination_));
    temporary_.clear();
    forgetOnSignal(signalSlot_);
    signalSlot_ = -1;
    if (error != 0) fail(error, false, fullPathOf(destination_));
}

void OutputFile::commit() {
    flushToDisk();
    takeName();
    if (const Error error = flushFolder(folder_)) fail(error, false, fullPathOf(destination_));
}

void OutputFile::abandon() noexcept {
    discardHidden(handle_, temporary_);
    handle_ = noHandle;
    temporary_.clear();
    forgetOnSignal(signalSlot_);
    signalSlot_ = -1;
}

void commitTogether(OutputFile& first, OutputFile& second, std::vector<std::string>& changed) {
    first.flushToDisk();
    second.flushToDisk();
    // The file the first replaces stays, held, under a hidden name until the second has its name.
    // A signal that ends the program before then puts it back; the two names are given with the
    // signals held back, so that no signal finds one file new and the other not.
    std::string aside;
    Handle held = noHandle;
    int asideSlot = -1;
    // What stands at the first's name now is what must come back on a failure: a file that
    // appeared there while the pair was written is kept as one that stood there from the start.
    Existing standing;
    checkDestination(first.destination_, standing);
    if (first.fileStood_ || standing.fileStood) {
        const std::string name = nextTemporaryName();
        aside = first.folder_ + name;
        asideSlot = putBackOnSignal(first.folder_, name, first.destination_.substr(first.folder_.size()));
        bool moved = false;
        if (const Error error = setAside(first.destination_, aside, held, moved)) {
            forgetOnSignal(asideSlot);
            fail(error, true, first.destination_);
        }
        if (!moved) aside.clear();  // gone meanwhile: nothing to put back but nothing
    }
    const auto putFirstBack = [&]() noexcept {
        if (aside.empty()) return remove(first.destination_) == 0;
        return putBack(held, aside, first.destination_) == 0;
    };
    {
        const SignalsHeldBack heldBack;
        try {
            first.takeName();
        } catch (...) {
            if (!aside.empty()) putFirstBack();
            forgetOnSignal(asideSlot);
            throw;
        }
        changed.push_back(first.destination_);
        try {
            second.takeName();
        } catch (...) {
            if (putFirstBack()) changed.pop_back();
            forgetOnSignal(asideSlot);
            throw;
        }
        changed.push_back(second.destination_);
        removeInsteadOnSignal(asideSlot);
    }
    if (!aside.empty()) dropAside(held, aside);
    forgetOnSignal(asideSlot);
    if (const Error error = flushFolder(first.folder_)) fail(error, false, fullPathOf(first.destination_));
    if (folderKey(second.folder_) != folderKey(first.folder_)) {
        if (const Error error = flushFolder(second.folder_)) fail(error, false, fullPathOf(second.destination_));
    }
}

}  // namespace quillane
