#pragma once

#include "platform/FileSystemCalls.h"

#include <cstddef>
#include <vector>

namespace quillane::testing {

enum class FileCall { open, write, lseek, fsync, close, rename, unlink };

// One call of the output file layer made to fail: the `occurrence`-th call of its kind (1 for
// the first) reports `error`. A write failing with error 0 takes nothing and reports nothing,
// the way a full disk stops it; a failing close still releases the descriptor, as on Linux.
struct Fault {
    FileCall call;
    int occurrence;
    int error;
};

// Puts the faults in place for as long as it lives; every other call goes to the system.
// With `shortWrites` each write takes at most a few bytes and is first interrupted once.
class FaultyFileSystem {
public:
    explicit FaultyFileSystem(std::vector<Fault> faults, bool shortWrites = false);
    ~FaultyFileSystem();
    FaultyFileSystem(const FaultyFileSystem&) = delete;
    FaultyFileSystem& operator=(const FaultyFileSystem&) = delete;

    // How many of the faults have been raised so far.
    std::size_t raised() const;
    // How many calls of a kind were made.
    int calls(FileCall call) const;

private:
    ReplacedFileSystemCalls replaced_;
};

// The lowest free descriptor of this process: it climbs when a file is left open.
int lowestFreeDescriptor();

}  // namespace quillane::testing
