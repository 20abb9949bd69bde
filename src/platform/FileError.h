#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace quillane {

// A failure of the output file layer: what went wrong (cause 0 to 14), the operating system's
// error number and the name of the file, from which the layer renders its own message.
class FileError : public std::exception {
public:
    enum Cause : int {
        none = 0,
        generic = 1,
        fileNotFound = 2,
        badPath = 3,
        tooManyOpenFiles = 4,
        accessDenied = 5,
        invalidFile = 6,
        removeCurrentDirectory = 7,
        directoryFull = 8,
        badSeek = 9,
        hardIO = 10,
        sharingViolation = 11,
        lockViolation = 12,
        diskFull = 13,
        endOfFile = 14,
    };

    FileError(int cause, std::uint32_t osError, std::string fileName);

    // The cause's text with the file name in place of "%1" ("an unnamed file" when empty).
    std::string text() const;
    const char* what() const noexcept override;

#ifdef _WIN32
    // The cause of the same meaning as a Windows error code (GetLastError).
    static int causeFromWindowsError(std::uint32_t error);
#else
    // The cause of the same meaning as an errno value; a missing name is a bad path when a
    // file is being created in a folder that does not exist.
    static int causeFromErrno(int error, bool creating);
#endif

    int cause;
    std::uint32_t osError;
    std::string fileName;

private:
    std::string rendered_;
};

}  // namespace quillane
