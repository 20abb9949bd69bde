#pragma once

#include <string>
#include <vector>

namespace quillane {

// What a path names when a user hands it over, by a drop or on the command line.
enum class PathKind { missing, file, folder, other };
PathKind pathKind(const std::string& path);

// The paths of the files directly inside `folder` (no folders, nothing below them), in the
// order the system lists them; empty when the folder cannot be read. Paths are kept in the
// program's 8-bit encoding, as every other path.
std::vector<std::string> filesInFolder(const std::string& folder);

}  // namespace quillane
