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

// Whether `a` comes before `b` where the system's file manager sorts a folder by name: numbers
// by their value (slide2 before slide10) and letters without regard to case, as Explorer does
// on Windows and the usual Linux file managers do. Paths of one folder compare by their names.
bool namedBefore(const std::string& a, const std::string& b);

}  // namespace quillane
