#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace quillane {

// A key that is the same for every spelling of one place in the file system: the folder as the
// system identifies it (its device and file number, so "d", "./d" and a link to it agree) and
// the name as the folder's file system compares names: case-insensitively where it ignores case
// (always on Windows; on other systems as the folder itself answers when asked once with a
// probe file, since a USB stick, a network share or a FUSE mount may ignore case where the
// rest of the system does not). A folder the system cannot find is taken by its spelling, and
// one that cannot be written to is taken to tell case apart. An empty folder is the current
// directory.
std::string locationKey(const std::string& folder, const std::string& name);

// From now on this process learns how a folder compares names without writing anything: from a
// name already in it, looked up in the other case; a folder with no name that has a case is
// taken to ignore case. For runs that promise to write nothing (a check).
void learnCaseWithoutWriting();

// Which file stands at a path, whatever the path's spelling: its volume and its number there.
struct FileIdentity {
    std::uint64_t volume = 0;
    std::uint64_t high = 0;  // the upper half of a 128-bit file number (Windows), else 0
    std::uint64_t low = 0;
    auto operator<=>(const FileIdentity&) const = default;
};
// The identity of the file a path names (through links), or none where nothing stands.
std::optional<FileIdentity> fileIdentity(const std::string& path);

}  // namespace quillane
