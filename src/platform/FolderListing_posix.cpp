#include "platform/FolderListing.h"

#include <filesystem>
#include <string_view>
#include <system_error>
#include <utility>

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

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

char folded(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// The end of the run of digits that starts at `start`, and where its value's digits begin.
std::pair<std::size_t, std::size_t> numberAt(std::string_view text, std::size_t start) {
    std::size_t significant = start;
    while (significant < text.size() && text[significant] == '0') ++significant;
    std::size_t end = significant;
    while (end < text.size() && isDigit(text[end])) ++end;
    return {significant, end};
}

// Negative, zero or positive as `a` sorts before, level with or after `b`: runs of digits by
// value, other bytes with ASCII letters folded to lower case. Bytes outside ASCII (UTF-8 or not)
// keep their order.
int compareNames(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (isDigit(a[i]) && isDigit(b[j])) {
            const auto [aDigits, aEnd] = numberAt(a, i);
            const auto [bDigits, bEnd] = numberAt(b, j);
            if (aEnd - aDigits != bEnd - bDigits) return aEnd - aDigits < bEnd - bDigits ? -1 : 1;
            if (const int c = a.substr(aDigits, aEnd - aDigits).compare(b.substr(bDigits, bEnd - bDigits)); c != 0) return c;
            i = aEnd;
            j = bEnd;
            continue;
        }
        const auto x = static_cast<unsigned char>(folded(a[i]));
        const auto y = static_cast<unsigned char>(folded(b[j]));
        if (x != y) return x < y ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < a.size()) return 1;
    return j < b.size() ? -1 : 0;
}

}  // namespace

// Names level in that order (a.tif and A.tif, 1.tif and 01.tif) keep a fixed order by their bytes.
bool namedBefore(const std::string& a, const std::string& b) {
    const int c = compareNames(a, b);
    return c != 0 ? c < 0 : a < b;
}

}  // namespace quillane
