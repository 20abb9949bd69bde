#pragma once

#include <string>

namespace quillane {

// A key that is the same for every spelling of one place in the file system: the folder as the
// system identifies it (its device and file number, so "d", "./d" and a link to it agree) and
// the name as the file system compares names (case-insensitively on Windows). A folder the
// system cannot find is taken by its spelling. An empty folder is the current directory.
std::string locationKey(const std::string& folder, const std::string& name);

}  // namespace quillane
