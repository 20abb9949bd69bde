#include "platform/FileError.h"

#include <utility>

namespace quillane {

namespace {

constexpr const char* causeTexts[] = {
    "No error occurred.",
    "An unknown error occurred while accessing %1.",
    "%1 was not found.",
    "%1 contains an invalid path.",
    "%1 could not be opened because there are too many open files.",
    "Access to %1 was denied.",
    "An invalid file handle was associated with %1.",
    "%1 could not be removed because it is the current directory.",
    "%1 could not be created because the directory is full.",
    "Seek failed on %1",
    "A hardware I/O error was reported while accessing %1.",
    "A sharing violation occurred while accessing %1.",
    "A locking violation occurred while accessing %1.",
    "Disk full while accessing %1.",
    "An attempt was made to access %1 past its end.",
};

std::string render(int cause, const std::string& fileName) {
    const bool known = cause >= 0 && cause < static_cast<int>(std::size(causeTexts));
    std::string text = causeTexts[known ? cause : FileError::generic];
    const std::string name = fileName.empty() ? "an unnamed file" : fileName;
    if (const auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, name);
    return text;
}

}  // namespace

FileError::FileError(int causeCode, std::uint32_t osErrorNumber, std::string name)
    : cause(causeCode), osError(osErrorNumber), fileName(std::move(name)), rendered_(render(cause, fileName)) {}

std::string FileError::text() const { return rendered_; }

const char* FileError::what() const noexcept { return rendered_.c_str(); }

}  // namespace quillane
