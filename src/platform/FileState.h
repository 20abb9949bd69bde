#pragma once

#include <cstdint>
#include <string>

namespace quillane {

// A file's size and the time it was last written, to tell whether it still changes.
struct FileState {
    bool exists = false;  // a regular file stands there
    std::uint64_t size = 0;
    std::int64_t modified = 0;  // in the system's own units
    bool operator==(const FileState&) const = default;
};
FileState fileState(const std::string& path);
// Whether `later` was written at the time of `earlier` or after it.
inline bool writtenAtOrAfter(const FileState& later, const FileState& earlier) { return later.modified >= earlier.modified; }

// Whether a program still holds the file open for writing, as far as the system tells: on
// Windows it cannot be opened without sharing write access then; on Linux a read lease is
// refused then, where the system allows this user one on the file. Where it cannot tell, a
// steady size and time stand for it.
bool heldForWriting(const std::string& path);

}  // namespace quillane
