#include "platform/FolderListing.h"

#include <filesystem>
#include <system_error>

namespace quillane {

namespace fs = std::filesystem;

// On POSIX systems a path is its bytes, so std::filesystem keeps them as they are.
PathKind pathKind(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (error || status.type() == fs::file_type::not_found) return PathKind::missing;
    if (status.type() == fs::file_type::regular) return PathKind::file;
    if (status.type() == fs::file_type::directory) return PathKind::folder;
    return PathKind::other;
}

std::vector<std::string> filesInFolder(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    fs::directory_iterator entry(folder, error);
    for (const fs::directory_iterator end; !error && entry != end; entry.increment(error)) {
        std::error_code typeError;
        if (entry->is_regular_file(typeError)) files.push_back(entry->path().string());
    }
    return files;
}

}  // namespace quillane
